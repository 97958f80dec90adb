#include "analysis/ui/ScorePanel.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveSettings.h"
#include "archive/ui/ArchiveDialogs.h"
#include "archive/ui/ArchiveWindow.h"
#include "archive/ui/ProgressView.h"

#include "../../evaluation/PdfTools.h"
#include "../ArchiveFiles.h"
#include "ScriptedModalUi.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

class RecordingHost : public ArchiveWindowHost {
public:
    void OpenDocument(const QString& path) override { opened << path; }
    void CompareFiles(const QStringList& paths) override { compared << paths; }
    QString UserName() const override { return QStringLiteral("Trainerin Kowalski"); }
    DisplaySettings Display() const override { return DisplaySettings::defaults(); }

    QStringList opened;
    QList<QStringList> compared;
};

// The window over a real archive of two shooters.
class ArchiveWindowTest : public ::testing::Test {
protected:
    ArchiveWindowTest() {
        writeSession(file(QStringLiteral("1.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("01.09.2026"), {40, 50, 60});
        writeSession(file(QStringLiteral("2.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("11.09.2026"), {46});
        writeSession(file(QStringLiteral("3.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("21.09.2026"), {44});
        writeSession(file(QStringLiteral("4.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("01.10.2026"), {38});
        writeSession(file(QStringLiteral("ben.pvo")), QStringLiteral("Ben"),
                     QStringLiteral("05.09.2026"), {10});
        QString error;
        auto archive = TrainingArchive::open(archivePath(), error);
        importPaths(*archive, {dir.path()}, {});
        window =
            std::make_unique<TArchiveForm>(host, archivePath(), file(QStringLiteral("Archiv.ini")));
        window->show();
    }

    QString file(const QString& name) const { return dir.filePath(name); }
    QString archivePath() const { return file(QStringLiteral("archiv.sqlite")); }
    void selectRows(std::initializer_list<int> rows) {
        window->Sitzungen->clearSelection();
        for (int r : rows) {
            window->Sitzungen->selectionModel()->select(
                window->Sitzungen->model()->index(r, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }

    QTemporaryDir dir;
    ScriptedModalUi ui;
    RecordingHost host;
    std::unique_ptr<TArchiveForm> window;
};

TEST_F(ArchiveWindowTest, ChooseAShooterSwitchTheMetricOpenAndCompare) {
    ASSERT_TRUE(window->OpenArchive());
    EXPECT_TRUE(window->Hinweis->isHidden());
    ASSERT_EQ(window->Schuetzen->count(), 2);
    EXPECT_EQ(window->Schuetzen->item(0)->text(), QStringLiteral("Anna (4)"));
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Anna")));
    ASSERT_EQ(window->Sitzungen->rowCount(), 4);
    EXPECT_EQ(window->Sitzungen->item(0, 0)->text(), QStringLiteral("01.09.2026"));
    EXPECT_EQ(window->Sitzungen->item(0, 6)->text(), QStringLiteral("1000"));  // Zeit bis Schuss
    EXPECT_TRUE(
        window->TrendText->text().startsWith(QStringLiteral("Zeit bis Schuss: −228 ms pro Monat")));

    // The first session's mark lies where its mean is, in the first group's
    // colour.
    QTRY_VERIFY(window->Verlauf->mapping().area().width() > 100);
    const QImage picture = window->Verlauf->grab().toImage();
    const QPointF mark = window->Verlauf->mapping().toPixel(0.0, 1000.0);
    EXPECT_EQ(picture.pixelColor(mark.toPoint()), QColor(0x1F, 0x5F, 0xB0));

    window->SetMetric(Metric::Dauer_ms);
    EXPECT_TRUE(window->TrendText->text().startsWith(QStringLiteral("Dauer: ")));
    EXPECT_EQ(window->Trend().metric, Metric::Dauer_ms);

    // A click on a mark chooses its session in the table.
    window->SetMetric(Metric::Schuss_ms);
    QTRY_VERIFY(window->Verlauf->mapping().xMax() > 30.0);
    const QPoint second = window->Verlauf->mapping().toPixel(10.0, 920.0).toPoint();
    QTest::mouseClick(window->Verlauf, Qt::LeftButton, {}, second);
    ASSERT_EQ(window->SelectedSessions().size(), 1u);
    EXPECT_EQ(window->SelectedSessions()[0], window->Sessions()[1].id);

    selectRows({0, 2});
    EXPECT_TRUE(window->ButtonVergleichen->isEnabled());
    window->ButtonVergleichen->click();
    ASSERT_EQ(host.compared.size(), 1);
    EXPECT_EQ(host.compared[0].size(), 2);
    window->ButtonOeffnen->click();
    EXPECT_EQ(host.opened.size(), 2);

    // A file that has gone is said so, not opened.
    QFile::remove(window->Sessions()[3].path);
    selectRows({3});
    window->ButtonOeffnen->click();
    EXPECT_EQ(host.opened.size(), 2);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("wurde nicht gefunden")));
}

TEST_F(ArchiveWindowTest, TakeAFolderInTagASessionAndFilterByIt) {
    ASSERT_TRUE(window->OpenArchive());
    QDir(dir.path()).mkpath(QStringLiteral("neu/tief"));
    writeSession(file(QStringLiteral("neu/tief/5.pvo")), QStringLiteral("Anna"),
                 QStringLiteral("11.10.2026"), {30});
    ui.directoryAnswers.push_back(file(QStringLiteral("neu")));
    ASSERT_TRUE(window->OrdnerAufnehmen());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              QStringLiteral("1 aufgenommen, 0 aktualisiert, 0 unverändert, 0 abgelehnt"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Meldung"));
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Anna")));
    EXPECT_EQ(window->Sitzungen->rowCount(), 5);

    selectRows({4});
    ui.onExecDialog = [](QDialog& d) {
        auto& edit = dynamic_cast<SessionEditDialog&>(d);
        edit.Art->setCurrentText(QStringLiteral("scharf"));
        edit.Anlass->setCurrentText(QStringLiteral("Wettkampf"));
        edit.Weitere->setText(QStringLiteral("Wind"));
        edit.Notiz->setText(QStringLiteral("Landesmeisterschaft"));
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(window->Bearbeiten());
    EXPECT_EQ(window->Sitzungen->item(4, 4)->text(), QStringLiteral("scharf, Wettkampf, Wind"));
    EXPECT_EQ(window->Sitzungen->item(4, 5)->text(), QStringLiteral("Landesmeisterschaft"));

    window->SetTagFilter(QStringLiteral("scharf"));
    EXPECT_EQ(window->Sitzungen->rowCount(), 1);
    EXPECT_TRUE(window->TrendText->text().contains(QStringLiteral("zu wenige")));
    window->SetTagFilter(QString());
    window->SetPeriod(QDate(2026, 9, 10), QDate(2026, 9, 30));
    EXPECT_EQ(window->Sitzungen->rowCount(), 2);

    // The setting for saved files is kept outside the program's own file.
    window->Automatisch->setChecked(false);
    EXPECT_FALSE(loadArchiveSettings(file(QStringLiteral("Archiv.ini"))).importSaved);
}

TEST_F(ArchiveWindowTest, RenameAndMergeShooters) {
    ASSERT_TRUE(window->OpenArchive());
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Ben")));
    ui.onExecDialog = [](QDialog& d) {
        dynamic_cast<RenameShooterDialog&>(d).Name->setText(QStringLiteral("Ben Muster"));
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(window->Umbenennen());
    EXPECT_EQ(window->Schuetzen->currentItem()->text(), QStringLiteral("Ben Muster (1)"));
    ui.onExecDialog = [](QDialog& d) {
        auto& merge = dynamic_cast<MergeShootersDialog&>(d);
        merge.Ziel->setCurrentText(QStringLiteral("Anna"));
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(window->Zusammenfuehren());
    ASSERT_EQ(window->Schuetzen->count(), 1);
    EXPECT_EQ(window->Schuetzen->currentItem()->text(), QStringLiteral("Anna (5)"));
}

TEST_F(ArchiveWindowTest, SeasonReportWithAVanishedFile) {
    ASSERT_TRUE(window->OpenArchive());
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Anna")));
    QFile::remove(file(QStringLiteral("2.pvo")));
    ui.fileAnswers.push_back(file(QStringLiteral("saison.pdf")));
    ASSERT_TRUE(window->Saisonbericht());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Warnung"));
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("2.pvo wurde nicht gefunden")));
    const QString text = pdfText(file(QStringLiteral("saison.pdf")));
    EXPECT_TRUE(text.contains(QStringLiteral("Trainerin Kowalski")));
    EXPECT_TRUE(text.contains(QStringLiteral("Fortschritt: Halt nach 500 ms")));
}

TEST_F(ArchiveWindowTest, ADamagedArchiveIsShownAndNothingIsOffered) {
    window.reset();
    writeAll(archivePath(), QByteArray(4096, 'x'));
    window =
        std::make_unique<TArchiveForm>(host, archivePath(), file(QStringLiteral("Archiv.ini")));
    EXPECT_FALSE(window->OpenArchive());
    EXPECT_TRUE(window->Hinweis->text().contains(QStringLiteral("beschädigt")));
    EXPECT_EQ(window->Schuetzen->count(), 0);
    EXPECT_FALSE(window->ButtonDateien->isEnabled());
    EXPECT_FALSE(window->ButtonBericht->isEnabled());
}

}  // namespace

namespace {

TakeUpScore ringOf(int takeUp, double ring) {
    TakeUpScore s;
    s.takeUp = takeUp;
    s.ring = ring;
    return s;
}

}  // namespace

// The rings of a shooter's sessions: their mean per session in the progress
// view, and "Ringe…" over the sessions the filters leave.
TEST_F(ArchiveWindowTest, TheRingsInTheProgressAndOverTheSessionsShown) {
    {
        QString error;
        auto archive = TrainingArchive::open(archivePath(), error);
        const auto first = sessionOfFile(*archive, file(QStringLiteral("1.pvo")), error);
        const auto second = sessionOfFile(*archive, file(QStringLiteral("2.pvo")), error);
        ASSERT_TRUE(first && second);
        ASSERT_TRUE(replaceSessionScores(
            *archive, *first, {{1, ringOf(1, 9.0)}, {2, ringOf(2, 9.6)}, {3, ringOf(3, 10.2)}},
            error));
        ASSERT_TRUE(replaceSessionScores(*archive, *second, {{1, ringOf(1, 10.5)}}, error));
    }
    ASSERT_TRUE(window->OpenArchive());
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Anna")));
    window->SetMetric(ProgressMetric::ring());
    EXPECT_EQ(window->Trend().sessions, 2);
    EXPECT_EQ(window->Metrik->currentText(), QStringLiteral("Ring"));
    QTRY_VERIFY(window->Verlauf->mapping().area().width() > 100);
    const QImage picture = window->Verlauf->grab().toImage();
    EXPECT_EQ(picture.pixelColor(window->Verlauf->mapping().toPixel(0.0, 9.6).toPoint()),
              QColor(0x1F, 0x5F, 0xB0))
        << "the first session's mean ring";

    ScorePanel* rings = window->Ringe();
    ASSERT_EQ(rings->takeUps().size(), 4u);
    EXPECT_TRUE(rings->Scope->text().startsWith(QStringLiteral("Anna, 2 Trainingseinheiten")));
    rings->setMetric(Metric::Schuss_ms);
    EXPECT_TRUE(rings->Words->text().startsWith(QStringLiteral("Zeit bis Schuss und Ring: r = ")));
    // The period narrowed to the second session: the window follows.
    window->SetPeriod(QDate(2026, 9, 10), QDate(2026, 9, 30));
    EXPECT_EQ(rings->takeUps().size(), 1u);
    EXPECT_EQ(rings->Words->text(), QStringLiteral("Zeit bis Schuss und Ring: zu wenige "
                                                   "Schüsse für eine Korrelation (n = 1)"));
}
