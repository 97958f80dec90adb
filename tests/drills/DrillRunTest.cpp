#include "analysis/LiveAnalysis.h"
#include "drills/DrillRun.h"
#include "drills/DrillTexts.h"
#include "measurement/MeasurementDocument.h"

#include <QSignalSpy>

#include "CaptureTakeUp.h"

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

// A take-up the device sends: `beforeShot` samples of 120, the shot (when
// there is one), 30 samples of 110.
void takeUp(MeasurementDocument& d, int beforeShot, bool shot = true) {
    test::captureTakeUp(d, beforeShot, 120, shot, 30, 110);
}

// A shot within 1 s passes.
Drill quickShot(int takeUps, FeedbackSchedule feedback) {
    Drill d;
    d.name = QStringLiteral("Schnell");
    d.takeUps = takeUps;
    d.feedback = feedback;
    d.criteria = {DrillCriterion::limits(Metric::Schuss_ms, std::nullopt, 1000)};
    return d;
}

// Which of 30 positions each schedule shows at once.
QString shownPattern(FeedbackSchedule schedule) {
    QString pattern;
    for (int p = 1; p <= 30; ++p) {
        pattern += shownAtOnce(schedule, p, 30) ? QLatin1Char('x') : QLatin1Char('.');
    }
    return pattern;
}

}  // namespace

TEST(DrillSchedule, OverThirtyTakeUps) {
    EXPECT_EQ(shownPattern(FeedbackSchedule::Jede), QString(30, QLatin1Char('x')));
    EXPECT_EQ(shownPattern(FeedbackSchedule::JedeZweite), QStringLiteral("x.").repeated(15));
    EXPECT_EQ(shownPattern(FeedbackSchedule::Ausblendend), QString(10, QLatin1Char('x')) +
                                                               QStringLiteral("x.").repeated(5) +
                                                               QString(10, QLatin1Char('.')));
    EXPECT_EQ(shownPattern(FeedbackSchedule::AmEnde), QString(30, QLatin1Char('.')));
}

// A run judges the take-ups after its start, one verdict each, the shown
// ones as the schedule says, take-ups without a shot apart, until the
// drill's count is reached; its verdicts are judgeTakeUp's over the
// document's analysis.
TEST(DrillRun, FollowsTheDocumentToTheDrillsEnd) {
    const DisplaySettings display = DisplaySettings::defaults();
    MeasurementDocument d(&display);
    takeUp(d, 30);
    takeUp(d, 30);
    LiveAnalysis& live = LiveAnalysis::of(d);
    DrillRun run(live, quickShot(30, FeedbackSchedule::Ausblendend), {});
    QSignalSpy finished(&run, &DrillRun::finished);

    for (int i = 0; i < 34; ++i) {
        takeUp(d, i % 4 == 3 ? 60 : 40, i != 5 && i != 12);
    }
    ASSERT_EQ(finished.count(), 1);
    EXPECT_TRUE(run.isFinished());
    EXPECT_FALSE(run.following());
    // 32 take-ups make 30 with a shot; the 33rd and 34th are not the run's.
    ASSERT_EQ(run.entries().size(), 32u);
    const DrillCounts counts = run.counts();
    EXPECT_EQ(counts, (DrillCounts{30, 30, 22, 2}));
    EXPECT_EQ(DrillTexts::Progress(counts),
              QStringLiteral("30 von 30, davon 22 bestanden; 2 ohne Schuss"));

    QString shown;
    for (size_t i = 0; i < run.entries().size(); ++i) {
        const DrillRun::Entry& e = run.entries()[i];
        EXPECT_EQ(e.verdict, judgeTakeUp(run.drill(), live.analysis().rows[i + 2], {})) << i;
        EXPECT_EQ(e.record, live.fingerprints()[i + 2]);
        if (e.verdict.judged) {
            shown += e.shown ? QLatin1Char('x') : QLatin1Char('.');
        } else {
            EXPECT_EQ(e.position, 0);
        }
    }
    EXPECT_EQ(shown, shownPattern(FeedbackSchedule::Ausblendend));
    EXPECT_EQ(run.entries().back().position, 30);
}

// Records removed during a run: one before it shifts the run's numbers, one
// of the run's leaves it; the run goes on with the next take-up.
TEST(DrillRun, ARemovedTakeUpLeavesTheRun) {
    const DisplaySettings display = DisplaySettings::defaults();
    MeasurementDocument d(&display);
    takeUp(d, 30);
    takeUp(d, 31);
    LiveAnalysis& live = LiveAnalysis::of(d);
    DrillRun run(live, quickShot(4, FeedbackSchedule::Jede), {});
    QSignalSpy changed(&run, &DrillRun::verdictsChanged);
    takeUp(d, 40);
    takeUp(d, 60);
    takeUp(d, 41);
    ASSERT_EQ(run.entries().size(), 3u);
    EXPECT_EQ(changed.count(), 3);

    d.Entfernen(0);  // before the run
    d.Entfernen(2);  // the run's second, which missed
    ASSERT_EQ(run.entries().size(), 2u);
    EXPECT_EQ(run.entries()[0].verdict.number, 2);
    EXPECT_EQ(run.entries()[1].verdict.number, 3);
    EXPECT_EQ(run.counts(), (DrillCounts{4, 2, 2, 0}));

    takeUp(d, 42);
    takeUp(d, 43);
    EXPECT_TRUE(run.isFinished());
    EXPECT_EQ(run.entries().back().verdict.number, 5);
    EXPECT_EQ(run.counts(), (DrillCounts{4, 4, 4, 0}));
}
