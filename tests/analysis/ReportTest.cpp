#include "analysis/SessionComparison.h"
#include "analysis/ui/ComparisonWindow.h"
#include "analysis/ui/ExportCommands.h"
#include "analysis/ui/ReportPdf.h"

#include "../evaluation/PdfTools.h"
#include "ScriptedModalUi.h"
#include "SmallDisk.h"
#include "TestFiles.h"
#include "common/PdfCheck.h"

#include <QImage>
#include <QPainter>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

// A session of take-ups whose shot follows `before` samples at 120, then
// half the pressure is kept: each one "Nachlassen".
void writeSession(const QString& path, const QString& datum, std::initializer_list<int> befores) {
    Dateiheader_t kopf;
    KopfInitialisieren(kopf);
    kopf.setName(QStringLiteral("Jörg"));
    kopf.setDatum(datum);
    kopf.setText(QStringLiteral("Luftpistole stehend"));
    QByteArray data;
    for (int before : befores) {
        data.append(static_cast<char>(100));
        data.append(QByteArray(before, static_cast<char>(120)));
        data.append(static_cast<char>(kShotMark));
        data.append(QByteArray(30, static_cast<char>(60)));
        data.append(static_cast<char>(kRecordEnd));
    }
    ASSERT_TRUE(KopfUndDatenSchreiben(kopf, path, data).ok);
}

class ReportTest : public ::testing::Test {
protected:
    ReportTest() {
        writeSession(dir.filePath(QStringLiteral("b.pvo")), QStringLiteral("14.01.25"),
                     {50, 60, 70});
        writeSession(dir.filePath(QStringLiteral("a.pvo")), QStringLiteral("07.01.25"),
                     {30, 30, 30});
        display = DisplaySettings::defaults();
    }

    std::vector<TrainingSession> sessions(const QStringList& names) const {
        std::vector<TrainingSession> out;
        for (const QString& n : names) {
            TrainingSession s;
            QString error;
            EXPECT_TRUE(loadTrainingSession(dir.filePath(n), s, error));
            out.push_back(std::move(s));
        }
        return out;
    }

    QTemporaryDir dir;
    DisplaySettings display;
    ScriptedModalUi ui;
};

}  // namespace

TEST_F(ReportTest, PagesAndTextsOfTwoSessionsWithTheirComparison) {
    const std::vector<TrainingSession> s = sessions({"b.pvo", "a.pvo"});
    ReportInput input;
    input.userName = QStringLiteral("Trainerin Kowalski");
    input.sessions = s;
    input.printedOn = QDate(2025, 1, 20);
    const QString pdf = dir.filePath(QStringLiteral("bericht.pdf"));
    ASSERT_TRUE(writeTrainingReportPdf(pdf, input).ok);

    ASSERT_EQ(pdfSeiten(pdf), 6);  // two pages per session, two of comparison
    const QString first = pdfText(pdf, 1);
    for (const char* t : {"Trainerin Kowalski", "Seite 1 von 6", "Trainingsbericht: Jörg",
                          "07.01.25", "Luftpistole stehend", "3 Druckpunktnahmen mit Schuss",
                          "Anzahl Druckpunktnahmen gesamt: 3", "Schnitt: 0,6 s",
                          "Halt nach 160 ms (%)", "20.01.2025", "Ostrevik QTX"}) {
        EXPECT_TRUE(first.contains(QString::fromUtf8(t))) << t << "\n" << first.toStdString();
    }
    // No take-up reaches its tone threshold exactly: the dialog's spans
    // without values are not written as times.
    EXPECT_TRUE(first.contains(QStringLiteral("keine Werte")));
    EXPECT_FALSE(first.contains(QStringLiteral("50 s")));
    const QString second = pdfText(pdf, 2);
    EXPECT_TRUE(second.contains(QStringLiteral("Verlauf: Zeit bis Schuss")));
    EXPECT_TRUE(second.contains(QStringLiteral("Nachlassen")));
    EXPECT_TRUE(pdfText(pdf, 3).contains(QStringLiteral("14.01.25")));
    const QString comparison = pdfText(pdf, 5);
    EXPECT_TRUE(comparison.contains(QStringLiteral("Vergleich der Trainingseinheiten")));
    EXPECT_TRUE(comparison.contains(QStringLiteral("1200 (703–1697)"))) << comparison.toStdString();
    EXPECT_TRUE(pdfText(pdf, 6).contains(QStringLiteral("Markierte Druckpunktnahmen (%)")));
}

TEST_F(ReportTest, AFailedReportLeavesTheOldFile) {
    const std::vector<TrainingSession> s = sessions({"a.pvo"});
    ReportInput input;
    input.sessions = s;
    EXPECT_FALSE(writeTrainingReportPdf(dir.filePath(QStringLiteral("fehlt/x.pdf")), input).ok);
    const QString pdf = dir.filePath(QStringLiteral("alt.pdf"));
    writeAll(pdf, "alt");
    ScopedWriteFault fault(10);
    EXPECT_FALSE(writeTrainingReportPdf(pdf, input).ok);
    EXPECT_EQ(readAll(pdf), QByteArray("alt"));
}

TEST_F(ReportTest, AReportOnAFullDiskFailsAndLeavesTheOldFile) {
    SmallDisk disk("64k");
    SKIP_WITHOUT(disk);
    const std::vector<TrainingSession> s = sessions({"a.pvo"});
    ReportInput input;
    input.sessions = s;
    const QString pdf = disk.path(QStringLiteral("bericht.pdf"));
    ASSERT_TRUE(writeFileAtomically(pdf, "alt").ok);
    disk.fill(16 * 1024);
    const FileWriteResult r = writeTrainingReportPdf(pdf, input);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, qt_error_string(ENOSPC));
    EXPECT_EQ(readAll(pdf), QByteArray("alt"));
}

// A PDF counts as whole only with every piece in its place: cut short
// anywhere, or missing a piece in the middle, it does not.
TEST_F(ReportTest, APdfCutShortOrMissingAPieceIsIncomplete) {
    const std::vector<TrainingSession> s = sessions({"a.pvo"});
    ReportInput input;
    input.sessions = s;
    const QString path = dir.filePath(QStringLiteral("bericht.pdf"));
    ASSERT_TRUE(writeTrainingReportPdf(path, input).ok);
    const QByteArray pdf = readAll(path);
    ASSERT_GT(pdf.size(), 3 * 4096);
    EXPECT_EQ(pdfIncompleteReason(pdf), QString());
    for (qsizetype cut = 0; cut < pdf.size(); cut += 4096) {
        EXPECT_FALSE(pdfIncompleteReason(pdf.left(cut)).isEmpty()) << cut;
    }
    EXPECT_FALSE(pdfIncompleteReason(pdf.chopped(8)).isEmpty());
    EXPECT_FALSE(pdfIncompleteReason(QByteArray(pdf).remove(4096, 4096)).isEmpty());
}

TEST_F(ReportTest, KeyMetricChartShowsMeanAndInterval) {
    const SessionComparison c = compareSessions(sessions({"b.pvo", "a.pvo"}), 8, {});
    QImage image(500, 400, QImage::Format_RGB32);
    QPainter p(&image);
    const PlotMapping m = paintKeyMetric(p, QRectF(image.rect()), c, KeyMetric::Schuss_ms);
    p.end();
    auto at = [&](double x, double y) {
        const QPointF px = m.toPixel(x, y);
        return QColor(image.pixel(static_cast<int>(px.x()), static_cast<int>(px.y())));
    };
    EXPECT_EQ(at(1, 600), sessionColor(0));  // the earlier session, first
    EXPECT_EQ(at(2, 1200), sessionColor(1));
    EXPECT_EQ(at(2, 900), QColor(Qt::black));  // inside its interval
    EXPECT_EQ(at(1, 900), QColor(Qt::white));  // the first has no spread
}

TEST_F(ReportTest, ComparisonWindowReadsFilesTellsTheWrongOneAndWritesTheReport) {
    const QString wrong = dir.filePath(QStringLiteral("kaputt.pvo"));
    writeAll(wrong, bytes({9, 9, 9, 9}));
    TComparisonForm form(
        display, [] { return std::vector<TrainingSession>{}; },
        [] { return QStringLiteral("Trainerin Kowalski"); });
    ui.filesAnswers.push_back(
        {dir.filePath(QStringLiteral("b.pvo")), wrong, dir.filePath(QStringLiteral("a.pvo"))});
    ASSERT_TRUE(form.DateienWaehlen());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              wrong + QStringLiteral(": Fehler beim laden der Datei. Möglicherweise falscher "
                                     "Dateityp"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    ASSERT_EQ(form.TableRows(), 2);
    EXPECT_EQ(form.TableText(0, 1), QStringLiteral("07.01.25"));
    EXPECT_EQ(form.TableText(1, 5), QStringLiteral("1200 (703–1697)"));

    const QString pdf = dir.filePath(QStringLiteral("vergleich.pdf"));
    ui.fileAnswers.push_back(pdf);
    ASSERT_TRUE(form.BerichtAlsPdf());
    EXPECT_EQ(pdfSeiten(pdf), 6);
    EXPECT_TRUE(pdfText(pdf, 1).contains(QStringLiteral("Trainerin Kowalski")));
}

TEST_F(ReportTest, CsvExportAsksBeforeReplacingFilesOfTheOtherNames) {
    const std::vector<TrainingSession> s = sessions({"a.pvo"});
    const QString takeUps = dir.filePath(QStringLiteral("x-takeups.csv"));
    writeAll(takeUps, "alt");
    ui.fileAnswers.push_back(dir.filePath(QStringLiteral("x.csv")));
    ui.messageAnswers.push_back(MessageAnswer::No);
    EXPECT_FALSE(CsvExportieren(nullptr, s[0], display));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Vorhandene Dateien ersetzen?\n") + takeUps);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(readAll(takeUps), QByteArray("alt"));

    ui.fileAnswers.push_back(dir.filePath(QStringLiteral("x.csv")));
    ui.messageAnswers.push_back(MessageAnswer::Yes);
    EXPECT_TRUE(CsvExportieren(nullptr, s[0], display));
    EXPECT_TRUE(readAll(takeUps).startsWith("Nr;Schuss;"));
    EXPECT_TRUE(readAll(dir.filePath(QStringLiteral("x-samples.csv"))).startsWith("Nr;Index;"));
}
