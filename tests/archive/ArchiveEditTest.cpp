#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveSessions.h"
#include "archive/ArchiveSettings.h"
#include "archive/ArchiveTexts.h"
#include "archive/SeasonReport.h"
#include "scores/DocumentScores.h"
#include "scores/ScoreTexts.h"

#include "ArchiveFiles.h"
#include "TestFiles.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

// The coach's changes as the window makes them, called without a window,
// over an archive of Anna's three sessions and Ben's one.
class ArchiveEditTest : public ::testing::Test {
protected:
    ArchiveEditTest() {
        writeSession(file(QStringLiteral("1.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("01.09.2026"), {40, 50});
        writeSession(file(QStringLiteral("2.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("11.09.2026"), {46});
        writeSession(file(QStringLiteral("3.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("21.09.2026"), {44});
        writeSession(file(QStringLiteral("ben.pvo")), QStringLiteral("Ben"),
                     QStringLiteral("05.09.2026"), {10});
        archive = TrainingArchive::open(file(QStringLiteral("archiv.sqlite")), error);
        EXPECT_TRUE(archive) << ArchiveTexts::Problem(error).toStdString();
        importPaths(*archive, {dir.path()}, {});
    }

    QString file(const QString& name) const { return dir.filePath(name); }

    std::vector<ArchivedSession> sessions() {
        ArchiveError e;
        return listSessions(*archive, {}, e);
    }
    ArchivedSession session(const QString& name) {
        for (const ArchivedSession& s : sessions()) {
            if (s.path.endsWith(QLatin1Char('/') + name)) {
                return s;
            }
        }
        ADD_FAILURE() << name.toStdString();
        return {};
    }
    qint64 shooter(const QString& name) {
        ArchiveError e;
        return findShooter(*archive, name, e).value_or(0);
    }
    // Makes the archive refuse a statement, as a full disk or a lock would,
    // for the rest of the test's connection.
    void refuse(const QString& trigger) {
        QSqlQuery q(archive->db());
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TEMP TRIGGER verweigert ") + trigger +
                           QStringLiteral(" BEGIN SELECT RAISE(ABORT, 'verweigert'); END")));
    }

    QTemporaryDir dir;
    ArchiveError error;
    std::unique_ptr<TrainingArchive> archive;
};

TEST_F(ArchiveEditTest, AnEditSetsShooterTagsAndNoteAtOnceOrNothing) {
    const ArchivedSession first = session(QStringLiteral("1.pvo"));
    ASSERT_TRUE(
        editSession(*archive, first,
                    {QStringLiteral(" Gast "),
                     {QStringLiteral("scharf"), QStringLiteral("Wind"), QStringLiteral("scharf")},
                     QStringLiteral(" böig ")},
                    error));
    ArchivedSession edited = session(QStringLiteral("1.pvo"));
    EXPECT_EQ(edited.shooter, QStringLiteral("Gast"));
    EXPECT_EQ(edited.tags, (QStringList{QStringLiteral("scharf"), QStringLiteral("Wind")}));
    EXPECT_EQ(edited.note, QStringLiteral("böig"));

    // The shooter cannot be set: tags and note stay as they were too.
    refuse(QStringLiteral("BEFORE UPDATE OF schuetze_id ON sitzung"));
    EXPECT_FALSE(editSession(
        *archive, edited,
        {QStringLiteral("Anna"), {QStringLiteral("trocken")}, QStringLiteral("neu")}, error));
    EXPECT_EQ(error.kind, ArchiveError::Kind::Database);
    EXPECT_TRUE(error.detail.contains(QStringLiteral("verweigert")));
    EXPECT_EQ(error.path, archive->path());
    const ArchivedSession after = session(QStringLiteral("1.pvo"));
    EXPECT_EQ(after.shooter, QStringLiteral("Gast"));
    EXPECT_EQ(after.tags, edited.tags);
    EXPECT_EQ(after.note, QStringLiteral("böig"));

    // The same shooter is no change of him: the session keeps following its
    // file's header, and the refused statement is never run.
    error = {};
    const ArchivedSession second = session(QStringLiteral("2.pvo"));
    ASSERT_TRUE(editSession(*archive, second,
                            {QStringLiteral("Anna "), {}, QStringLiteral("Regen")}, error))
        << ArchiveTexts::Problem(error).toStdString();
    writeSession(file(QStringLiteral("2.pvo")), QStringLiteral("Anna B."),
                 QStringLiteral("11.09.2026"), {46, 47});
    QSqlQuery drop(archive->db());
    ASSERT_TRUE(drop.exec(QStringLiteral("DROP TRIGGER verweigert")));
    importPaths(*archive, {file(QStringLiteral("2.pvo"))}, {});
    EXPECT_EQ(session(QStringLiteral("2.pvo")).shooter, QStringLiteral("Anna B."));
    EXPECT_EQ(session(QStringLiteral("2.pvo")).note, QStringLiteral("Regen"));
}

TEST_F(ArchiveEditTest, SessionsAreRemovedAllOrNoneAndTheirFilesStay) {
    const qint64 first = session(QStringLiteral("1.pvo")).id;
    const qint64 ben = session(QStringLiteral("ben.pvo")).id;
    refuse(QStringLiteral("BEFORE DELETE ON sitzung WHEN OLD.id = ") + QString::number(ben));
    EXPECT_FALSE(removeSessions(*archive, {first, ben}, error));
    EXPECT_EQ(error.kind, ArchiveError::Kind::Database);
    EXPECT_EQ(sessions().size(), 4u) << "the first session must not be gone alone";

    QSqlQuery drop(archive->db());
    ASSERT_TRUE(drop.exec(QStringLiteral("DROP TRIGGER verweigert")));
    error = {};
    ASSERT_TRUE(removeSessions(*archive, {first, ben}, error));
    EXPECT_EQ(sessions().size(), 2u);
    EXPECT_EQ(shooter(QStringLiteral("Ben")), 0) << "a shooter without sessions goes";
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("ben.pvo"))));
}

TEST_F(ArchiveEditTest, RenameAndMergeSayWhyTheyAreRefused) {
    const qint64 anna = shooter(QStringLiteral("Anna"));
    const qint64 ben = shooter(QStringLiteral("Ben"));
    EXPECT_FALSE(renameShooter(*archive, ben, QStringLiteral("Anna"), error));
    EXPECT_EQ(error, (ArchiveError{ArchiveError::Kind::ShooterNameTaken, archive->path(),
                                   QStringLiteral("Anna"), 0}));

    // Merged into a shooter who has gone meanwhile: nothing moves.
    error = {};
    EXPECT_FALSE(mergeShooters(*archive, ben, anna + ben + 100, error));
    EXPECT_EQ(error.kind, ArchiveError::Kind::ShooterGone);
    EXPECT_EQ(shooter(QStringLiteral("Ben")), ben);

    error = {};
    ASSERT_TRUE(mergeShooters(*archive, ben, anna, error));
    EXPECT_EQ(session(QStringLiteral("ben.pvo")).shooter, QStringLiteral("Anna"));
    EXPECT_EQ(shooter(QStringLiteral("Ben")), anna) << "his earlier name leads to Anna";
}

TEST_F(ArchiveEditTest, AnArchiveOfANewerProgramIsNotChangedAndSaysWhy) {
    {
        QSqlQuery q(archive->db());
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA user_version = 9")));
    }
    archive.reset();
    archive = TrainingArchive::open(file(QStringLiteral("archiv.sqlite")), error);
    ASSERT_TRUE(archive);
    const ArchivedSession first = session(QStringLiteral("1.pvo"));
    EXPECT_FALSE(removeSessions(*archive, {first.id}, error));
    EXPECT_EQ(error, archive->notice());
    EXPECT_EQ(error.schema, 9);
    EXPECT_FALSE(editSession(*archive, first, {QStringLiteral("Gast"), {}, {}}, error));
    EXPECT_FALSE(
        renameShooter(*archive, shooter(QStringLiteral("Ben")), QStringLiteral("B."), error));
    EXPECT_EQ(sessions().size(), 4u);
    EXPECT_EQ(session(QStringLiteral("1.pvo")).shooter, QStringLiteral("Anna"));
}

// "Saisonbericht als PDF…" without a window: the sessions the filter
// chooses, a file not on this PC from the archive's copy, the files that
// could not be read left out and named.
TEST_F(ArchiveEditTest, TheSeasonReportOfTheSessionsShown) {
    QFile::remove(file(QStringLiteral("2.pvo")));
    QFile::remove(file(QStringLiteral("3.pvo")));
    {
        QSqlQuery q(archive->db());
        ASSERT_TRUE(
            q.exec(QStringLiteral("DELETE FROM datei WHERE hash = (SELECT hash FROM "
                                  "sitzung WHERE pfad LIKE '%/3.pvo')")));
    }
    SeasonReportRequest request;
    request.shooterId = shooter(QStringLiteral("Anna"));
    request.shooter = QStringLiteral("Anna");
    request.filter.from = QDate(2026, 9, 5);
    request.path = file(QStringLiteral("saison.pdf"));
    request.userName = QStringLiteral("Trainerin");
    int pages = 0;
    QString title;
    const auto writer = [&](const QString& path, const ReportInput& input) {
        EXPECT_EQ(path, request.path);
        EXPECT_EQ(input.userName, QStringLiteral("Trainerin"));
        EXPECT_EQ(input.sessions.size(), 1u);
        pages = static_cast<int>(input.extraPages.size());
        title = input.extraPages.empty() ? QString() : input.extraPages.front().title;
        return FileWriteResult{true, {}, {}};
    };
    SeasonReportResult r = writeSeasonReport(*archive, request, writer);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.sessions, 1);
    ASSERT_EQ(r.leftOut.size(), 1);
    EXPECT_TRUE(r.leftOut[0].contains(QStringLiteral("3.pvo")));
    EXPECT_EQ(pages, kMetricCount) << "one page per metric, no rings";
    EXPECT_EQ(title, QStringLiteral("Saison: Anna"));

    // A file that cannot be written is said with the system's reason.
    r = writeSeasonReport(*archive, request, [](const QString&, const ReportInput&) {
        return FileWriteResult{false, QStringLiteral("Datenträger voll"), {}};
    });
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.archive.ok());
    EXPECT_EQ(r.written.reason, QStringLiteral("Datenträger voll"));
}

// Rings typed into a document say why they cannot be kept.
TEST_F(ArchiveEditTest, ARingIsKeptOnlyForASavedFileInTheArchive) {
    const QString ini = file(QStringLiteral("Archiv.ini"));
    DocumentScores scores(file(QStringLiteral("archiv.sqlite")), ini);
    TakeUpScore ring;
    ring.ring = 9.5;
    const std::vector<uint64_t> none;
    EXPECT_EQ(scores.store(file(QStringLiteral("neu.pvo")), false, none, 1, ring).kind,
              RingStore::Kind::SaveFirst);

    writeSession(file(QStringLiteral("4.pvo")), QStringLiteral("Anna"),
                 QStringLiteral("01.10.2026"), {40});
    ASSERT_TRUE(saveArchiveSettings({false, {}}, ini));
    const RingStore refused =
        scores.store(file(QStringLiteral("4.pvo")), true, std::vector<uint64_t>{7}, 1, ring);
    EXPECT_EQ(refused.kind, RingStore::Kind::NotImported);
    EXPECT_FALSE(ScoreTexts::RingNotStored(refused).isEmpty());

    writeAll(file(QStringLiteral("kaputt.pvo")), bytes({9, 0, 0, 0}));
    ASSERT_TRUE(saveArchiveSettings({true, {}}, ini));
    const RingStore wrong =
        scores.store(file(QStringLiteral("kaputt.pvo")), true, std::vector<uint64_t>{7}, 1, ring);
    EXPECT_EQ(wrong.kind, RingStore::Kind::Refused);
    EXPECT_EQ(ScoreTexts::RingNotStored(wrong), ArchiveTexts::Refusal(wrong.refused));
}

}  // namespace
