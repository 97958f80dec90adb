#include "analysis/CsvExport.h"
#include "analysis/SampleStatistics.h"
#include "analysis/ScoreStatistics.h"
#include "scores/ScoreExport.h"

#include <gtest/gtest.h>

#include <QList>

using namespace ostrevik;

TEST(ScoreStatisticsTest, TQuantileForDegreesOfFreedomThatAreNotWhole) {
    // Whole degrees of freedom keep their table and series values.
    EXPECT_EQ(tQuantile975(4.0), tQuantile975(4));
    EXPECT_DOUBLE_EQ(tQuantile975(4.0), 2.7764451);
    EXPECT_DOUBLE_EQ(tQuantile975(29.0), 2.0452296);
    EXPECT_NEAR(tQuantile975(40.0), 2.021075, 1e-6);
    // Values from the t distribution's CDF, 1 - I_(v/(v+t^2))(v/2, 1/2) / 2
    // = 0.975 solved for t at 30 digits (mpmath).
    EXPECT_NEAR(tQuantile975(1.5), 6.0166631044, 1e-8);
    EXPECT_NEAR(tQuantile975(4.5), 2.6589123472, 1e-8);
    EXPECT_NEAR(tQuantile975(29.5), 2.0437249668, 1e-8);
    EXPECT_TRUE(std::isnan(tQuantile975(0.0)));
}

TEST(ScoreStatisticsTest, PearsonWithFisherIntervalAndSpearmanWithTies) {
    // x = 1..5, y = 2 4 5 4 5: deviations -2 -1 0 1 2 and -2 0 1 0 1, so
    // Sxy = 6, Sxx = 10, Syy = 6 and r = 6 / sqrt(60) = 0.774597.
    // z = atanh r = 1.031718, half width 1.959964 / sqrt(5 - 3) = 1.385904,
    // tanh(-0.354186) = -0.340082, tanh(2.417622) = 0.984236.
    // Mid-ranks of y: 1 2.5 4.5 2.5 4.5; with the ranks of x, Sxy = 7,
    // Syy = 9, rho = 7 / sqrt(90) = 0.737865.
    const std::vector<double> x = {1, 2, 3, 4, 5};
    const std::vector<double> y = {2, 4, 5, 4, 5};
    const Correlation c = correlate(x, y);
    EXPECT_EQ(c.n, 5);
    EXPECT_NEAR(*c.r, 0.774597, 1e-6);
    EXPECT_NEAR(*c.low, -0.340082, 1e-6);
    EXPECT_NEAR(*c.high, 0.984236, 1e-6);
    EXPECT_NEAR(*c.rho, 0.737865, 1e-6);

    // Below four pairs and without spread there is nothing to say.
    const Correlation three = correlate(std::vector<double>{1, 2, 3}, std::vector<double>{1, 3, 2});
    EXPECT_EQ(three.n, 3);
    EXPECT_FALSE(three.r || three.low || three.rho);
    EXPECT_FALSE(correlate(x, std::vector<double>(5, 9.5)).r);
    // A perfect line: the interval shrinks to r.
    const Correlation line = correlate(x, std::vector<double>{10, 9, 8, 7, 6});
    EXPECT_DOUBLE_EQ(*line.r, -1.0);
    EXPECT_DOUBLE_EQ(*line.low, -1.0);
    EXPECT_DOUBLE_EQ(*line.high, -1.0);
}

TEST(ScoreStatisticsTest, WelchDifferenceOfTwoMeans) {
    // With 9.0 9.4 9.8: mean 9.4, variance 0.16; without 9.6 10.0 10.2 10.6:
    // mean 10.1, variance 0.52 / 3. se^2 = 0.16/3 + 0.173333/4 = 0.096667,
    // se = 0.310913; df = 0.096667^2 / (0.053333^2/2 + 0.043333^2/3)
    // = 4.562387; t(0.975, 4.562387) = 2.646543 (mpmath), so
    // -0.7 -+ 0.822844.
    const std::vector<double> with = {9.0, 9.4, 9.8};
    const std::vector<double> without = {9.6, 10.0, 10.2, 10.6};
    const MeanDifference d = welchDifference(with, without);
    EXPECT_EQ(d.nWith, 3);
    EXPECT_EQ(d.nWithout, 4);
    EXPECT_NEAR(*d.difference, -0.7, 1e-12);
    EXPECT_NEAR(*d.degreesOfFreedom, 4.562387, 1e-6);
    EXPECT_NEAR(*d.low, -1.522844, 1e-6);
    EXPECT_NEAR(*d.high, 0.122844, 1e-6);

    // One shot with the tag: its mean, but no difference.
    const MeanDifference one = welchDifference(std::vector<double>{9.0}, without);
    EXPECT_DOUBLE_EQ(*one.meanWith, 9.0);
    EXPECT_FALSE(one.difference || one.low);
    // No spread in either group: the difference has no width.
    const MeanDifference flat =
        welchDifference(std::vector<double>{9, 9}, std::vector<double>{10, 10});
    EXPECT_DOUBLE_EQ(*flat.low, -1.0);
    EXPECT_DOUBLE_EQ(*flat.high, -1.0);
}

namespace {

TakeUpScore score(int takeUp, double ring) {
    TakeUpScore s;
    s.takeUp = takeUp;
    s.ring = ring;
    return s;
}

// Seven shots: Zucken on the first three (rings 9.0 9.4 9.8, the others
// 9.6 10.0 10.2 10.6, the Welch example above); Zeit bis Schuss 100..500 ms
// on the first five only; Halt_160 known on two of them; Abweichung on none.
std::vector<ScoredTakeUp> sevenShots() {
    const double rings[] = {9.0, 9.4, 9.8, 9.6, 10.0, 10.2, 10.6};
    std::vector<ScoredTakeUp> t;
    for (int i = 0; i < 7; ++i) {
        ScoredTakeUp s;
        s.ring = rings[i];
        s.metrics.shotIndex = 10;
        s.metrics.Anstieg_200 = i < 3 ? 30.0 : 5.0;
        s.metrics.Zucken = i < 3;
        if (i < 5) {
            s.metrics.Schuss_ms = (i + 1) * 100;
        }
        if (i < 2) {
            s.metrics.Halt_160 = i == 0 ? 50.0 : 95.0;
            s.metrics.Nachlassen = i == 0;
        }
        t.push_back(s);
    }
    return t;
}

}  // namespace

TEST(ScoreStatisticsTest, TableCsvAndWordsForTheCoach) {
    const ScoreTable table = scoreTable(sevenShots());
    EXPECT_EQ(table.scored, 7);
    const QList<QByteArray> lines = scoreAnalysisCsv(table).split('\n');
    ASSERT_EQ(lines.size(), 1 + kMetricCount + 3 + 1);  // the last line's end
    EXPECT_EQ(lines[0], "Art;Name;n;Wert;KI_unten;KI_oben");
    // Rings 9.0 9.4 9.8 9.6 10.0 against 1..5 (x100 ms): Sxy = 2.2,
    // Syy = 0.592, r = 2.2 / sqrt(5.92) = 0.904194; Fisher's interval
    // 0.108415 ... 0.993726; ranks 1 2 4 3 5, rho = 1 - 6 x 2 / 120 = 0.9.
    EXPECT_EQ(lines[1], "Korrelation;Dauer_ms;7;;;");  // all 0 ms: no spread
    EXPECT_EQ(lines[2], "Korrelation;Ton_ms;0;;;");
    EXPECT_EQ(lines[3], "Korrelation;Schuss_ms;5;0,904;0,108;0,994");
    EXPECT_EQ(lines[11], "Differenz;Zucken;7;-0,700;-1,523;0,123");
    EXPECT_EQ(lines[12], "Differenz;Nachlassen;2;;;");
    EXPECT_EQ(lines[13], "Differenz;Unruhig;0;;;");

    const Correlation& c = table.metrics[2].correlation;
    EXPECT_NEAR(*c.rho, 0.9, 1e-12);
    EXPECT_EQ(correlationText(Metric::Schuss_ms, c),
              QStringLiteral("Zeit bis Schuss und Ring: r = 0,90, 95 %-Intervall 0,11 … 0,99 "
                             "(Spearman ρ = 0,90, n = 5)"));
    EXPECT_EQ(correlationText(Metric::Ton_ms, table.metrics[1].correlation),
              QStringLiteral("Zeit bis Tonschwelle und Ring: zu wenige Schüsse für eine "
                             "Korrelation (n = 0)"));
    EXPECT_EQ(differenceText(Tag::Zucken, table.tags[0].difference),
              QStringLiteral("Mit Zucken: 9,40 Ringe, ohne: 10,10 — Differenz −0,70, "
                             "95 %-Intervall −1,52 … 0,12"));
    EXPECT_EQ(differenceText(Tag::Nachlassen, table.tags[1].difference),
              QStringLiteral("Mit Nachlassen: 9,00 Ringe, ohne: 9,40 — zu wenige Schüsse für "
                             "einen Vergleich (mit: 1, ohne: 1)"));
    EXPECT_EQ(differenceText(Tag::Unruhig, table.tags[2].difference),
              QStringLiteral("Kein Schuss, an dem sich Unruhig beurteilen lässt"));
}

TEST(ScoreStatisticsTest, RingColumnOfTheTakeUpFile) {
    const std::vector<uint8_t> shot = {50, 100, 127, 255, 127};
    const std::vector<uint8_t> noShot = {10, 20};
    const std::vector<uint8_t> shot2 = {254, 255};
    const TakeUpRecord records[] = {{100, shot}, {200, noShot}, {254, shot2}, {100, shot}};
    const SessionAnalysis a = analyseTakeUps(records, 8, {});
    // Take-up 2 has no shot: a score kept for it is not written.
    SessionScores scores;
    scores[1] = score(1, 9.8);
    scores[2] = score(2, 10.0);
    scores[4] = score(4, 10.0);

    const QList<QByteArray> plain = takeUpsCsv(a).split('\n');
    const QList<QByteArray> ringed = takeUpsCsv(a, &scores).split('\n');
    ASSERT_EQ(ringed.size(), plain.size());
    const char* rings[] = {";Ring", ";9,8", ";", ";", ";10,0", ""};
    for (qsizetype i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(ringed[i], plain[i] + rings[i]) << i;
    }
    EXPECT_EQ(ringText(9.85), QStringLiteral("9,85"));
    scores.clear();
    EXPECT_TRUE(takeUpsCsv(a, &scores).startsWith(plain[0] + ";Ring\n1;"));
}

TEST(ScoreStatisticsTest, ScoredTakeUpsOfASession) {
    const std::vector<uint8_t> shot = {50, 100, 127, 255, 127};
    const std::vector<uint8_t> noShot = {10, 20};
    const TakeUpRecord records[] = {{100, shot}, {200, noShot}, {100, shot}};
    const SessionAnalysis a = analyseTakeUps(records, 8, {});
    const SessionScores scores = {{2, score(2, 9.0)}, {3, score(3, 10.3)}};
    const std::vector<ScoredTakeUp> s = scoredTakeUps(a, scores);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].metrics.number(), 3);
    EXPECT_DOUBLE_EQ(s[0].ring, 10.3);
}

TEST(ScoreStatisticsTest, ScoreOfATakeUpOnlyWithItsShot) {
    const std::vector<uint8_t> shot = {50, 100, 127, 255, 127};
    const std::vector<uint8_t> noShot = {10, 20};
    const TakeUpRecord records[] = {{100, shot}, {200, noShot}, {100, shot}};
    const SessionAnalysis a = analyseTakeUps(records, 8, {});
    const SessionScores scores = {{2, score(2, 9.0)}, {3, score(3, 10.3)}};
    EXPECT_EQ(scoreOf(scores, a.rows[0]), nullptr) << "a shot without a score";
    EXPECT_EQ(scoreOf(scores, a.rows[1]), nullptr) << "a score without a shot means nothing";
    const TakeUpScore* third = scoreOf(scores, a.rows[2]);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third, &scores.at(3)) << "the score kept, not a copy";
    EXPECT_EQ(scoreOf({}, a.rows[2]), nullptr);
}
