#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveSettings.h"
#include "archive/ArchiveTexts.h"
#include "measurement/MeasurementDocument.h"
#include "scores/DocumentRings.h"
#include "scores/DocumentScores.h"
#include "scores/ScoreTexts.h"

#include "ArchiveFiles.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

TakeUpScore ringOf(int takeUp, double ring, uint64_t record = 0) {
    TakeUpScore s;
    s.takeUp = takeUp;
    s.ring = ring;
    s.record = record;
    return s;
}

class ScoreArchiveTest : public ::testing::Test {
protected:
    QString file(const QString& name) const { return dir.filePath(name); }

    std::unique_ptr<TrainingArchive> open() {
        ArchiveError error;
        auto a = TrainingArchive::open(file(QStringLiteral("archiv.sqlite")), error);
        EXPECT_TRUE(a) << ArchiveTexts::Problem(error).toStdString();
        return a;
    }

    // Takes the file in; its session and the fingerprints of its records.
    qint64 take(TrainingArchive& a, const QString& path, std::vector<uint64_t>& records) {
        ArchiveError error;
        const FileImport r = importFile(a, path, settings, error, &records);
        EXPECT_TRUE(error.ok());
        EXPECT_NE(r.outcome, ImportOutcome::Refused) << ArchiveTexts::Refusal(r).toStdString();
        return r.sessionId;
    }

    std::map<int, double> rings(TrainingArchive& a, qint64 session) {
        SessionScores s;
        ArchiveError error;
        EXPECT_TRUE(loadSessionScores(a, session, s, error))
            << ArchiveTexts::Problem(error).toStdString();
        std::map<int, double> out;
        for (const auto& [n, score] : s) {
            out[n] = score.ring;
        }
        return out;
    }

    QTemporaryDir dir;
    AnalysisSettings settings;
};

}  // namespace

// An archive made before rings existed is brought up to date with all it
// holds; rings can then be kept for its sessions.
TEST_F(ScoreArchiveTest, AnArchiveOfVersionOneGainsRingsAndKeepsItsSessions) {
    writeSession(file(QStringLiteral("a.pvo")), QStringLiteral("Anna"),
                 QStringLiteral("01.09.2026"), {40, 50});
    {
        // A session taken in, the file then left as the first version's
        // program leaves it: without the table of rings.
        auto a = open();
        std::vector<uint64_t> records;
        take(*a, file(QStringLiteral("a.pvo")), records);
        QSqlQuery q(a->db());
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE ring")));
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE uebung_ergebnis")));
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE uebung_lauf")));
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE datei")));
        ASSERT_TRUE(q.exec(QStringLiteral("ALTER TABLE sitzung DROP COLUMN datei_fehlt")));
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA user_version = 1")));
    }
    auto a = open();
    EXPECT_EQ(a->schemaVersion(), TrainingArchive::kSchemaVersion);
    QSqlQuery q(a->db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM druckpunktnahme")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 2);
    ArchiveError error;
    const std::optional<qint64> session = sessionOfFile(*a, file(QStringLiteral("a.pvo")), error);
    ASSERT_TRUE(session);
    SessionScores scores{{2, ringOf(2, 9.7)}};
    ASSERT_TRUE(replaceSessionScores(*a, *session, scores, error))
        << ArchiveTexts::Problem(error).toStdString();
    EXPECT_EQ(rings(*a, *session), (std::map<int, double>{{2, 9.7}}));
    // A ring for a take-up the session does not have is refused, and with it
    // the whole list.
    scores[3] = ringOf(3, 8.0);
    EXPECT_FALSE(replaceSessionScores(*a, *session, scores, error));
    EXPECT_EQ(rings(*a, *session).size(), 1u);
}

// A file changed after its rings were kept: each ring stays with the take-up
// it was given for, also when a record before it was removed and the
// take-ups are numbered anew.
TEST_F(ScoreArchiveTest, RingsStayWithTheirTakeUpsWhenTheFileChanges) {
    const QString path = file(QStringLiteral("a.pvo"));
    writeSession(path, QStringLiteral("Anna"), QStringLiteral("01.09.2026"), {40, 50, 60, 70});
    auto a = open();
    std::vector<uint64_t> records;
    const qint64 session = take(*a, path, records);
    SessionScores scores;
    const double typed[] = {9.1, 9.2, 9.3, 9.4};
    for (int n = 1; n <= 4; ++n) {
        scores[n] = ringOf(n, typed[n - 1], records[static_cast<size_t>(n - 1)]);
    }
    ArchiveError error;
    ASSERT_TRUE(replaceSessionScores(*a, session, scores, error));

    // A take-up appended: all stay.
    writeSession(path, QStringLiteral("Anna"), QStringLiteral("01.09.2026"), {40, 50, 60, 70, 80});
    EXPECT_EQ(importPaths(*a, {path}, settings).updated, 1);
    EXPECT_EQ(rings(*a, session), (std::map<int, double>{{1, 9.1}, {2, 9.2}, {3, 9.3}, {4, 9.4}}));

    // The second record removed: its ring goes, the later ones move up.
    writeSession(path, QStringLiteral("Anna"), QStringLiteral("01.09.2026"), {40, 60, 70, 80});
    EXPECT_EQ(importPaths(*a, {path}, settings).updated, 1);
    EXPECT_EQ(rings(*a, session), (std::map<int, double>{{1, 9.1}, {2, 9.3}, {3, 9.4}}));

    // Cut short: the rings of the take-ups that are gone go with them.
    writeSession(path, QStringLiteral("Anna"), QStringLiteral("01.09.2026"), {40, 60});
    EXPECT_EQ(importPaths(*a, {path}, settings).updated, 1);
    EXPECT_EQ(rings(*a, session), (std::map<int, double>{{1, 9.1}, {2, 9.3}}));

    // A document with a record removed but not saved sees its rings on the
    // records it has.
    const std::vector<uint64_t> document = {records[2]};
    SessionScores shown;
    ASSERT_TRUE(scoresOfFile(*a, path, document, shown, error));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_DOUBLE_EQ(shown.at(1).ring, 9.3);
}

TEST_F(ScoreArchiveTest, TheRingsOfAShooterInTheProgressAndAcrossTheSeason) {
    QDir(dir.path()).mkpath(QStringLiteral("s"));
    writeSession(file(QStringLiteral("s/1.pvo")), QStringLiteral("Anna"),
                 QStringLiteral("01.09.2026"), {40, 50, 60});
    writeSession(file(QStringLiteral("s/2.pvo")), QStringLiteral("Anna"),
                 QStringLiteral("01.10.2026"), {40, 50});
    writeSession(file(QStringLiteral("s/3.pvo")), QStringLiteral("Anna"),
                 QStringLiteral("01.11.2026"), {40});
    auto a = open();
    std::vector<uint64_t> records;
    ArchiveError error;
    const qint64 first = take(*a, file(QStringLiteral("s/1.pvo")), records);
    ASSERT_TRUE(
        replaceSessionScores(*a, first, {{1, ringOf(1, 9.0)}, {3, ringOf(3, 10.0)}}, error));
    const qint64 second = take(*a, file(QStringLiteral("s/2.pvo")), records);
    ASSERT_TRUE(replaceSessionScores(*a, second, {{2, ringOf(2, 10.4)}}, error));
    take(*a, file(QStringLiteral("s/3.pvo")), records);

    ProgressData data;
    ASSERT_TRUE(loadProgress(*a, {}, data, error)) << ArchiveTexts::Problem(error).toStdString();
    ASSERT_EQ(data.sessions.size(), 3u);
    const Summary& ring = data.sessions[0].figure(ProgressMetric::ring());
    EXPECT_EQ(ring.count, 2);
    EXPECT_DOUBLE_EQ(*ring.mean, 9.5);
    EXPECT_TRUE(ring.ci95Low());
    EXPECT_DOUBLE_EQ(*data.sessions[1].figure(ProgressMetric::ring()).mean, 10.4);
    EXPECT_FALSE(data.sessions[2].figure(ProgressMetric::ring()).mean);
    // Two sessions with rings make no trend; a session without rings is none of them.
    EXPECT_EQ(progressTrend(data, ProgressMetric::ring()).sessions, 2);
    EXPECT_TRUE(ArchiveTexts::TrendWords(progressTrend(data, ProgressMetric::ring()))
                    .startsWith(QStringLiteral("Ring: für einen Trend zu wenige")));

    ArchivedScores season;
    SessionFilter filter;
    filter.to = QDate(2026, 9, 30);
    ASSERT_TRUE(loadArchivedScores(*a, filter, season, error));
    EXPECT_EQ(season.sessions, 1);
    ASSERT_EQ(season.takeUps.size(), 2u);
    EXPECT_EQ(season.takeUps[1].metrics.Schuss_ms, 60 * 20);
    EXPECT_DOUBLE_EQ(season.takeUps[1].ring, 10.0);
    ASSERT_TRUE(loadArchivedScores(*a, {}, season, error));
    EXPECT_EQ(season.sessions, 2);
    EXPECT_EQ(season.takeUps.size(), 3u);
}

// The rings of an open document kept without a window: a ring typed is
// read, checked and kept under the session of the document's saved file, or
// refused with the reason; another document of the same file reads it back.
TEST_F(ScoreArchiveTest, ARingTypedIntoADocumentIsKeptOrRefusedWithTheReason) {
    const QString path = file(QStringLiteral("a.pvo"));
    const QString archivePath = file(QStringLiteral("archiv.sqlite"));
    const QString iniPath = file(QStringLiteral("Archiv.ini"));
    writeSession(path, QStringLiteral("Anna"), QStringLiteral("01.09.2026"), {40, 50});
    DisplaySettings display = DisplaySettings::defaults();
    MeasurementDocument document(&display);
    document.Dateiname = path;
    ASSERT_EQ(document.Laden().outcome, MeasurementDocument::LoadResult::Outcome::Loaded);
    DocumentRings rings(document, archivePath, iniPath);
    int changed = 0;
    QObject::connect(&rings, &DocumentRings::changed, [&changed] { ++changed; });

    document.Unbenannt = true;
    RingEntry entry = rings.enter(0, QStringLiteral("9,5"));
    EXPECT_EQ(entry.outcome, RingEntry::Outcome::NotKept);
    EXPECT_EQ(ScoreTexts::RingNotStored(entry.store), ScoreTexts::SaveFirst());
    document.Unbenannt = false;
    for (const char* notARing : {"11", "-0,1", "9,5x", "10,95"}) {
        EXPECT_EQ(rings.enter(0, QString::fromUtf8(notARing)).outcome, RingEntry::Outcome::NotARing)
            << notARing;
    }
    EXPECT_EQ(rings.enter(2, QStringLiteral("9,5")).outcome, RingEntry::Outcome::NoTakeUp);
    EXPECT_EQ(rings.enter(-1, QString()).outcome, RingEntry::Outcome::NoTakeUp);

    ASSERT_TRUE(saveArchiveSettings({false, {}}, iniPath));
    entry = rings.enter(0, QStringLiteral("9,5"));
    EXPECT_TRUE(ScoreTexts::RingNotStored(entry.store).contains(QStringLiteral("ausgeschaltet")));
    EXPECT_FALSE(QFileInfo::exists(archivePath)) << "no archive made for a refused ring";
    EXPECT_EQ(changed, 0);

    ASSERT_TRUE(saveArchiveSettings({true, {}}, iniPath));
    EXPECT_TRUE(rings.enter(1, QStringLiteral(" 10.4 ")).kept());
    EXPECT_EQ(changed, 1);
    EXPECT_DOUBLE_EQ(rings.scores().at(2).ring, 10.4);

    // A target's list replaces them all; a ring typed over an imported one
    // keeps where the shot hit.
    SessionScores list;
    list[1] = ringOf(1, 8.7);
    list[1].x = 3.5;
    ASSERT_TRUE(rings.importList(list).ok());
    EXPECT_EQ(changed, 2);
    ASSERT_TRUE(rings.enter(0, QStringLiteral("9")).kept());
    DocumentRings again(document, archivePath, iniPath);
    again.reload();
    ASSERT_EQ(again.scores().size(), 1u);
    EXPECT_DOUBLE_EQ(again.scores().at(1).ring, 9.0);
    ASSERT_TRUE(again.scores().at(1).x);
    EXPECT_DOUBLE_EQ(*again.scores().at(1).x, 3.5);
}
