#include "analysis/LiveAnalysis.h"
#include "archive/ArchiveCopy.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveFileCopies.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveSessions.h"
#include "archive/ArchiveSettings.h"
#include "archive/ArchiveTexts.h"
#include "measurement/MeasurementDocument.h"

#include "ArchiveFiles.h"
#include "PostgresServer.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

class ArchiveTest : public ::testing::Test {
protected:
    ArchiveTest() {
        QDir(dir.path()).mkpath(QStringLiteral("saison/oktober"));
        writeSession(file(QStringLiteral("saison/a.pvo")), QStringLiteral("Jörg"),
                     QStringLiteral("07.10.26"), {40, 50, 60});
        writeSession(file(QStringLiteral("saison/oktober/b.PVO")), QStringLiteral("Jörg"),
                     QStringLiteral("14.10.2026"), {45});
        writeAll(file(QStringLiteral("saison/notiz.txt")), "kein Messfile");
        writeAll(file(QStringLiteral("saison/falsch.pvo")), bytes({2, 0, 0, 0, 100, 3}));
    }

    QString file(const QString& name) const { return dir.filePath(name); }

    std::unique_ptr<TrainingArchive> open() {
        ArchiveError error;
        auto a = TrainingArchive::open(archive, error);
        EXPECT_TRUE(a) << ArchiveTexts::Problem(error).toStdString();
        return a;
    }

    std::vector<ArchivedSession> sessions(TrainingArchive& a) {
        ArchiveError error;
        auto s = listSessions(a, {}, error);
        EXPECT_TRUE(error.ok());
        return s;
    }

    int count(TrainingArchive& a, const QString& table) {
        QSqlQuery q(a.db());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table));
        return q.next() ? q.value(0).toInt() : -1;
    }

    QTemporaryDir dir;
    AnalysisSettings settings;
    QString archive = file(QStringLiteral("archiv.sqlite"));
};

// The archive's central work, on a file and on a server alike.
class ArchiveBackendTest : public ArchiveTest,
                           public ::testing::WithParamInterface<ArchiveBackend> {
protected:
    void SetUp() override {
        std::string why;
        archive = archiveOn(GetParam(), archive, why);
        if (archive.isEmpty()) {
            GTEST_SKIP() << why;
        }
    }
};

INSTANTIATE_TEST_SUITE_P(Backends, ArchiveBackendTest,
                         ::testing::Values(ArchiveBackend::Sqlite, ArchiveBackend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

TEST_P(ArchiveBackendTest, ImportsAFolderOnceAndUpdatesAChangedFile) {
    auto a = open();
    const QByteArray before = readAll(file(QStringLiteral("saison/a.pvo")));
    ImportSummary s = importPaths(*a, {file(QStringLiteral("saison"))}, settings);
    EXPECT_EQ(s.added, 2);
    ASSERT_EQ(s.refused.size(), 1u);  // the file of another version; the text file is no candidate
    EXPECT_EQ(s.refused[0].refusal, ImportRefusal::WrongType);
    EXPECT_EQ(s.refused[0].path,
              QFileInfo(file(QStringLiteral("saison/falsch.pvo"))).canonicalFilePath());
    EXPECT_EQ(count(*a, QStringLiteral("druckpunktnahme")), 4);

    auto list = sessions(*a);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].shooter, QStringLiteral("Jörg"));
    EXPECT_EQ(list[0].date, QDate(2026, 10, 7));
    EXPECT_EQ(list[0].takeUps, 3);
    EXPECT_EQ(list[0].shots, 3);
    EXPECT_EQ(list[1].date, QDate(2026, 10, 14));
    const qint64 firstId = list[0].id;

    // The same files again: nothing changes, the files are only read.
    s = importPaths(*a, {file(QStringLiteral("saison"))}, settings);
    EXPECT_EQ(s.added + s.updated, 0);
    EXPECT_EQ(s.unchanged, 2);
    EXPECT_EQ(count(*a, QStringLiteral("druckpunktnahme")), 4);
    EXPECT_EQ(readAll(file(QStringLiteral("saison/a.pvo"))), before);

    // A take-up more and another name in the header: the session follows
    // the file, under its id, with its tags.
    ArchiveError error;
    ASSERT_TRUE(
        setSessionTags(*a, firstId, {QStringLiteral("scharf"), QStringLiteral("Training")}, error));
    writeSession(file(QStringLiteral("saison/a.pvo")), QStringLiteral("Jörg M."),
                 QStringLiteral("07.10.26"), {40, 50, 60, 70});
    s = importPaths(*a, {file(QStringLiteral("saison/a.pvo"))}, settings);
    EXPECT_EQ(s.updated, 1);
    list = sessions(*a);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, firstId);
    EXPECT_EQ(list[0].takeUps, 4);
    EXPECT_EQ(list[0].shooter, QStringLiteral("Jörg M."));
    EXPECT_EQ(list[0].tags, (QStringList{QStringLiteral("scharf"), QStringLiteral("Training")}));
    EXPECT_EQ(count(*a, QStringLiteral("druckpunktnahme")), 5);

    // Shorter again: the take-ups beyond its end go.
    writeSession(file(QStringLiteral("saison/a.pvo")), QStringLiteral("Jörg M."),
                 QStringLiteral("07.10.26"), {40});
    EXPECT_EQ(importPaths(*a, {file(QStringLiteral("saison/a.pvo"))}, settings).updated, 1);
    EXPECT_EQ(count(*a, QStringLiteral("druckpunktnahme")), 2);
}

TEST_P(ArchiveBackendTest, AMovedFileIsFoundByItsContentAndACopyIsNoNewSession) {
    auto a = open();
    importPaths(*a, {file(QStringLiteral("saison"))}, settings);
    const qint64 id = sessions(*a)[1].id;
    QDir(dir.path()).mkpath(QStringLiteral("neu"));
    ASSERT_TRUE(QFile::rename(file(QStringLiteral("saison/oktober/b.PVO")),
                              file(QStringLiteral("neu/b.pvo"))));

    ImportSummary s = importPaths(*a, {file(QStringLiteral("neu"))}, settings);
    EXPECT_EQ(s.updated, 1);
    EXPECT_EQ(s.moved, 1);
    auto list = sessions(*a);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].id, id);
    EXPECT_EQ(list[1].path, QFileInfo(file(QStringLiteral("neu/b.pvo"))).canonicalFilePath());

    ASSERT_TRUE(
        QFile::copy(file(QStringLiteral("saison/a.pvo")), file(QStringLiteral("neu/kopie.pvo"))));
    s = importPaths(*a, {file(QStringLiteral("neu/kopie.pvo"))}, settings);
    EXPECT_EQ(s.unchanged, 1);
    EXPECT_EQ(sessions(*a).size(), 2u);

    // A file named that does not exist is refused with the reason.
    s = importPaths(*a, {file(QStringLiteral("weg.pvo"))}, settings);
    ASSERT_EQ(s.refused.size(), 1u);
    EXPECT_EQ(s.refused[0].refusal, ImportRefusal::Missing);
    EXPECT_EQ(s.refused[0].path, file(QStringLiteral("weg.pvo")));
}

TEST_P(ArchiveBackendTest, ShootersAreRenamedAndMergedAndKeepTheirFiles) {
    auto a = open();
    writeSession(file(QStringLiteral("saison/c.pvo")), QStringLiteral("J. Maier"),
                 QStringLiteral("21.10.26"), {50});
    importPaths(*a, {file(QStringLiteral("saison"))}, settings);
    ArchiveError error;
    const qint64 joerg = *findShooter(*a, QStringLiteral("Jörg"), error);
    const qint64 maier = *findShooter(*a, QStringLiteral("J. Maier"), error);

    EXPECT_FALSE(renameShooter(*a, joerg, QStringLiteral(" J. Maier "), error));
    EXPECT_EQ(error.kind, ArchiveError::Kind::ShooterNameTaken);
    EXPECT_EQ(error.detail, QStringLiteral("J. Maier"));
    ASSERT_TRUE(renameShooter(*a, joerg, QStringLiteral("Jörg Maier"), error));
    ASSERT_TRUE(mergeShooters(*a, maier, joerg, error));
    const auto shooters = listShooters(*a, error);
    ASSERT_EQ(shooters.size(), 1u);
    EXPECT_EQ(shooters[0].name, QStringLiteral("Jörg Maier"));
    EXPECT_EQ(shooters[0].sessions, 3);

    // Later files under either earlier name land with him.
    writeSession(file(QStringLiteral("saison/d.pvo")), QStringLiteral("Jörg"),
                 QStringLiteral("28.10.26"), {50});
    writeSession(file(QStringLiteral("saison/e.pvo")), QStringLiteral("J. Maier"),
                 QStringLiteral("29.10.26"), {50});
    importPaths(*a, {file(QStringLiteral("saison"))}, settings);
    EXPECT_EQ(listShooters(*a, error).size(), 1u);

    // A session given to another shooter by hand stays with him when its
    // header changes.
    const qint64 d = sessions(*a)[3].id;
    ASSERT_TRUE(setSessionShooter(*a, d, QStringLiteral("Gast"), error));
    writeSession(file(QStringLiteral("saison/d.pvo")), QStringLiteral("Jörg"),
                 QStringLiteral("28.10.26"), {50, 55});
    importPaths(*a, {file(QStringLiteral("saison/d.pvo"))}, settings);
    EXPECT_EQ(sessionById(*a, d, error)->shooter, QStringLiteral("Gast"));
    ASSERT_TRUE(setSessionNote(*a, d, QStringLiteral("  Wind von links "), error));
    EXPECT_EQ(sessionById(*a, d, error)->note, QStringLiteral("Wind von links"));
}

TEST_F(ArchiveTest, ADamagedArchiveIsReportedAndLeftAsItIs) {
    const QString path = file(QStringLiteral("archiv.sqlite"));
    const QByteArray garbage = QByteArray(8192, 'x');
    writeAll(path, garbage);
    ArchiveError error;
    EXPECT_FALSE(TrainingArchive::open(path, error));
    EXPECT_EQ(error.kind, ArchiveError::Kind::Damaged);
    EXPECT_EQ(error.path, QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(readAll(path), garbage);

    // After saving, the message says what became of the file.
    const SavedFileImport saved = importSavedFile(file(QStringLiteral("saison/a.pvo")), path,
                                                  file(QStringLiteral("Archiv.ini")));
    EXPECT_EQ(saved.kind, SavedFileImport::Kind::Archive);
    EXPECT_EQ(saved.archive, error);
    EXPECT_EQ(ImportAfterSave(file(QStringLiteral("saison/a.pvo")), path,
                              file(QStringLiteral("Archiv.ini"))),
              ArchiveTexts::SavedFileNotImported(saved));
    EXPECT_EQ(readAll(path), garbage);
}

TEST_F(ArchiveTest, AnArchiveOfANewerProgramIsOnlyRead) {
    {
        auto a = open();
        importPaths(*a, {file(QStringLiteral("saison/a.pvo"))}, settings);
        QSqlQuery q(a->db());
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA user_version = 7")));
    }
    auto a = open();
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->readOnly());
    EXPECT_EQ(a->schemaVersion(), 7);
    EXPECT_EQ(a->notice().kind, ArchiveError::Kind::Newer);
    EXPECT_EQ(a->notice().schema, 7);
    EXPECT_EQ(sessions(*a).size(), 1u);  // what it knows, it reads
    const ImportSummary s = importPaths(*a, {file(QStringLiteral("saison"))}, settings);
    EXPECT_EQ(s.added, 0);
    EXPECT_EQ(s.archiveError, a->notice());
    ArchiveError error;
    EXPECT_FALSE(setSessionNote(*a, sessions(*a)[0].id, QStringLiteral("x"), error));
    EXPECT_EQ(error, a->notice());
}

TEST_P(ArchiveBackendTest, ANewArchiveHasItsSchemaWalAndForeignKeys) {
    auto a = open();
    EXPECT_EQ(a->schemaVersion(), TrainingArchive::kSchemaVersion);
    EXPECT_FALSE(a->readOnly());
    if (GetParam() == ArchiveBackend::Sqlite) {
        QSqlQuery q(a->db());
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next());
        EXPECT_EQ(q.value(0).toString(), QStringLiteral("wal"));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA foreign_keys")) && q.next());
        EXPECT_EQ(q.value(0).toInt(), 1);
    }
    // Removing a session takes its take-ups and tags with it.
    importPaths(*a, {file(QStringLiteral("saison/a.pvo"))}, settings);
    ArchiveError error;
    const qint64 id = sessions(*a)[0].id;
    ASSERT_TRUE(setSessionTags(*a, id, {QStringLiteral("trocken")}, error));
    EXPECT_EQ(count(*a, QStringLiteral("datei")), 1);
    ASSERT_TRUE(removeSession(*a, id, error));
    EXPECT_EQ(count(*a, QStringLiteral("druckpunktnahme")), 0);
    EXPECT_EQ(count(*a, QStringLiteral("sitzung_marke")), 0);
    EXPECT_EQ(count(*a, QStringLiteral("schuetze")), 0);
    EXPECT_EQ(count(*a, QStringLiteral("datei")), 0);
}

// The archive keeps each file's bytes once per content and gives them back
// unchanged; a whole archive copied from a file to this backend and back is
// the same archive, and a second copy adds nothing.
TEST_P(ArchiveBackendTest, FilesComeBackByteForByteAndArchivesCopyWhole) {
    const QString source = file(QStringLiteral("quelle.sqlite"));
    const ArchivedDrillRun drillRun{QStringLiteral("lauf-1"),
                                    QStringLiteral("Zeitfenster"),
                                    QStringLiteral("{}"),
                                    QStringLiteral("2026-10-07T10:00:00"),
                                    true,
                                    {{1, 0xfedcba9876543210u, true, {}},
                                     {2, 7, false, {QStringLiteral("Schuss_ms")}},
                                     {3, 8, std::nullopt, {}}}};
    {
        ArchiveError error;
        auto a = TrainingArchive::open(source, error);
        ASSERT_TRUE(a);
        importPaths(*a, {file(QStringLiteral("saison"))}, settings);
        QDir(dir.path()).mkpath(QStringLiteral("kopie"));
        ASSERT_TRUE(
            QFile::copy(file(QStringLiteral("saison/a.pvo")), file(QStringLiteral("kopie/a.pvo"))));
        importPaths(*a, {file(QStringLiteral("kopie/a.pvo"))}, settings);
        EXPECT_EQ(count(*a, QStringLiteral("datei")), 2);
        const std::vector<ArchivedSession> list = sessions(*a);
        ASSERT_TRUE(setSessionTags(*a, list[0].id, {QStringLiteral("scharf")}, error));
        ASSERT_TRUE(setSessionNote(*a, list[1].id, QStringLiteral("Wind"), error));
        ASSERT_TRUE(renameShooter(*a, *findShooter(*a, QStringLiteral("Jörg"), error),
                                  QStringLiteral("Jörg Maier"), error));
        ASSERT_TRUE(setTakeUpScore(*a, list[0].id, 2, TakeUpScore{2, 9.5, {}, {}, {}, 7}, error));
        ASSERT_TRUE(storeDrillRun(*a, list[0].id, drillRun, error))
            << ArchiveTexts::Problem(error).toStdString();
        EXPECT_EQ(sessionFileCopy(*a, list[0].id, error),
                  readAll(file(QStringLiteral("saison/a.pvo"))));
    }
    auto here = open();
    ArchiveError error;
    {
        auto from = TrainingArchive::open(source, error);
        ArchiveCopySummary copied = copyArchive(*from, *here);
        EXPECT_TRUE(copied.error.ok()) << ArchiveTexts::Problem(copied.error).toStdString();
        EXPECT_EQ(copied.copied, 2);
        copied = copyArchive(*from, *here);
        EXPECT_EQ(copied.copied, 0);
        EXPECT_EQ(copied.present, 2);
    }
    const QString back = file(QStringLiteral("zurueck.sqlite"));
    auto returned = TrainingArchive::open(back, error);
    EXPECT_EQ(copyArchive(*here, *returned).copied, 2);
    auto original = TrainingArchive::open(source, error);
    for (TrainingArchive* a : {here.get(), returned.get()}) {
        const auto copy = sessions(*a);
        const auto was = sessions(*original);
        ASSERT_EQ(copy.size(), was.size());
        for (size_t i = 0; i < copy.size(); ++i) {
            EXPECT_EQ(std::tie(copy[i].shooter, copy[i].path, copy[i].date, copy[i].tags,
                               copy[i].note, copy[i].takeUps, copy[i].shots),
                      std::tie(was[i].shooter, was[i].path, was[i].date, was[i].tags, was[i].note,
                               was[i].takeUps, was[i].shots));
            EXPECT_EQ(sessionFileCopy(*a, copy[i].id, error),
                      sessionFileCopy(*original, was[i].id, error));
        }
        EXPECT_EQ(count(*a, QStringLiteral("ring")), 1);
        EXPECT_EQ(count(*a, QStringLiteral("druckpunktnahme")), 4);
        std::vector<ArchivedDrillRun> runs;
        ASSERT_TRUE(loadDrillRuns(*a, copy[0].id, runs, error));
        EXPECT_EQ(runs, std::vector<ArchivedDrillRun>{drillRun});
        // The earlier name still leads a later file to him.
        EXPECT_EQ(findShooter(*a, QStringLiteral("Jörg"), error),
                  findShooter(*a, QStringLiteral("Jörg Maier"), error));
    }
}

// An archive from before the copies: they are taken from the files still
// there with their archived content; a session without is marked, and gets
// its copy when its file is taken in again.
TEST_F(ArchiveTest, AnOlderArchiveTakesCopiesOfTheFilesStillThere) {
    const QByteArray b = readAll(file(QStringLiteral("saison/oktober/b.PVO")));
    {
        auto a = open();
        importPaths(*a, {file(QStringLiteral("saison"))}, settings);
        QSqlQuery q(a->db());
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE uebung_ergebnis")));
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE uebung_lauf")));
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE datei")));
        ASSERT_TRUE(q.exec(QStringLiteral("ALTER TABLE sitzung DROP COLUMN datei_fehlt")));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA user_version = 2")));
    }
    ASSERT_TRUE(QFile::remove(file(QStringLiteral("saison/oktober/b.PVO"))));
    auto a = open();
    ASSERT_EQ(a->schemaVersion(), TrainingArchive::kSchemaVersion);
    ArchiveError error;
    const auto list = sessions(*a);
    EXPECT_EQ(sessionFileCopy(*a, list[0].id, error),
              readAll(file(QStringLiteral("saison/a.pvo"))));
    EXPECT_FALSE(sessionFileCopy(*a, list[1].id, error));
    EXPECT_TRUE(error.ok());
    EXPECT_EQ(count(*a, QStringLiteral("sitzung WHERE datei_fehlt = 1")), 1);

    writeAll(file(QStringLiteral("saison/oktober/b.PVO")), b);
    EXPECT_EQ(importPaths(*a, {file(QStringLiteral("saison/oktober"))}, settings).unchanged, 1);
    EXPECT_EQ(sessionFileCopy(*a, list[1].id, error), b);
    EXPECT_EQ(count(*a, QStringLiteral("sitzung WHERE datei_fehlt = 1")), 0);
}

TEST_F(ArchiveTest, SavedFilesEnterTheArchiveUnlessSwitchedOff) {
    const QString archive = file(QStringLiteral("archiv.sqlite"));
    const QString ini = file(QStringLiteral("Archiv.ini"));
    ASSERT_TRUE(saveArchiveSettings({false, {}}, ini));
    EXPECT_EQ(importSavedFile(file(QStringLiteral("saison/a.pvo")), archive, ini).kind,
              SavedFileImport::Kind::NotWanted);
    EXPECT_EQ(ImportAfterSave(file(QStringLiteral("saison/a.pvo")), archive, ini), QString());
    EXPECT_FALSE(QFileInfo::exists(archive));
    ASSERT_TRUE(saveArchiveSettings({true, {}}, ini));
    EXPECT_EQ(importSavedFile(file(QStringLiteral("saison/a.pvo")), archive, ini).kind,
              SavedFileImport::Kind::Taken);
    auto a = open();
    EXPECT_EQ(sessions(*a).size(), 1u);
    const SavedFileImport wrong =
        importSavedFile(file(QStringLiteral("saison/falsch.pvo")), archive, ini);
    EXPECT_EQ(wrong.kind, SavedFileImport::Kind::Refused);
    EXPECT_EQ(wrong.refused.refusal, ImportRefusal::WrongType);
    EXPECT_EQ(ImportAfterSave(file(QStringLiteral("saison/falsch.pvo")), archive, ini),
              ArchiveTexts::SavedFileNotImported(wrong));
}

// The document just saved lends its analysis only when it holds the file's
// very records: one changed after the save must not put its take-ups in.
TEST_F(ArchiveTest, ASavedDocumentsAnalysisCountsOnlyForTheRecordsOfItsFile) {
    const QString archive = file(QStringLiteral("archiv.sqlite"));
    const QString ini = file(QStringLiteral("Archiv.ini"));
    const DisplaySettings display = DisplaySettings::defaults();
    MeasurementDocument document(&display);
    document.SetzeDateiname(file(QStringLiteral("saison/a.pvo")));
    ASSERT_EQ(document.Laden().outcome, MeasurementDocument::LoadResult::Outcome::Loaded);
    const LiveAnalysis& live = LiveAnalysis::of(document);
    ASSERT_EQ(live.analysis().rows.size(), 3u);
    document.Entfernen(0);
    EXPECT_EQ(importSavedFile(document.Dateiname, archive, ini, &live).kind,
              SavedFileImport::Kind::Taken);
    auto a = open();
    EXPECT_EQ(count(*a, QStringLiteral("druckpunktnahme")), 3);
}

TEST(ArchiveTags, AreTrimmedWithoutSeparatorsOrDoubles) {
    EXPECT_EQ(tagsFromText(QStringLiteral(" scharf, Wettkampf ,,scharf, Wind;böig")),
              (QStringList{QStringLiteral("scharf"), QStringLiteral("Wettkampf"),
                           QStringLiteral("Windböig")}));
}

}  // namespace
