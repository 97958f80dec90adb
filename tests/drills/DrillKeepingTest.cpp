#include "analysis/AnalysisSettings.h"
#include "analysis/LiveAnalysis.h"
#include "analysis/TrainingSession.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveSessions.h"
#include "archive/ArchiveTexts.h"
#include "drills/DrillKeeping.h"
#include "drills/DrillReport.h"
#include "drills/DrillRun.h"
#include "drills/DrillTexts.h"
#include "measurement/MeasurementDocument.h"

#include "CaptureTakeUp.h"

#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

// A shot within 1 s passes.
Drill quickShot(int takeUps) {
    Drill d;
    d.name = QStringLiteral("Schnell");
    d.takeUps = takeUps;
    d.criteria = {DrillCriterion::limits(Metric::Schuss_ms, std::nullopt, 1000),
                  DrillCriterion::noTag(Tag::Nachlassen)};
    return d;
}

// A document saved to a file and taken into an archive, as the program does
// after "Speichern".
class DrillKeepingTest : public ::testing::Test {
protected:
    DrillKeepingTest() : doc(&display) {
        doc.Kopf.setName(QStringLiteral("Anna"));
        doc.Kopf.setDatum(QStringLiteral("08.09.2026"));
        doc.SetzeDateiname(pvo);
        doc.Unbenannt = false;
    }

    void takeUp(int beforeShot, bool shot = true) {
        test::captureTakeUp(doc, beforeShot, 120, shot, 30, 110);
    }

    // Saves and takes in the file, then keeps the document's drill runs.
    DrillRunsStore save() {
        EXPECT_EQ(doc.Speichern().outcome, MeasurementDocument::SaveResult::Outcome::Saved);
        ArchiveError error;
        auto archive = TrainingArchive::open(archivePath, error);
        EXPECT_TRUE(archive);
        EXPECT_TRUE(importPaths(*archive, {pvo}, AnalysisSettings{}).ok());
        archive.reset();
        return DocumentDrills::of(doc).store(pvo, archivePath);
    }

    std::vector<ArchivedDrillRun> stored() {
        ArchiveError error;
        auto archive = TrainingArchive::open(archivePath, error);
        std::vector<ArchivedDrillRun> runs;
        const std::optional<qint64> session = sessionOfFile(*archive, pvo, error);
        EXPECT_TRUE(session);
        EXPECT_TRUE(session && loadDrillRuns(*archive, *session, runs, error));
        return runs;
    }

    QTemporaryDir dir;
    const QString pvo = dir.filePath(QStringLiteral("a.pvo"));
    const QString archivePath = dir.filePath(QStringLiteral("archiv.sqlite"));
    const DisplaySettings display = DisplaySettings::defaults();
    MeasurementDocument doc;
};

}  // namespace

// The drill as judged goes with the run, the bands' values too, and reads
// back as it was.
TEST(DrillKeeping, TheKeptDrillReadsBackWithItsBands) {
    Drill drill = quickShot(5);
    drill.criteria.push_back(DrillCriterion::band(Metric::Halt_160, 1.5));
    const std::vector<double> values = {90, 92, 95, 97, 99};
    const PersonalBands bands = {makePersonalBand(Metric::Halt_160, values, 1.5)};
    const std::optional<KeptDrill> kept = keptDrill(keptDrillText(drill, bands));
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->drill, drill);
    EXPECT_EQ(kept->bands, bands);
    EXPECT_FALSE(keptDrill("{\"uebung\": {\"format\": \"x\"}, \"baender\": []}"));
    EXPECT_FALSE(keptDrill("nichts"));
}

// Saved during the run and again at its end: one run in the archive, with
// every verdict by take-up and record; a second run on the same document is
// kept beside it, also after the window has let the first one go.
TEST_F(DrillKeepingTest, RunsGoIntoTheArchiveWithTheSavedSession) {
    takeUp(30);
    auto run = std::unique_ptr<DrillRun>(startDrillRun(doc, quickShot(3), {}, nullptr));
    takeUp(40);
    takeUp(60, false);
    const DrillRunsStore kept = save();
    EXPECT_EQ(kept.runs, 1) << ArchiveTexts::Problem(kept.archive).toStdString();
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_FALSE(stored()[0].finished);
    EXPECT_EQ(stored()[0].verdicts.size(), 2u);

    takeUp(70);
    takeUp(45);
    ASSERT_TRUE(run->isFinished());
    run.reset();
    Drill other = quickShot(1);
    other.name = QStringLiteral("Kurz");
    auto second = std::unique_ptr<DrillRun>(startDrillRun(doc, other, {}, nullptr));
    takeUp(20);
    EXPECT_EQ(save().runs, 2);
    const std::vector<ArchivedDrillRun> runs = stored();
    ASSERT_EQ(runs.size(), 2u);
    const bool firstFirst = runs[0].name == quickShot(3).name;
    const ArchivedDrillRun& first = runs[firstFirst ? 0 : 1];
    EXPECT_EQ(runs[firstFirst ? 1 : 0].name, other.name);
    EXPECT_TRUE(first.finished);
    const std::vector<uint64_t>& records = LiveAnalysis::of(doc).fingerprints();
    const std::vector<ArchivedDrillVerdict> expected = {
        {2, records[1], true, {}},
        {3, records[2], std::nullopt, {}},
        {4, records[3], false, {QStringLiteral("Schuss_ms")}},
        {5, records[4], true, {}},
    };
    EXPECT_EQ(first.verdicts, expected);
    EXPECT_EQ(keptDrill(first.drill.toUtf8())->drill, quickShot(3));
}

// A take-up removed and the file saved again: the verdicts go with their
// records, the removed one's leaves; the same when the file changed
// elsewhere is taken in anew. Removing the session takes its runs along.
TEST_F(DrillKeepingTest, VerdictsFollowTheirRecords) {
    takeUp(30);
    auto run = std::unique_ptr<DrillRun>(startDrillRun(doc, quickShot(3), {}, nullptr));
    takeUp(40);
    takeUp(70);
    takeUp(45);
    save();
    run.reset();
    doc.Entfernen(0);  // before the run
    doc.Entfernen(1);  // the run's second
    save();
    std::vector<ArchivedDrillRun> runs = stored();
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_EQ(runs[0].verdicts.size(), 2u);
    EXPECT_EQ(runs[0].verdicts[0].takeUp, 1);
    EXPECT_EQ(runs[0].verdicts[1].takeUp, 2);
    EXPECT_EQ(runs[0].verdicts[1].record, LiveAnalysis::of(doc).fingerprints()[1]);

    // Changed by another program: the first take-up gone.
    doc.Entfernen(0);
    ASSERT_EQ(doc.Speichern().outcome, MeasurementDocument::SaveResult::Outcome::Saved);
    ArchiveError error;
    auto archive = TrainingArchive::open(archivePath, error);
    ASSERT_TRUE(importPaths(*archive, {pvo}, AnalysisSettings{}).ok());
    archive.reset();
    runs = stored();
    ASSERT_EQ(runs[0].verdicts.size(), 1u);
    EXPECT_EQ(runs[0].verdicts[0].takeUp, 1);

    archive = TrainingArchive::open(archivePath, error);
    const std::optional<qint64> session = sessionOfFile(*archive, pvo, error);
    ASSERT_TRUE(removeSession(*archive, *session, error));
    QSqlQuery q(archive->db());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM uebung_ergebnis")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM uebung_lauf")) && q.next());
    EXPECT_EQ(q.value(0).toInt(), 0);
}

// Nothing is written for a file outside the archive, and a damaged
// archive is said.
TEST_F(DrillKeepingTest, AFileOutsideTheArchiveKeepsNothing) {
    auto run = std::unique_ptr<DrillRun>(startDrillRun(doc, quickShot(3), {}, nullptr));
    takeUp(40);
    ASSERT_EQ(doc.Speichern().outcome, MeasurementDocument::SaveResult::Outcome::Saved);
    EXPECT_EQ(DocumentDrills::of(doc).store(pvo, archivePath).kind,
              DrillRunsStore::Kind::NotArchived);
    QFile damaged(archivePath);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    EXPECT_EQ(DocumentDrills::of(doc).store(pvo, archivePath).kind, DrillRunsStore::Kind::Archive);
}

// The progress follows a drill's pass rate per session, and the report's
// page "Übung" says of a kept run what the window said at its end.
TEST_F(DrillKeepingTest, PassRateAndReportPageFromTheKeptRuns) {
    takeUp(30);
    auto run = std::unique_ptr<DrillRun>(startDrillRun(doc, quickShot(3), {}, nullptr));
    takeUp(40);
    takeUp(70);
    takeUp(60, false);
    takeUp(45);
    ASSERT_TRUE(run->isFinished());
    save();

    ArchiveError error;
    auto archive = TrainingArchive::open(archivePath, error);
    ProgressData data;
    ASSERT_TRUE(loadProgress(*archive, SessionFilter{}, data, error));
    const std::vector<ArchivedSession> sessions = listSessions(*archive, SessionFilter{}, error);
    EXPECT_EQ(drillNamesRun(*archive, SessionFilter{}, sessions, error),
              QStringList{quickShot(3).name});
    ASSERT_TRUE(loadDrillPassRates(*archive, SessionFilter{}, quickShot(3).name, data, error));
    ASSERT_EQ(data.sessions.size(), 1u);
    const Summary& rate = data.sessions[0].figure(ProgressMetric::passRate());
    EXPECT_EQ(rate.count, 3);
    EXPECT_NEAR(*rate.mean, 200.0 / 3.0, 1e-9);
    ASSERT_TRUE(
        loadDrillPassRates(*archive, SessionFilter{}, QStringLiteral("Andere"), data, error));
    EXPECT_FALSE(data.sessions[0].figure(ProgressMetric::passRate()).mean);

    // Beside the shooter's earlier runs: this one once kept is not one of them.
    EXPECT_EQ(
        earlierRuns(archivePath, quickShot(3).name, pvo, QString(), QStringLiteral("neu"), error),
        (EarlierRuns{1, 3, 2}));
    EXPECT_EQ(earlierRuns(archivePath, quickShot(3).name, QString(), QStringLiteral("Anna"),
                          run->key(), error),
              (EarlierRuns{0, 0, 0}));
    EXPECT_EQ(DrillTexts::EarlierRunsText(1, 2, 3),
              QStringLiteral("Frühere Durchgänge: 1, zusammen 2 von 3 bestanden (67 %)."));

    std::vector<TakeUpVerdict> verdicts;
    for (const DrillRun::Entry& e : run->entries()) {
        verdicts.push_back(e.verdict);
    }
    const std::vector<ArchivedDrillRun> runs = stored();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(DrillTexts::Summary(quickShot(3), keptVerdicts(runs[0], quickShot(3))),
              DrillTexts::Summary(quickShot(3), verdicts));

    std::vector<TrainingSession> files(1);
    QString why;
    ASSERT_TRUE(loadTrainingSession(pvo, files[0], why));
    const std::optional<ReportPage> page = trainingDrillPage(archivePath, files, error);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->title, QStringLiteral("Übung"));
    files[0].Dateiname = dir.filePath(QStringLiteral("anderswo.pvo"));
    EXPECT_FALSE(trainingDrillPage(archivePath, files, error));
    EXPECT_TRUE(error.ok());
}
