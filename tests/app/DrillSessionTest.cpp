// A drill over the simulated trainer at the real rate (a sample every 20 ms),
// started as "ostrevik --drill DRILL FILE.pvo" starts it: the verdicts the
// window gave, the ones kept in the archive when the file was saved, and a
// check of the saved file from the command line are one and the same.

#include "AppFixture.h"

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveScores.h"
#include "drills/DrillFile.h"
#include "drills/DrillRun.h"
#include "drills/ui/DrillWindow.h"

#include "HeadlessRun.h"

#include <QFile>

using namespace ostrevik;
using test::waitUntil;

namespace {

class DrillSessionTest : public test::AppFixture {};

// The stored verdicts as --drill-check writes a file's take-ups.
QByteArray storedAsCheck(const ArchivedDrillRun& run) {
    QByteArray out = "Nr;Schuss;Bestanden;Nicht_erfuellt\n";
    for (const ArchivedDrillVerdict& v : run.verdicts) {
        out += QByteArray::number(v.takeUp) + ';' + (v.passed ? "1;" : "0;");
        if (v.passed) {
            out += *v.passed ? '1' : '0';
        }
        out += ';' + v.missed.join(QLatin1Char(',')).toUtf8() + '\n';
    }
    return out;
}

TEST_F(DrillSessionTest, KeptVerdictsAreThoseOfTheCheckOfTheSavedFile) {
    // A shooter who breaks the shot after 1 to 3 s, now and then with a jerk
    // or letting go at once, and sometimes puts the gun down.
    qtxsim::SimulatorOptions options;
    options.pace = qtxsim::Pace::RealTime;
    options.seed = 11;
    options.shooter = qtxsim::ShooterModel{1000, 3000, 400, 1500, 0.3, 0.3, 0.15};
    qtxsim::Simulator& sim = addDevice(1, options);
    sim.QueueTakeUps(40);

    Drill drill;
    drill.name = QStringLiteral("Zügig und sauber");
    drill.takeUps = 6;
    drill.criteria = {DrillCriterion::limits(Metric::Schuss_ms, 1200, 2600),
                      DrillCriterion::limits(Metric::Anstieg_200, std::nullopt, 15),
                      DrillCriterion::limits(Metric::Halt_160, 90, std::nullopt)};
    const QString drillPath = dir.filePath(QStringLiteral("zuegig.json"));
    ASSERT_TRUE(writeDrillFile(drillPath, drill).ok);
    const QString pvo = dir.filePath(QStringLiteral("uebung.pvo"));

    form = std::make_unique<TForm1>(configPath);
    form->SetStartDrill(drillPath, pvo);
    form->show();
    ASSERT_TRUE(waitUntil([&] { return form->Started(); }, 5000));
    auto* window = form->findChild<DrillWindow*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->running())
        << (ui.messages.empty() ? std::string() : ui.messages.back().text.toStdString());
    ASSERT_TRUE(waitUntil([&] { return window->run() && window->run()->isFinished(); }, 120000));

    const DrillRun& run = *window->run();
    int passed = 0;
    int failed = 0;
    for (const DrillRun::Entry& e : run.entries()) {
        passed += e.verdict.judged && e.verdict.passed ? 1 : 0;
        failed += e.verdict.judged && !e.verdict.passed ? 1 : 0;
    }
    EXPECT_GT(passed, 0);
    EXPECT_GT(failed, 0);

    form->Documents().Speichern();
    ASSERT_TRUE(QFile::exists(pvo));
    ArchiveError error;
    const auto archive = TrainingArchive::open(TrainingArchive::defaultPath(), error);
    ASSERT_TRUE(archive);
    const std::optional<qint64> session = sessionOfFile(*archive, pvo, error);
    ASSERT_TRUE(session);
    std::vector<ArchivedDrillRun> runs;
    ASSERT_TRUE(loadDrillRuns(*archive, *session, runs, error));
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].name, drill.name);
    EXPECT_TRUE(runs[0].finished);
    ASSERT_EQ(runs[0].verdicts.size(), run.entries().size());
    for (size_t i = 0; i < run.entries().size(); ++i) {
        EXPECT_EQ(runs[0].verdicts[i].takeUp, run.entries()[i].verdict.number);
        EXPECT_EQ(runs[0].verdicts[i].record, run.entries()[i].record);
    }

    // The run covers every take-up of the new file but those after its end.
    const QString csv = dir.filePath(QStringLiteral("check.csv"));
    const test::Outcome check =
        test::runHeadless(QStringLiteral(OSTREVIK_BINARY),
                          {QStringLiteral("--drill-check"), drillPath, pvo, csv}, dir.path());
    ASSERT_EQ(check.exitCode, 0) << check.err.toStdString();
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> checked = file.readAll().split('\n');
    const QList<QByteArray> stored = storedAsCheck(runs[0]).split('\n');
    ASSERT_GE(checked.size(), stored.size());
    EXPECT_EQ(checked.mid(0, stored.size() - 1), stored.mid(0, stored.size() - 1));
}

}  // namespace
