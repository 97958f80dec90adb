#include "analysis/AnalysisSettings.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/Trend.h"
#include "measurement/Rasters.h"

#include "SmallDisk.h"
#include "TestFiles.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace ostrevik;

namespace {

using Samples = std::vector<uint8_t>;

double pct(double raw) {
    return raw * 100.0 / 254.0;
}

// `before` samples of value v, the shot, `after` samples of value w.
Samples takeUp(int before, int v, int after, int w) {
    Samples s(static_cast<size_t>(before), static_cast<uint8_t>(v));
    s.push_back(255);
    s.insert(s.end(), static_cast<size_t>(after), static_cast<uint8_t>(w));
    return s;
}

class Session {
public:
    Session& add(uint32_t threshold, Samples samples) {
        samples_.push_back(std::move(samples));
        thresholds_.push_back(threshold);
        return *this;
    }
    SessionAnalysis analyse(const AnalysisSettings& settings = {}, int secondsBeforeShot = 8) {
        std::vector<TakeUpRecord> records;
        for (size_t i = 0; i < samples_.size(); ++i) {
            records.push_back({thresholds_[i], samples_[i]});
        }
        return analyseTakeUps(records, secondsBeforeShot, settings);
    }

private:
    std::vector<Samples> samples_;
    std::vector<uint32_t> thresholds_;
};

}  // namespace

TEST(SessionAnalysisTest, MeanAndBandAtKnownOffsets) {
    Session s;
    s.add(100, takeUp(10, 100, 5, 100));
    s.add(250, Samples(30, 80));  // no shot: counted, left out
    s.add(120, takeUp(30, 120, 60, 120));
    s.add(140, takeUp(60, 140, 60, 140));
    const SessionAnalysis a = s.analyse();

    ASSERT_EQ(a.rows.size(), 4u);
    EXPECT_EQ(a.rows[2].listIndex, 2);
    EXPECT_EQ(a.overlay.withoutShot, 1);
    ASSERT_EQ(a.overlay.curves.size(), 3u);
    EXPECT_EQ(a.overlay.curves[1].listIndex, 2);
    EXPECT_EQ(a.overlay.curves[0].firstOffset, -10);
    EXPECT_EQ(a.overlay.curves[2].lastOffset(), 50);  // +1 s, not the record's end
    EXPECT_DOUBLE_EQ(*a.overlay.meanThreshold, pct(120));
    EXPECT_EQ(a.overlay.firstOffset, -400);

    const MeanPoint* all = a.overlay.meanAt(-1);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->count, 3);
    EXPECT_DOUBLE_EQ(all->mean, pct(120));
    EXPECT_NEAR(*all->sd, pct(20), 1e-12);
    const MeanPoint* two = a.overlay.meanAt(-20);  // the first record starts later
    EXPECT_EQ(two->count, 2);
    EXPECT_NEAR(*two->sd, pct(std::sqrt(200.0)), 1e-12);
    const MeanPoint* one = a.overlay.meanAt(-45);
    EXPECT_EQ(one->count, 1);
    EXPECT_FALSE(one->sd);
    EXPECT_FALSE(a.overlay.meanAt(0));  // the shot slot has no pressure
    EXPECT_EQ(a.overlay.meanAt(10)->count, 2);
    EXPECT_FALSE(a.overlay.meanAt(-61));
    EXPECT_EQ(overlayCaption(a),
              QStringLiteral("3 Druckpunktnahmen mit Schuss, 1 ohne Schuss (nicht gezeigt)"));
}

TEST(SessionAnalysisTest, DocumentLeavesTheCaptureTargetOut) {
    DisplaySettings settings = DisplaySettings::defaults();
    Rasters_t list(50, 4, 60, 60);
    list.Einstellungen = &settings;
    list.Anhaengen();
    for (uint8_t v : takeUp(20, 100, 10, 100)) {
        list.Letzter().WertAnhaengen(v);
    }
    list.Anhaengen();
    for (uint8_t v : takeUp(20, 100, 10, 100)) {
        list.Letzter().WertAnhaengen(v);  // still being captured
    }
    const SessionAnalysis a = analyseDocument(list, 8, {});
    EXPECT_EQ(a.rows.size(), 1u);
    EXPECT_EQ(a.overlay.curves.size(), 1u);
}

TEST(SessionAnalysisTest, OneTakeUpOnlyAndAShotAtIndexZero) {
    SessionAnalysis a = Session().add(100, takeUp(150, 120, 5, 90)).analyse();
    ASSERT_EQ(a.rows.size(), 1u);
    EXPECT_DOUBLE_EQ(*a.rows[0].Abweichung, 0.0);  // it is the mean
    EXPECT_FALSE(a.overlay.meanAt(-1)->sd);
    EXPECT_FALSE(a.unruhigLimit);
    EXPECT_FALSE(a.rows[0].Unruhig);

    a = Session().add(100, takeUp(0, 0, 30, 120)).add(100, takeUp(20, 100, 30, 120)).analyse();
    EXPECT_FALSE(a.rows[0].Abweichung);  // nothing before the shot to compare
    EXPECT_EQ(a.overlay.curves[0].firstOffset, 0);
    EXPECT_TRUE(a.rows[1].Abweichung);
}

TEST(SessionAnalysisTest, UncheckedSecondsBeforeShotAreHeldToTheirRange) {
    Session s;
    s.add(100, takeUp(20, 100, 10, 100));
    EXPECT_EQ(s.analyse({}, 2000000000).overlay.firstOffset, -99 * 50);
    EXPECT_EQ(s.analyse({}, -5).overlay.firstOffset, -50);
}

TEST(SessionAnalysisTest, AbweichungAndUnruhigAgainstTheDocument) {
    Session s;
    for (int i = 0; i < 9; ++i) {
        s.add(100, takeUp(120, 100, 10, 100));
    }
    s.add(100, takeUp(120, 200, 10, 100));
    // Mean over the 2 s before the shot: 110. Abweichung 10 nine times, 90
    // once: mean 18, SD sqrt(640), limit at 2 SD 18 + 50.6 < 90.
    const SessionAnalysis a = s.analyse();
    EXPECT_NEAR(*a.rows[0].Abweichung, pct(10), 1e-9);
    EXPECT_NEAR(*a.rows[9].Abweichung, pct(90), 1e-9);
    EXPECT_NEAR(*a.abweichung.mean, pct(18), 1e-9);
    EXPECT_NEAR(*a.abweichung.sd, pct(std::sqrt(640.0)), 1e-9);
    EXPECT_TRUE(a.rows[9].Unruhig);
    EXPECT_FALSE(a.rows[0].Unruhig);

    AnalysisSettings wide;
    wide.unruhigSd = 3.0;  // 18 + 75.9 > 90
    EXPECT_FALSE(s.analyse(wide).rows[9].Unruhig);
    // The comparison reaches 2 s back even when the overlay shows only 1 s,
    // and no further when it shows more.
    EXPECT_NEAR(*s.analyse({}, 1).rows[9].Abweichung, pct(90), 1e-9);
    Samples early = takeUp(120, 100, 10, 100);
    std::fill(early.begin(), early.begin() + 20, 250);
    const SessionAnalysis b =
        Session().add(100, takeUp(120, 100, 10, 100)).add(100, early).analyse();
    EXPECT_DOUBLE_EQ(*b.rows[1].Abweichung, 0.0);
}

TEST(SessionAnalysisTest, ZuckenAndNachlassenAtTheirThresholds) {
    // A rise of 63 raw is 24.8 points, 64 is 25.2; 160 of 200 kept is 80 %.
    auto record = [](int rise, int kept) {
        Samples r = takeUp(30, 100, 30, kept);
        r[29] = static_cast<uint8_t>(100 + rise);  // the shot pressure
        return r;
    };
    Session s;
    s.add(50, record(63, 200)).add(50, record(64, 200));
    s.add(50, record(100, 160)).add(50, record(100, 159));
    const SessionAnalysis a = s.analyse();
    EXPECT_FALSE(a.rows[0].Zucken);
    EXPECT_TRUE(a.rows[1].Zucken);
    EXPECT_FALSE(a.rows[2].Nachlassen);
    EXPECT_TRUE(a.rows[3].Nachlassen);

    AnalysisSettings strict;
    strict.zuckenAnstieg = 30.0;
    strict.nachlassenHalt = 79.0;
    const SessionAnalysis b = s.analyse(strict);
    EXPECT_FALSE(b.rows[1].Zucken);
    EXPECT_FALSE(b.rows[3].Nachlassen);
}

// Field by field, doubles exactly: the running sums must give what one pass
// over all take-ups gives.
void expectSameAnalysis(const SessionAnalysis& a, const SessionAnalysis& b) {
    ASSERT_EQ(a.rows.size(), b.rows.size());
    for (size_t i = 0; i < a.rows.size(); ++i) {
        EXPECT_TRUE(a.rows[i] == b.rows[i]) << "take-up " << i;
    }
    const ShotOverlay& o = a.overlay;
    const ShotOverlay& p = b.overlay;
    ASSERT_EQ(o.curves.size(), p.curves.size());
    for (size_t i = 0; i < o.curves.size(); ++i) {
        EXPECT_EQ(o.curves[i].row, p.curves[i].row);
        EXPECT_EQ(o.curves[i].firstOffset, p.curves[i].firstOffset);
        EXPECT_EQ(o.curves[i].samples, p.curves[i].samples);
    }
    ASSERT_EQ(o.mean.size(), p.mean.size());
    for (size_t i = 0; i < o.mean.size(); ++i) {
        EXPECT_EQ(o.mean[i].count, p.mean[i].count) << i;
        EXPECT_EQ(o.mean[i].mean, p.mean[i].mean) << i;
        EXPECT_EQ(o.mean[i].sd, p.mean[i].sd) << i;
    }
    EXPECT_EQ(o.meanThreshold, p.meanThreshold);
    EXPECT_EQ(o.withoutShot, p.withoutShot);
    EXPECT_EQ(a.abweichung.mean, b.abweichung.mean);
    EXPECT_EQ(a.abweichung.sd, b.abweichung.sd);
    EXPECT_EQ(a.unruhigLimit, b.unruhigLimit);
}

TEST(SessionAnalysisTest, TakeUpsAppendedOneByOneGiveTheWholeAnalysis) {
    // Short and long take-ups, shots early and late, none, a second shot mark.
    std::mt19937 random(7);
    auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::vector<Samples> samples;
    std::vector<TakeUpRecord> records;
    for (int i = 0; i < 40; ++i) {
        Samples r(static_cast<size_t>(between(5, 400)));
        for (uint8_t& v : r) {
            v = static_cast<uint8_t>(between(0, 254));
        }
        if (i % 7 != 3) {
            r[static_cast<size_t>(between(0, static_cast<int>(r.size()) - 1))] = kShotMark;
        }
        if (i % 11 == 5) {
            r.back() = kShotMark;
        }
        samples.push_back(std::move(r));
    }
    for (size_t i = 0; i < samples.size(); ++i) {
        records.push_back({static_cast<uint32_t>(between(0, 255)), samples[i]});
    }
    AnalysisSettings settings;
    settings.unruhigSd = 0.5;  // some take-ups are "Unruhig"
    const std::span<const TakeUpRecord> all(records);

    SessionAnalyser analyser(3, settings);
    const uint64_t series = analyser.analysis().overlay.curveSeries;
    for (size_t n = 1; n <= all.size(); n += n == 10 ? 5 : 1) {
        analyser.append(all.first(std::min(n, all.size())));
        expectSameAnalysis(analyser.analysis(),
                           analyseTakeUps(all.first(analyser.analysis().rows.size()), 3, settings));
    }
    analyser.append(all);
    EXPECT_EQ(analyser.analysis().overlay.curveSeries, series) << "the same series of curves";
    EXPECT_NE(analyseTakeUps(all, 3, settings).overlay.curveSeries, series);

    // Other thresholds judge the tags anew, as an analysis with them would.
    settings.zuckenAnstieg = 5.0;
    settings.unruhigSd = 0.1;
    analyser.setSettings(settings);
    expectSameAnalysis(analyser.analysis(), analyseTakeUps(all, 3, settings));
}

TEST(SessionAnalysisTest, SeriesOfTheChosenMetric) {
    Session s;
    for (int i = 0; i < 12; ++i) {
        // Shot at slot 10 + i: Schuss_ms 200 + 20 i; take-up 3 has no shot.
        s.add(50, i == 3 ? Samples(40, 60) : takeUp(10 + i, 60, 5, 60));
    }
    const Trend t = computeTrend(s.analyse(), Metric::Schuss_ms, 5);
    ASSERT_EQ(t.values.size(), 12u);
    EXPECT_FALSE(t.values[3]);
    EXPECT_EQ(t.values[11], 420.0);
    ASSERT_EQ(t.series.size(), 3u);
    EXPECT_EQ(t.series[0].rowCount, 5);
    EXPECT_EQ(t.series[0].values.count, 4);
    EXPECT_DOUBLE_EQ(*t.series[0].values.mean, (200 + 220 + 240 + 280) / 4.0);
    EXPECT_EQ(t.series[2].firstRow, 10);
    EXPECT_EQ(t.series[2].rowCount, 2);
    EXPECT_DOUBLE_EQ(*t.series[2].values.mean, 410.0);
    EXPECT_NEAR(*t.series[2].values.sd, std::sqrt(200.0), 1e-12);
    EXPECT_EQ(t.overall.count, 11);
}

TEST(SampleStatisticsTest, ConfidenceIntervalWithTheTDistribution) {
    const std::vector<double> v = {1, 2, 3, 4, 5};
    const Summary s = summarize(v);
    EXPECT_DOUBLE_EQ(*s.mean, 3.0);
    EXPECT_NEAR(*s.sd, std::sqrt(2.5), 1e-12);
    // t(0.975, 4) = 2.776445: 3 +- 1.963243.
    EXPECT_NEAR(*s.ci95Low(), 1.036757, 1e-6);
    EXPECT_NEAR(*s.ci95High(), 4.963243, 1e-6);

    EXPECT_NEAR(tQuantile975(1), 12.706205, 1e-6);
    EXPECT_NEAR(tQuantile975(40), 2.021075, 1e-6);
    EXPECT_NEAR(tQuantile975(1000), 1.962339, 1e-6);

    const std::vector<double> one = {7};
    const Summary single = summarize(one);
    EXPECT_EQ(single.mean, 7.0);
    EXPECT_FALSE(single.sd || single.ci95Low());
    EXPECT_FALSE(summarize({}).mean);
}

TEST(AnalysisSettingsTest, RoundTripDefaultsAndDamagedValues) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Analyse.ini"));
    EXPECT_EQ(loadAnalysisSettings(path), AnalysisSettings{});

    AnalysisSettings changed;
    changed.zuckenAnstieg = 30.5;
    changed.nachlassenHalt = 70.0;
    changed.unruhigSd = 2.5;
    changed.seriesLength = 5;
    changed.trendMetric = Metric::Halt_160;
    ASSERT_TRUE(saveAnalysisSettings(changed, path));
    EXPECT_EQ(loadAnalysisSettings(path), changed);

    {
        QSettings damaged(path, QSettings::IniFormat);
        damaged.setValue(QStringLiteral("Marken/ZuckenAnstieg"), QStringLiteral("viel"));
        damaged.setValue(QStringLiteral("Marken/NachlassenHalt"), -5);
        damaged.setValue(QStringLiteral("Verlauf/Serienlaenge"), 7);
        damaged.setValue(QStringLiteral("Verlauf/Metrik"), QStringLiteral("Unsinn"));
    }
    const AnalysisSettings read = loadAnalysisSettings(path);
    EXPECT_EQ(read.zuckenAnstieg, 25.0);
    EXPECT_EQ(read.nachlassenHalt, 80.0);
    EXPECT_EQ(read.unruhigSd, 2.5);
    EXPECT_EQ(read.seriesLength, 10);
    EXPECT_EQ(read.trendMetric, Metric::Schuss_ms);

    // Beside the program's configuration, never in it.
    EXPECT_TRUE(defaultAnalysisSettingsPath().endsWith(QStringLiteral("/Ostrevik/Analyse.ini")));
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    EXPECT_FALSE(saveAnalysisSettings(changed, blocker.fileName() + QStringLiteral("/a.ini")));
}

// The file as QSettings itself writes it, so that every reader of an INI file
// takes it as before; keys of others survive a save.
TEST(AnalysisSettingsTest, WrittenAsQSettingsWritesItKeepingOtherKeys) {
    QTemporaryDir dir;
    AnalysisSettings a;
    a.zuckenAnstieg = 2.0 / 3.0;
    a.nachlassenHalt = 80.5;
    a.unruhigSd = 1e-7;
    a.seriesLength = 5;
    a.trendMetric = Metric::Anstieg_200;
    const QString byQt = dir.filePath(QStringLiteral("qt.ini"));
    {
        QSettings s(byQt, QSettings::IniFormat);
        s.setValue(QStringLiteral("Marken/ZuckenAnstieg"), a.zuckenAnstieg);
        s.setValue(QStringLiteral("Marken/NachlassenHalt"), a.nachlassenHalt);
        s.setValue(QStringLiteral("Marken/UnruhigStandardabweichungen"), a.unruhigSd);
        s.setValue(QStringLiteral("Verlauf/Serienlaenge"), a.seriesLength);
        s.setValue(QStringLiteral("Verlauf/Metrik"), metricName(a.trendMetric));
    }
    EXPECT_EQ(analysisSettingsIni(a, {}), test::readAll(byQt));

    const QString path = dir.filePath(QStringLiteral("Analyse.ini"));
    {
        QSettings s(path, QSettings::IniFormat);
        s.setValue(QStringLiteral("Fenster/Geometrie"), QStringLiteral("a;b=c"));
        s.setValue(QStringLiteral("Verlauf/Farbe"), 7);
        s.setValue(QStringLiteral("Verlauf/Metrik"), QStringLiteral("Dauer_ms"));
    }
    ASSERT_TRUE(saveAnalysisSettings(a, path));
    EXPECT_EQ(loadAnalysisSettings(path), a);
    const QSettings s(path, QSettings::IniFormat);
    EXPECT_EQ(s.value(QStringLiteral("Fenster/Geometrie")).toString(), QStringLiteral("a;b=c"));
    EXPECT_EQ(s.value(QStringLiteral("Verlauf/Farbe")).toInt(), 7);
}

TEST(AnalysisSettingsTest, ASaveOnAFullDiskFailsAndKeepsTheOldFile) {
    test::SmallDisk disk;
    SKIP_WITHOUT(disk);
    const QString path = disk.path(QStringLiteral("Ostrevik/Analyse.ini"));
    AnalysisSettings a;
    ASSERT_TRUE(saveAnalysisSettings(a, path));
    const QByteArray before = test::readAll(path);
    disk.fill(0);
    a.seriesLength = 5;
    EXPECT_FALSE(saveAnalysisSettings(a, path));
    EXPECT_EQ(test::readAll(path), before);
    EXPECT_EQ(loadAnalysisSettings(path), AnalysisSettings{});
}

// A window's settings: each change written at once; another window's file
// taken over, but never over a change this one could not write.
TEST(AnalysisSettingsTest, TheFileTakesChangesAndOtherWindowsChanges) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Analyse.ini"));
    AnalysisSettingsFile mine(path);
    AnalysisSettingsFile other(path);
    ASSERT_TRUE(mine.setThresholds({30.0, 70.0, 1.5}));
    ASSERT_TRUE(mine.setTrend(Metric::Halt_160, 5));
    EXPECT_EQ(loadAnalysisSettings(path), mine.settings());
    EXPECT_FALSE(mine.reread()) << "its own file: nothing new";
    EXPECT_TRUE(other.reread());
    EXPECT_EQ(other.settings(), mine.settings());

    AnalysisSettingsFile unwritable(dir.path());
    EXPECT_FALSE(unwritable.setThresholds({40.0, 80.0, 2.0}));
    EXPECT_FALSE(unwritable.saved());
    EXPECT_FALSE(unwritable.reread());
    EXPECT_DOUBLE_EQ(unwritable.settings().zuckenAnstieg, 40.0) << "it holds all the same";
}
