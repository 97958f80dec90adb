// The simulator's shooter, measured and judged as the program measures and
// judges: every habit it was given shows in the verdicts of the built-in
// drills, so that a demonstration or a test gets passes and failures at
// the rates it asked for.

#include "analysis/AnalysisSettings.h"
#include "analysis/Metrics.h"
#include "drills/Drill.h"
#include "drills/DrillVerdict.h"

#include "TakeUpGenerator.h"

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

bool passes(BuiltInDrill which, const TakeUpMetrics& m) {
    const TakeUpVerdict v = judgeTakeUp(builtInDrill(which), m, {});
    EXPECT_TRUE(v.judged);
    return v.passed;
}

}  // namespace

TEST(ShooterModel, EveryHabitShowsInTheVerdicts) {
    qtxsim::ShooterModel model;
    model.shotLowMs = 2000;
    model.shotHighMs = 10000;
    model.holdLowMs = 500;
    model.holdHighMs = 5000;
    model.jerk = 0.3;
    model.release = 0.2;
    model.noShot = 0.1;
    qtxsim::TakeUpGenerator generator(3);
    generator.SetShooter(model);
    const AnalysisSettings settings;
    int shots = 0;
    int jerks = 0;
    int releases = 0;
    constexpr int kTakeUps = 400;
    for (int i = 0; i < kTakeUps; ++i) {
        const qtxsim::Record record = generator.Next(160);
        const qtxsim::ShooterPull& pull = generator.LastPull();
        TakeUpMetrics m = measureTakeUp(record.threshold, record.samples);
        m.Zucken = m.Anstieg_200 && *m.Anstieg_200 > settings.zuckenAnstieg;
        m.Nachlassen = m.Halt_160 && *m.Halt_160 < settings.nachlassenHalt;
        SCOPED_TRACE(i);
        ASSERT_EQ(m.hasShot(), pull.shot);
        if (!pull.shot) {
            EXPECT_FALSE(m.Ton_ms) << "put down before the tone threshold";
            continue;
        }
        ++shots;
        jerks += pull.jerk ? 1 : 0;
        releases += pull.release ? 1 : 0;
        ASSERT_EQ(m.Schuss_ms, pull.shotMs);
        ASSERT_EQ(m.TonSchuss_ms, pull.holdMs);
        EXPECT_GE(pull.shotMs, model.shotLowMs - 20);
        EXPECT_LE(pull.shotMs, model.shotHighMs);
        EXPECT_EQ(passes(BuiltInDrill::SchussImZeitfenster, m),
                  pull.shotMs >= 3000 && pull.shotMs <= 8000);
        EXPECT_EQ(passes(BuiltInDrill::DruckpunktHalten, m),
                  pull.holdMs >= 1000 && pull.holdMs <= 4000);
        EXPECT_EQ(passes(BuiltInDrill::OhneZucken, m), !pull.jerk);
        EXPECT_EQ(m.Zucken, pull.jerk);
        EXPECT_EQ(passes(BuiltInDrill::Nachhalten, m), !pull.release);
        EXPECT_EQ(m.Nachlassen, pull.release);
    }
    // The shares, within what 400 draws leave open.
    EXPECT_NEAR(shots, 0.9 * kTakeUps, 30);
    EXPECT_NEAR(jerks, 0.3 * shots, 30);
    EXPECT_NEAR(releases, 0.2 * shots, 30);
}

// A seed gives the same shooter every time.
TEST(ShooterModel, ASeedRepeatsTheTakeUps) {
    qtxsim::TakeUpGenerator a(9);
    qtxsim::TakeUpGenerator b(9);
    a.SetShooter(qtxsim::ShooterModel{});
    b.SetShooter(qtxsim::ShooterModel{});
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(a.Next(160).samples, b.Next(160).samples);
    }
}
