#include "analysis/ui/ScorePanel.h"
#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveSettings.h"
#include "archive/ArchiveTexts.h"
#include "archive/ui/ArchiveDialogs.h"
#include "archive/ui/ArchiveWindow.h"
#include "archive/ui/ProgressView.h"
#include "archive/ui/SessionTable.h"

#include "../../evaluation/PdfTools.h"
#include "../ArchiveFiles.h"
#include "PostgresServer.h"
#include "ScriptedModalUi.h"
#include "TestFiles.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
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
        ArchiveError error;
        auto archive = TrainingArchive::open(archivePath(), error);
        importPaths(*archive, {dir.path()}, {});
        window =
            std::make_unique<TArchiveForm>(host, archivePath(), file(QStringLiteral("Archiv.ini")));
        window->show();
    }

    QString file(const QString& name) const { return dir.filePath(name); }
    QString archivePath() const { return file(QStringLiteral("archiv.sqlite")); }
    void selectRows(std::initializer_list<int> rows) {
        std::vector<qint64> ids;
        for (int r : rows) {
            ids.push_back(window->Sessions()[static_cast<size_t>(r)].id);
        }
        window->SelectSessions(ids);
    }
    // The window's button, as the user clicks it.
    void click(const char* name) {
        auto* b = window->findChild<QPushButton*>(QLatin1String(name));
        ASSERT_TRUE(b) << name;
        b->click();
    }

    QTemporaryDir dir;
    ScriptedModalUi ui;
    RecordingHost host;
    std::unique_ptr<TArchiveForm> window;
};

TEST_F(ArchiveWindowTest, ChooseAShooterSwitchTheMetricOpenAndCompare) {
    ASSERT_TRUE(window->OpenArchive());
    EXPECT_EQ(window->Notice(), QString());
    EXPECT_EQ(window->ShooterRows(),
              (QStringList{QStringLiteral("Anna (4)"), QStringLiteral("Ben (1)")}));
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Anna")));
    ASSERT_EQ(window->Table().rowCount(), 4);
    EXPECT_EQ(window->Table().text(0, 0), QStringLiteral("01.09.2026"));
    EXPECT_EQ(window->Table().text(0, 6), QStringLiteral("1000"));  // Zeit bis Schuss
    EXPECT_EQ(window->TrendText(), ArchiveTexts::TrendWords(window->Trend()));
    EXPECT_TRUE(
        window->TrendText().startsWith(QStringLiteral("Zeit bis Schuss: −228 ms pro Monat")));

    // The first session's mark lies where its mean is, in the first group's
    // colour.
    QTRY_VERIFY(window->ProgressPlot().mapping().area().width() > 100);
    const QImage picture = window->ProgressPlot().grab().toImage();
    const QPointF mark = window->ProgressPlot().mapping().toPixel(0.0, 1000.0);
    EXPECT_EQ(picture.pixelColor(mark.toPoint()), QColor(0x1F, 0x5F, 0xB0));

    window->SetMetric(Metric::Dauer_ms);
    EXPECT_TRUE(window->TrendText().startsWith(QStringLiteral("Dauer: ")));
    EXPECT_EQ(window->Trend().metric, Metric::Dauer_ms);

    // A click on a mark chooses its session in the table.
    window->SetMetric(Metric::Schuss_ms);
    QTRY_VERIFY(window->ProgressPlot().mapping().xMax() > 30.0);
    const QPoint second = window->ProgressPlot().mapping().toPixel(10.0, 920.0).toPoint();
    QTest::mouseClick(&window->ProgressPlot(), Qt::LeftButton, {}, second);
    ASSERT_EQ(window->SelectedSessions().size(), 1u);
    EXPECT_EQ(window->SelectedSessions()[0], window->Sessions()[1].id);

    selectRows({0});
    EXPECT_FALSE(window->Offers(ArchiveCommand::Vergleichen));
    EXPECT_TRUE(window->Offers(ArchiveCommand::Bearbeiten));
    selectRows({0, 2});
    EXPECT_TRUE(window->Offers(ArchiveCommand::Vergleichen));
    EXPECT_FALSE(window->Offers(ArchiveCommand::Bearbeiten));
    click("Vergleichen");
    ASSERT_EQ(host.compared.size(), 1);
    EXPECT_EQ(host.compared[0],
              (QStringList{window->Sessions()[0].path, window->Sessions()[2].path}));
    click("Oeffnen");
    EXPECT_EQ(host.opened.size(), 2);

    // A file not on this PC opens from the archive's copy, write-protected,
    // so that only "Speichern unter…" keeps a change.
    qputenv("XDG_CACHE_HOME", file(QStringLiteral("cache")).toLocal8Bit());
    const QString gone = window->Sessions()[3].path;
    const QByteArray bytes = readAll(gone);
    QFile::remove(gone);
    selectRows({3});
    click("Oeffnen");
    ASSERT_EQ(host.opened.size(), 3);
    EXPECT_TRUE(host.opened[2].startsWith(file(QStringLiteral("cache/Ostrevik/Archivkopien/"))));
    EXPECT_TRUE(host.opened[2].endsWith(QFileInfo(gone).fileName()));
    EXPECT_EQ(readAll(host.opened[2]), bytes);
    EXPECT_FALSE(QFileInfo(host.opened[2]).permissions() & QFile::WriteOwner);

    // Without a copy either, it is said so, not opened.
    QSqlQuery q(window->Archive()->db());
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM datei")));
    const QString gone2 = window->Sessions()[1].path;
    QFile::remove(gone2);
    selectRows({1});
    click("Oeffnen");
    EXPECT_EQ(host.opened.size(), 3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, ArchiveTexts::SessionFileNotFound(gone2));
}

TEST_F(ArchiveWindowTest, TakeAFolderInTagASessionAndFilterByIt) {
    ASSERT_TRUE(window->OpenArchive());
    QDir(dir.path()).mkpath(QStringLiteral("neu/tief"));
    writeSession(file(QStringLiteral("neu/tief/5.pvo")), QStringLiteral("Anna"),
                 QStringLiteral("11.10.2026"), {30});
    ui.directoryAnswers.push_back(file(QStringLiteral("neu")));
    ASSERT_TRUE(window->OrdnerAufnehmen());
    ASSERT_EQ(ui.messages.size(), 1u);
    ImportSummary one;
    one.added = 1;
    EXPECT_EQ(ui.messages[0].text, ArchiveTexts::ImportReport(one));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Meldung"));
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Anna")));
    EXPECT_EQ(window->Table().rowCount(), 5);

    selectRows({4});
    ui.onExecDialog = [](QDialog& d) {
        auto& edit = dynamic_cast<SessionEditDialog&>(d);
        edit.fill({QStringLiteral("Anna"),
                   {QStringLiteral("scharf"), QStringLiteral("Wind"), QStringLiteral("Wettkampf")},
                   QStringLiteral(" Landesmeisterschaft")});
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(window->Bearbeiten());
    EXPECT_EQ(window->Table().text(4, 4), QStringLiteral("scharf, Wettkampf, Wind"));
    EXPECT_EQ(window->Table().text(4, 5), QStringLiteral("Landesmeisterschaft"));
    EXPECT_EQ(window->SelectedSessions(), std::vector<qint64>{window->Sessions()[4].id});

    window->SetTagFilter(QStringLiteral("scharf"));
    EXPECT_EQ(window->Table().rowCount(), 1);
    EXPECT_EQ(window->Trend().sessions, 1);
    EXPECT_EQ(window->TrendText(), ArchiveTexts::TrendWords(window->Trend()));
    window->SetTagFilter(QString());
    window->SetPeriod(QDate(2026, 9, 10), QDate(2026, 9, 30));
    EXPECT_EQ(window->Table().rowCount(), 2);

    // The setting for saved files is kept outside the program's own file.
    window->SetImportSaved(false);
    EXPECT_FALSE(loadArchiveSettings(file(QStringLiteral("Archiv.ini"))).importSaved);
}

TEST_F(ArchiveWindowTest, RenameAndMergeShooters) {
    ASSERT_TRUE(window->OpenArchive());
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Ben")));
    ui.onExecDialog = [](QDialog& d) {
        dynamic_cast<RenameShooterDialog&>(d).setName(QStringLiteral("Ben Muster"));
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(window->Umbenennen());
    EXPECT_EQ(window->CurrentShooterRow(), QStringLiteral("Ben Muster (1)"));

    // A name another shooter has is refused with the core's reason.
    ui.onExecDialog = [](QDialog& d) {
        dynamic_cast<RenameShooterDialog&>(d).setName(QStringLiteral("Anna"));
        return int(QDialog::Accepted);
    };
    EXPECT_FALSE(window->Umbenennen());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              ArchiveTexts::Problem({ArchiveError::Kind::ShooterNameTaken,
                                     window->Archive()->path(), QStringLiteral("Anna"), 0}));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(window->CurrentShooterRow(), QStringLiteral("Ben Muster (1)"));

    ui.onExecDialog = [](QDialog& d) {
        EXPECT_TRUE(dynamic_cast<MergeShootersDialog&>(d).chooseTarget(QStringLiteral("Anna")));
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(window->Zusammenfuehren());
    EXPECT_EQ(window->ShooterRows(), QStringList{QStringLiteral("Anna (5)")});
    EXPECT_EQ(window->CurrentShooterRow(), QStringLiteral("Anna (5)"));

    // Sessions taken out, after the question, all at once; their files stay.
    ASSERT_EQ(window->Sessions().size(), 5u);
    selectRows({0, 1});
    ui.messageAnswers.push_back(MessageAnswer::Yes);
    ASSERT_TRUE(window->Entfernen());
    EXPECT_EQ(ui.messages.back().text, ArchiveTexts::RemoveSessionsQuestion(2));
    EXPECT_EQ(window->Sessions().size(), 3u);
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("1.pvo"))));
}

TEST_F(ArchiveWindowTest, SeasonReportWithAVanishedFile) {
    ASSERT_TRUE(window->OpenArchive());
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Anna")));
    QFile::remove(file(QStringLiteral("2.pvo")));
    // Nor a copy in the archive.
    QSqlQuery q(window->Archive()->db());
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM datei")));
    ui.fileAnswers.push_back(file(QStringLiteral("saison.pdf")));
    ASSERT_TRUE(window->Saisonbericht());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Warnung"));
    EXPECT_TRUE(ui.messages[0].text.startsWith(ArchiveTexts::SeasonReportWithout({})));
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
    EXPECT_EQ(window->Notice(),
              ArchiveTexts::Problem({ArchiveError::Kind::Damaged, archivePath(), {}, 0}));
    EXPECT_EQ(window->ShooterRows(), QStringList());
    EXPECT_FALSE(window->Offers(ArchiveCommand::Dateien));
    EXPECT_FALSE(window->Offers(ArchiveCommand::Saisonbericht));
    // Taking files in says the same instead of working on no archive.
    EXPECT_EQ(window->Aufnehmen({file(QStringLiteral("1.pvo"))}).added, 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, window->Notice());
}

// "Archiv wählen…": another file, then an archive on a server, each kept as
// the program's archive; an address that does not open leaves the archive
// shown; what another PC adds to the server shows in the window
// at once.
TEST_F(ArchiveWindowTest, ChooseAnotherArchiveOnAServer) {
    ASSERT_TRUE(window->OpenArchive());
    const QString ini = file(QStringLiteral("Archiv.ini"));
    ui.onExecDialog = [](QDialog& d) {
        dynamic_cast<ArchiveChoiceDialog&>(d).chooseServer(QStringLiteral("verein"), 5432,
                                                           QString(), QStringLiteral("trainer"));
        return int(QDialog::Accepted);
    };
    EXPECT_FALSE(window->ArchivWaehlen());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              ArchiveTexts::Problem({ArchiveError::Kind::ServerAddress,
                                     QStringLiteral("postgresql://trainer@verein/"),
                                     {},
                                     0}));
    EXPECT_EQ(window->ArchivePath(), archivePath());
    EXPECT_EQ(window->ShooterRows().size(), 2);

    std::string why;
    PostgresServer* server = PostgresServer::shared(why);
    if (!server) {
        GTEST_SKIP() << why;
    }
    const QString database = server->newDatabase();
    ArchiveError error;
    {
        auto onServer = TrainingArchive::open(server->address(database), error);
        ASSERT_TRUE(onServer);
        importPaths(*onServer, {file(QStringLiteral("ben.pvo"))}, {});
    }
    ui.onExecDialog = [&](QDialog& d) {
        dynamic_cast<ArchiveChoiceDialog&>(d).chooseServer(server->socketFolder(), server->port(),
                                                           database, PostgresServer::superuser());
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(window->ArchivWaehlen());
    ServerAddress chosen;
    ASSERT_EQ(readArchiveAddress(window->ArchivePath(), chosen), AddressReading::Server);
    EXPECT_EQ(chosen.host, server->socketFolder());
    EXPECT_EQ(chosen.port, server->port());
    EXPECT_EQ(chosen.database, database);
    EXPECT_EQ(chosen.user, PostgresServer::superuser());
    EXPECT_EQ(loadArchiveSettings(ini).archive, window->ArchivePath());
    EXPECT_EQ(window->ShooterRows(), QStringList{QStringLiteral("Ben (1)")});

    {
        auto otherPc = TrainingArchive::open(server->address(database), error);
        importPaths(*otherPc, {file(QStringLiteral("1.pvo"))}, {});
    }
    // The server tells the window; it reads the archive again by itself.
    const QStringList both{QStringLiteral("Anna (1)"), QStringLiteral("Ben (1)")};
    for (int waited = 0; waited < 5000 && window->ShooterRows() != both; waited += 20) {
        QTest::qWait(20);
    }
    EXPECT_EQ(window->ShooterRows(), both);
    // After the server's restart the window connects again.
    ASSERT_TRUE(server->restartAbruptly());
    window->Refresh();
    EXPECT_EQ(window->Notice(), QString());
    EXPECT_EQ(window->ShooterRows(), both);
    // The next window opens on it.
    TArchiveForm next(host, QString(), ini);
    EXPECT_EQ(next.ArchivePath(), window->ArchivePath());
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
        ArchiveError error;
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
    EXPECT_EQ(window->MetricText(), QStringLiteral("Ring"));
    QTRY_VERIFY(window->ProgressPlot().mapping().area().width() > 100);
    const QImage picture = window->ProgressPlot().grab().toImage();
    EXPECT_EQ(picture.pixelColor(window->ProgressPlot().mapping().toPixel(0.0, 9.6).toPoint()),
              QColor(0x1F, 0x5F, 0xB0))
        << "the first session's mean ring";

    ScorePanel* rings = window->Ringe();
    ASSERT_EQ(rings->takeUps().size(), 4u);
    EXPECT_TRUE(rings->scopeText().startsWith(QStringLiteral("Anna, 2 Trainingseinheiten")));
    rings->setMetric(Metric::Schuss_ms);
    EXPECT_TRUE(rings->wordsText().startsWith(QStringLiteral("Zeit bis Schuss und Ring: r = ")));
    // The period narrowed to the second session: the window follows.
    window->SetPeriod(QDate(2026, 9, 10), QDate(2026, 9, 30));
    EXPECT_EQ(rings->takeUps().size(), 1u);
    EXPECT_EQ(rings->wordsText(), QStringLiteral("Zeit bis Schuss und Ring: zu wenige "
                                                 "Schüsse für eine Korrelation (n = 1)"));
}

// The window as it looks, for a comparison by eye after a change of its
// layout: OSTREVIK_ARCHIVE_SHOT names the picture to write.
TEST_F(ArchiveWindowTest, APictureOfTheWindow) {
    ASSERT_TRUE(window->OpenArchive());
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Anna")));
    selectRows({1, 2});
    QTest::qWait(200);
    const QImage picture = window->grab().toImage();
    EXPECT_EQ(picture.size(), QSize(1200, 820));
    if (const QString out = qEnvironmentVariable("OSTREVIK_ARCHIVE_SHOT"); !out.isEmpty()) {
        EXPECT_TRUE(picture.save(out));
    }
}

// A drill run in the shooter's sessions is offered beside the metrics; chosen,
// the progress follows its pass rate per session.
TEST_F(ArchiveWindowTest, ThePassRateOfADrillInTheProgress) {
    {
        ArchiveError error;
        auto archive = TrainingArchive::open(archivePath(), error);
        const auto first = sessionOfFile(*archive, file(QStringLiteral("1.pvo")), error);
        const auto third = sessionOfFile(*archive, file(QStringLiteral("3.pvo")), error);
        ASSERT_TRUE(first && third);
        ArchivedDrillRun run;
        run.key = QStringLiteral("a");
        run.name = QStringLiteral("Schnell");
        run.verdicts = {{1, 0, true, {}},
                        {2, 0, false, {QStringLiteral("Schuss_ms")}},
                        {3, 0, std::nullopt, {}}};
        ASSERT_TRUE(storeDrillRun(*archive, *first, run, error));
        run.verdicts = {{1, 0, true, {}}};
        ASSERT_TRUE(storeDrillRun(*archive, *third, run, error));
    }
    ASSERT_TRUE(window->OpenArchive());
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Anna")));
    auto* metric = window->findChild<QComboBox*>(QStringLiteral("Metrik"));
    ASSERT_TRUE(metric);
    const int item = metric->findText(QStringLiteral("Übung „Schnell“: Bestanden (%)"));
    ASSERT_GE(item, 0);
    metric->setCurrentIndex(item);
    EXPECT_EQ(window->Trend().metric, ProgressMetric::passRate());
    EXPECT_EQ(window->Trend().sessions, 2);
    const ProgressData& data = window->Progress();
    EXPECT_EQ(*data.sessions[0].figure(ProgressMetric::passRate()).mean, 50.0);
    EXPECT_FALSE(data.sessions[1].figure(ProgressMetric::passRate()).mean);
    EXPECT_EQ(*data.sessions[2].figure(ProgressMetric::passRate()).mean, 100.0);
    // The shooter without runs has no drill to offer.
    ASSERT_TRUE(window->ChooseShooter(QStringLiteral("Ben")));
    EXPECT_EQ(metric->findText(QStringLiteral("Übung „Schnell“: Bestanden (%)")), -1);
    EXPECT_FALSE(window->Trend().metric.isPassRate());
}
