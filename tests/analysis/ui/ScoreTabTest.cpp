#include "analysis/OverlayPlot.h"
#include "analysis/ui/ActiveDocuments.h"
#include "analysis/ui/AnalysisWindow.h"
#include "analysis/ui/OverlayTab.h"
#include "analysis/ui/PlotView.h"
#include "analysis/ui/RingKeeper.h"
#include "analysis/ui/RingTab.h"
#include "analysis/ui/TakeUpTableModel.h"
#include "analysis/ui/TakeUpTableTab.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveTexts.h"
#include "measurement/ui/DocumentWindow.h"
#include "scores/ui/ArchiveRings.h"
#include "scores/ui/ScoreCommands.h"
#include "scores/ui/ScoreImportDialog.h"

#include "NullDocumentHost.h"
#include "OneDocument.h"
#include "ScriptedModalUi.h"
#include "TestFiles.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

using Samples = std::vector<uint8_t>;

Samples flatShot(uint8_t level, int before, int after) {
    Samples s(static_cast<size_t>(before), level);
    s.push_back(kShotMark);
    s.insert(s.end(), static_cast<size_t>(after), level);
    return s;
}

// A document saved to a file of its own, its rings kept in an archive of
// the test's own.
class ScoreTabTest : public ::testing::Test {
protected:
    void SetUp() override { document.show(); }

    void add(const Samples& samples) {
        Raster_t& r = document.Liste->Letzter();
        r.SetzeTonschwelle(100);
        for (uint8_t v : samples) {
            r.WertAnhaengen(v);
        }
        document.Dokument().RecordEnded();
    }

    void save() {
        document.SetzeDateiname(file(QStringLiteral("einheit.pvo")));
        ASSERT_TRUE(document.DateiSpeichern());
        document.Unbenannt = false;
    }

    // The rings kept in the archive for the document's file, by number.
    void keep(const std::map<int, double>& rings) {
        ArchiveError error;
        auto archive = TrainingArchive::open(archivePath, error);
        ASSERT_TRUE(archive) << ArchiveTexts::Problem(error).toStdString();
        std::vector<uint64_t> records;
        const FileImport taken =
            importFile(*archive, document.Dateiname, AnalysisSettings{}, error, &records);
        ASSERT_NE(taken.outcome, ImportOutcome::Refused);
        SessionScores scores;
        for (const auto& [n, ring] : rings) {
            scores[n].takeUp = n;
            scores[n].ring = ring;
            scores[n].record = records[static_cast<size_t>(n - 1)];
        }
        ASSERT_TRUE(replaceSessionScores(*archive, taken.sessionId, scores, error));
    }

    std::map<int, double> kept() {
        ArchiveError error;
        auto archive = TrainingArchive::open(archivePath, error);
        SessionScores scores;
        if (const auto s = sessionOfFile(*archive, document.Dateiname, error)) {
            loadSessionScores(*archive, *s, scores, error);
        }
        std::map<int, double> out;
        for (const auto& [n, score] : scores) {
            out[n] = score.ring;
        }
        return out;
    }

    std::unique_ptr<AnalysisWindow> window() {
        auto w = std::make_unique<AnalysisWindow>(document, settingsPath,
                                                  withArchiveRings({}, archivePath, iniPath));
        w->show();
        return w;
    }

    QString file(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QString settingsPath = file(QStringLiteral("Analyse.ini"));
    QString archivePath = file(QStringLiteral("archiv.sqlite"));
    QString iniPath = file(QStringLiteral("Archiv.ini"));
    test::ScriptedModalUi ui;
    test::NullDocumentHost host;
    TMDIChild document{host};
};

}  // namespace

TEST_F(ScoreTabTest, TheTabShowsHowTheRingsGoWithAMetric) {
    for (int before : {40, 50, 60, 70, 80}) {
        add(flatShot(120, before, 10));
    }
    save();
    // Zeit bis Schuss 800..1600 ms against rings that go 2 4 5 4 5 tenths
    // above 8: r = 6 / sqrt(60) = 0.7746, by Fisher's z -0.340 .. 0.984,
    // Spearman (ties sharing their rank) 7 / sqrt(90) = 0.7379.
    keep({{1, 8.2}, {2, 8.4}, {3, 8.5}, {4, 8.4}, {5, 8.5}});
    auto w = window();
    EXPECT_EQ(w->tableTab().takeUpCell(2, TakeUpTableModel::kRingColumn), QStringLiteral("8,5"));
    w->chooseTab(AnalysisWindow::kRingTab);
    RingTab& rings = w->ringTab();
    rings.chooseMetric(Metric::Schuss_ms);
    EXPECT_EQ(rings.words(),
              QStringLiteral("Zeit bis Schuss und Ring: r = 0,77, 95 %-Intervall −0,34 … 0,98 "
                             "(Spearman ρ = 0,74, n = 5)"));
    EXPECT_EQ(rings.metricCell(Metric::Schuss_ms, 2), QStringLiteral("0,77"));
    EXPECT_EQ(rings.metricCell(Metric::Schuss_ms, 3), QStringLiteral("−0,34 … 0,98"));
    EXPECT_TRUE(rings.scope().endsWith(QStringLiteral("5 Schüsse mit Ring")));

    // A click on a point chooses its take-up everywhere.
    PlotView& scatter = rings.scatter();
    QTest::mouseClick(&scatter, Qt::LeftButton, {},
                      scatter.mapping().toPixel(1000.0, 8.4).toPoint());
    EXPECT_EQ(w->highlighted(), 1);
}

TEST_F(ScoreTabTest, ARingTypedIsKeptAndEnterGoesOnToTheNextShot) {
    add(flatShot(120, 40, 10));
    add(Samples(40, 90));  // no shot, no ring
    add(flatShot(130, 50, 10));
    add(flatShot(140, 60, 10));
    save();  // not in the archive yet: the first ring takes the file in
    auto w = window();
    w->chooseTab(AnalysisWindow::kTableTab);
    TakeUpTableTab& table = w->tableTab();
    const int ring = TakeUpTableModel::kRingColumn;
    table.editRing(0);
    auto editor = [&] { return table.ringEditor(); };
    ASSERT_TRUE(editor());
    QTest::keyClicks(editor(), QStringLiteral("9,8"));
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(w->scores().at(1).ring, 9.8);
    EXPECT_EQ(kept(), (std::map<int, double>{{1, 9.8}}));
    EXPECT_EQ(table.currentRow(), 2) << "past the take-up without a shot";
    ASSERT_TRUE(editor()) << "the next ring is being typed";

    QTest::keyClicks(editor(), QStringLiteral("10.2"));
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(kept(), (std::map<int, double>{{1, 9.8}, {3, 10.2}}));
    EXPECT_EQ(table.takeUpCell(2, ring), QStringLiteral("10,2"));

    // No ring: said so, and the coach stays on the take-up to correct it.
    QTest::keyClicks(editor(), QStringLiteral("11"));
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(ui.messageTexts().back(),
              QStringLiteral("„11“ ist kein Ring: ein Ring liegt zwischen 0,0 und 10,9."));
    EXPECT_EQ(table.currentRow(), 3);
    EXPECT_EQ(kept().size(), 2u);

    // An empty cell takes the ring away.
    EXPECT_TRUE(w->rings().enter(w.get(), 0, QString()));
    EXPECT_EQ(kept(), (std::map<int, double>{{3, 10.2}}));
    EXPECT_EQ(table.takeUpCell(0, ring), QString());

    // A take-up recorded after the save is not in the file: save first.
    add(flatShot(150, 70, 10));
    w->refresh();
    table.editRing(table.rowOf(4));
    ASSERT_TRUE(editor());
    QTest::keyClicks(editor(), QStringLiteral("9,0"));
    QTest::keyClick(editor(), Qt::Key_Return);
    EXPECT_EQ(ui.messageTexts().back(),
              QStringLiteral("Zum Eintragen der Ringe die Datei zuerst speichern."));
    EXPECT_EQ(kept(), (std::map<int, double>{{3, 10.2}}));
}

TEST_F(ScoreTabTest, TheOverlayIsColouredByRing) {
    host.settings.curveColor = 0x00FF0000;  // blue, so that red can only be a ring's
    add(flatShot(102, 60, 20));
    add(flatShot(152, 60, 20));
    save();
    keep({{1, 8.0}, {2, 10.0}});
    auto w = window();
    PlotView& overlay = w->overlayTab().plot();
    // The colour at a curve: of the pixels it crosses, the one it covers most.
    auto pixel = [&](int value, auto key) {
        const QPoint p = overlay.mapping().toPixel(-0.6, value * 100.0 / 254.0).toPoint();
        QColor best(overlay.image().pixel(p));
        for (int dy : {-1, 1}) {
            const QColor c(overlay.image().pixel(p + QPoint(0, dy)));
            best = key(c) > key(best) ? c : best;
        }
        return best;
    };
    auto blueness = [](const QColor& c) { return c.blue() - c.red(); };
    auto redness = [](const QColor& c) { return c.red() - c.blue(); };
    EXPECT_EQ(pixel(152, blueness), QColor(0, 0, 255)) << "the newest in the curve colour";
    EXPECT_GT(blueness(pixel(102, blueness)), 20) << "the older one faint in it";

    EXPECT_TRUE(w->overlayTab().canColourByRing());
    w->overlayTab().colourByRing(true);
    EXPECT_EQ(pixel(152, blueness).rgb(), ringColor(10.0, 8.0, 10.0).rgb()) << "the best, blue";
    EXPECT_GT(redness(pixel(102, redness)), 40) << "the lowest ring, vermilion";
    w->overlayTab().colourByRing(false);
    EXPECT_EQ(pixel(152, blueness), QColor(0, 0, 255));
}

// A list whose header names no column: the ring's column chosen by hand,
// one shot too many shifted away or left out.
TEST_F(ScoreTabTest, TheImportDialogMapsColumnsAndShiftsTheShots) {
    const QString list = file(QStringLiteral("liste.txt"));
    test::writeAll(list, "a\tb\n1\t9,5\n2\t10,1\n3\t9,9\n");
    TakeUpMetrics shot1;
    shot1.listIndex = 0;
    shot1.shotIndex = 40;
    TakeUpMetrics shot2 = shot1;
    shot2.listIndex = 2;
    ScoreImportDialog dialog(list, {shot1, shot2}, 0);
    EXPECT_FALSE(dialog.file().columnsKnown);
    EXPECT_FALSE(dialog.canTakeOver());

    dialog.setColumn(1, 1);
    ASSERT_EQ(dialog.file().shots.size(), 3u);
    EXPECT_TRUE(dialog.resultText().startsWith(
        QStringLiteral("Die Messung hat 2 Druckpunktnahmen mit Schuss, die Datei 3 Schüsse.")));
    dialog.setOffset(1);
    EXPECT_TRUE(dialog.match().pairs.size() == 2 && dialog.canTakeOver());
    auto rings = [&] {
        std::map<int, double> out;
        for (const auto& [n, s] : dialog.scores()) {
            out[n] = s.ring;
        }
        return out;
    };
    EXPECT_EQ(rings(), (std::map<int, double>{{1, 10.1}, {3, 9.9}}));
    dialog.setOffset(0);
    dialog.setLeftOut(1, true);
    EXPECT_TRUE(dialog.match().countsAgree());
    EXPECT_EQ(rings(), (std::map<int, double>{{1, 9.5}, {3, 9.9}}));
}

// A record removed from the document after its file was saved: the rings
// shown stay with their take-ups, and a ring typed goes to the take-up of the
// file that the record is.
TEST_F(ScoreTabTest, AfterARecordIsRemovedTheRingsStayWithTheirTakeUps) {
    add(flatShot(120, 40, 10));
    add(flatShot(130, 50, 10));
    add(flatShot(140, 60, 10));
    save();
    keep({{1, 9.0}, {3, 10.0}});
    auto w = window();
    document.Liste->Entfernen(0);
    w->refresh();
    EXPECT_EQ(w->scores().size(), 1u);
    EXPECT_DOUBLE_EQ(w->scores().at(2).ring, 10.0);
    EXPECT_EQ(w->tableTab().takeUpCell(1, TakeUpTableModel::kRingColumn), QStringLiteral("10,0"));
    ASSERT_TRUE(w->rings().enter(w.get(), 0, QStringLiteral("9,5")));
    EXPECT_EQ(w->tableTab().takeUpCell(0, TakeUpTableModel::kRingColumn), QStringLiteral("9,5"));
    EXPECT_EQ(kept(), (std::map<int, double>{{1, 9.0}, {2, 9.5}, {3, 10.0}}));

    // Saved and taken in again: the removed take-up's ring goes with it.
    ASSERT_TRUE(document.DateiSpeichern());
    {
        ArchiveError error;
        auto archive = TrainingArchive::open(archivePath, error);
        EXPECT_EQ(importPaths(*archive, {document.Dateiname}, {}).updated, 1);
    }
    EXPECT_EQ(kept(), (std::map<int, double>{{1, 9.5}, {2, 10.0}}));
    w->rings().reload();
    EXPECT_EQ(w->scores().size(), 2u);
}

// "Analyse → Ringe importieren…": the list chosen, the dialog accepted, the
// rings in the default archive and in the document's window.
TEST_F(ScoreTabTest, TheMenuCommandImportsAListIntoTheDefaultArchive) {
    // The default archive in the test's folder, for this test only.
    struct DataHome {
        bool was = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        QByteArray before = qgetenv("XDG_DATA_HOME");
        ~DataHome() {
            setAnalysisExtensions({});
            if (was) {
                qputenv("XDG_DATA_HOME", before);
            } else {
                qunsetenv("XDG_DATA_HOME");
            }
        }
    } dataHome;
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("daten")).toLocal8Bit());
    setAnalysisExtensions(withArchiveRings({}));
    add(flatShot(120, 40, 10));
    add(flatShot(130, 50, 10));
    test::OneDocument documents(document);
    RingeImportieren(documents);
    EXPECT_EQ(ui.messageTexts().back(),
              QStringLiteral("Zum Eintragen der Ringe die Datei zuerst speichern."));
    EXPECT_TRUE(ui.openRequests.empty()) << "said before a list is chosen";

    save();
    const QString list = file(QStringLiteral("liste.csv"));
    test::writeAll(list, "Nr;Ring\nP1;9,9\n1;9,4\n2;10,6\n");
    ui.fileAnswers = {list};
    ui.onExecDialog = [](QDialog&) { return static_cast<int>(QDialog::Accepted); };
    RingeImportieren(documents);
    EXPECT_EQ(ui.messageTexts().back(),
              QStringLiteral("2 Ringe übernommen.\nÜbersprungen: 1 Probeschuss"));
    auto* w = document.findChild<AnalysisWindow*>();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->currentTab(), AnalysisWindow::kRingTab);
    EXPECT_EQ(w->ringTab().takeUps().size(), 2u);
    archivePath = TrainingArchive::defaultPath();
    EXPECT_EQ(kept(), (std::map<int, double>{{1, 9.4}, {2, 10.6}}));
}
