#include "analysis/LiveAnalysis.h"
#include "analysis/TrainingSession.h"
#include "measurement/MeasurementDocument.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include "CaptureTakeUp.h"

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

// A take-up the device sends: 40 samples at v, the shot, 30 at w.
void takeUp(MeasurementDocument& d, int v, int w) {
    test::captureTakeUp(d, 40, static_cast<uint8_t>(v), true, 30, static_cast<uint8_t>(w));
}

}  // namespace

// A session's analysis is made once and follows it take-up by take-up: each
// one that ends is in it at once, measured alone; a record removed, a file
// read or another time range start it anew; other thresholds judge the tags
// anew without measuring again. It is the same as one made from scratch.
TEST(LiveAnalysis, FollowsTheDocumentTakeUpByTakeUp) {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    DisplaySettings display = DisplaySettings::defaults();
    MeasurementDocument d(&display);
    LiveAnalysis& live = LiveAnalysis::of(d);
    EXPECT_EQ(&LiveAnalysis::of(d), &live);
    QSignalSpy changed(&live, &LiveAnalysis::changed);
    QSignalSpy restarted(&live, &LiveAnalysis::restarted);

    for (int i = 0; i < 6; ++i) {
        takeUp(d, 120 + 10 * i, 110);
        ASSERT_EQ(live.analysis().rows.size(), static_cast<size_t>(i + 1));
    }
    EXPECT_EQ(live.fullPasses(), 1);
    EXPECT_EQ(changed.count(), 6);
    EXPECT_EQ(changed.last().at(0).toInt(), 1);
    EXPECT_EQ(live.fingerprints().size(), 6u);

    AnalysisSettings strict = live.settings();
    strict.zuckenAnstieg = 1.0;
    live.setSettings(strict);
    EXPECT_EQ(live.analysis().settings, strict);
    EXPECT_EQ(live.fullPasses(), 1);

    d.Entfernen(2);
    ASSERT_EQ(restarted.count(), 1);
    EXPECT_EQ(restarted.last().at(0).toInt(), 2);
    EXPECT_EQ(live.analysis().rows.size(), 5u);
    EXPECT_EQ(live.fullPasses(), 2);
    const SessionAnalysis fresh =
        analyseDocument(d.Liste(), display.secondsBeforeShot, live.settings());
    ASSERT_EQ(fresh.rows.size(), live.analysis().rows.size());
    for (size_t i = 0; i < fresh.rows.size(); ++i) {
        EXPECT_EQ(fresh.rows[i], live.analysis().rows[i]) << i;
    }

    display.secondsBeforeShot += 1;
    EXPECT_EQ(live.analysis().overlay.firstOffset, -display.secondsBeforeShot * 50);
    EXPECT_EQ(live.fullPasses(), 3);
    qunsetenv("XDG_CONFIG_HOME");
}

// A snapshot of an open document carries its live analysis: the exports and
// the report read it when they ask for the same settings, and measure anew
// when they ask for others.
TEST(LiveAnalysis, ASnapshotCarriesItForTheSameSettingsOnly) {
    const DisplaySettings display = DisplaySettings::defaults();
    MeasurementDocument document(&display);
    takeUp(document, 120, 110);
    takeUp(document, 120, 40);
    TrainingSession session = snapshotSession(document.Dateiname, document.Kopf, document.Liste());
    const LiveAnalysis& live = LiveAnalysis::of(document);
    session.Analyse = std::make_shared<const SessionAnalysis>(live.analysis());
    session.AnalyseSekunden = live.secondsUsed();

    const SessionAnalysis same =
        analyseSession(session, display.secondsBeforeShot, live.settings());
    ASSERT_EQ(same.rows.size(), 2u);
    EXPECT_EQ(same.rows[1].tagsText(), live.analysis().rows[1].tagsText());

    // A carried analysis is only read for its own settings: another
    // threshold judges the tags anew from the records.
    AnalysisSettings other = live.settings();
    other.nachlassenHalt = 1;
    const SessionAnalysis anew = analyseSession(session, display.secondsBeforeShot, other);
    EXPECT_EQ(anew.settings, other);
    EXPECT_NE(anew.rows[1].tagsText(), same.rows[1].tagsText());
    EXPECT_EQ(analyseSession(session, display.secondsBeforeShot + 1, live.settings()).rows.size(),
              2u);
}
