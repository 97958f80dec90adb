#include "analysis/Metrics.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ostrevik;

namespace {

using Samples = std::vector<uint8_t>;

double pct(double raw) {
    return raw * 100.0 / 254.0;
}

// value 10 * i before the shot at slot 20, then a follow-through.
Samples knownRecord() {
    Samples s;
    for (int i = 0; i < 20; ++i) {
        s.push_back(static_cast<uint8_t>(10 * i));
    }
    s.push_back(255);  // slot 20
    s.push_back(200);  // the peak, just after the shot
    while (s.size() < 51) {
        s.push_back(100);
    }
    s[28] = 152;  // 160 ms after the shot: 80 % of 190
    s[45] = 95;   // 500 ms after: 50 %
    return s;
}

}  // namespace

TEST(MetricsTest, EveryMetricOfAKnownRecord) {
    const Samples s = knownRecord();
    const TakeUpMetrics m = measureTakeUp(100, s);
    EXPECT_EQ(m.Dauer_ms, 51 * 20);
    EXPECT_EQ(m.Ton_ms, 10 * 20);  // first value >= 100, not only == 100
    EXPECT_EQ(m.Schuss_ms, 400);
    EXPECT_EQ(m.TonSchuss_ms, 200);
    EXPECT_DOUBLE_EQ(*m.Druck_Schuss, pct(190));
    EXPECT_DOUBLE_EQ(*m.Spitzendruck, pct(200));
    EXPECT_DOUBLE_EQ(*m.Anstieg_200, pct(190 - 90));
    EXPECT_EQ(*m.Halt_160, 80.0);
    EXPECT_EQ(*m.Halt_500, 50.0);
    EXPECT_FALSE(m.Abweichung);  // needs the document
}

TEST(MetricsTest, WhatARecordCannotHaveIsEmpty) {
    {
        SCOPED_TRACE("no shot");
        const TakeUpMetrics m = measureTakeUp(50, Samples{10, 60, 40});
        EXPECT_FALSE(m.hasShot());
        EXPECT_EQ(m.Dauer_ms, 60);
        EXPECT_EQ(m.Ton_ms, 20);
        EXPECT_DOUBLE_EQ(*m.Spitzendruck, pct(60));
        EXPECT_FALSE(m.Schuss_ms || m.TonSchuss_ms || m.Druck_Schuss || m.Anstieg_200 ||
                     m.Halt_160 || m.Halt_500);
    }
    {
        SCOPED_TRACE("shot at index 0");
        Samples s(40, 120);
        s[0] = 255;
        const TakeUpMetrics m = measureTakeUp(100, s);
        EXPECT_EQ(m.Schuss_ms, 0);
        EXPECT_EQ(m.Ton_ms, 20);
        EXPECT_FALSE(m.TonSchuss_ms);  // the threshold came after the shot
        EXPECT_FALSE(m.Druck_Schuss || m.Anstieg_200 || m.Halt_160 || m.Halt_500);
    }
    {
        SCOPED_TRACE("record ending at the shot");
        Samples s(11, 100);
        s.push_back(255);
        const TakeUpMetrics m = measureTakeUp(90, s);
        EXPECT_EQ(m.Dauer_ms, 12 * 20);  // the shot slot counts
        EXPECT_EQ(m.Schuss_ms, 220);
        EXPECT_DOUBLE_EQ(*m.Anstieg_200, 0.0);  // s = 11: just long enough
        EXPECT_FALSE(m.Halt_160 || m.Halt_500);
    }
    {
        SCOPED_TRACE("shot pressure 0");
        Samples s(10, 0);
        s.push_back(255);
        s.resize(40, 50);
        const TakeUpMetrics m = measureTakeUp(0, s);
        EXPECT_EQ(*m.Druck_Schuss, 0.0);  // a real value
        EXPECT_FALSE(m.Anstieg_200);      // s = 10 < 11
        EXPECT_FALSE(m.Halt_160 || m.Halt_500);
    }
    {
        SCOPED_TRACE("empty record");
        const TakeUpMetrics m = measureTakeUp(0, Samples{});
        EXPECT_EQ(m.Dauer_ms, 0);
        EXPECT_FALSE(m.Ton_ms || m.Spitzendruck);
    }
}

TEST(MetricsTest, AShotMarkIsNoPressure) {
    // The threshold is never reached: the shot mark must not count as
    // reaching it, nor as the peak.
    Samples s(20, 200);
    s.push_back(255);
    s.resize(30, 210);
    s[20 + 8] = 255;  // a second shot where the kept pressure is read
    const TakeUpMetrics m = measureTakeUp(254, s);
    EXPECT_FALSE(m.Ton_ms);
    EXPECT_FALSE(m.TonSchuss_ms);
    EXPECT_DOUBLE_EQ(*m.Spitzendruck, pct(210));
    EXPECT_FALSE(m.Halt_160);
}

TEST(MetricsTest, NamesAndTexts) {
    for (Metric metric : kMetrics) {
        EXPECT_EQ(metricFromName(metricName(metric)), metric);
        EXPECT_FALSE(metricCaption(metric).isEmpty());
    }
    EXPECT_FALSE(metricFromName(QStringLiteral("Unsinn")));
    EXPECT_EQ(metricHeader(Metric::Schuss_ms), QStringLiteral("Zeit bis Schuss (ms)"));

    EXPECT_EQ(formatMetricValue(Metric::Schuss_ms, 1240.0), QStringLiteral("1240"));
    EXPECT_EQ(formatMetricValue(Metric::Halt_160, 79.96), QStringLiteral("80,0"));
    EXPECT_EQ(formatMetricValue(Metric::Anstieg_200, -0.04), QStringLiteral("0,0"));
    EXPECT_EQ(formatMetricValue(Metric::Anstieg_200, -1.26), QStringLiteral("-1,3"));
    EXPECT_EQ(formatMetricValue(Metric::Halt_500, std::nullopt), QString());

    TakeUpMetrics m;
    EXPECT_EQ(m.tagsText(), QString());
    m.Zucken = m.Unruhig = true;
    EXPECT_EQ(m.tagsText(), QStringLiteral("Zucken, Unruhig"));
}

// The number as the document window writes it: four digits, more when needed.
TEST(MetricsTest, NumberTextHasFourDigits) {
    TakeUpMetrics m;
    m.listIndex = 6;
    EXPECT_EQ(m.numberText(), QStringLiteral("0007"));
    m.listIndex = 998;
    EXPECT_EQ(m.numberText(), QStringLiteral("0999"));
    m.listIndex = 12344;
    EXPECT_EQ(m.numberText(), QStringLiteral("12345"));
}
