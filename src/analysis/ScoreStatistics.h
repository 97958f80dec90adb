#pragma once

#include "analysis/Metrics.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/TakeUpScore.h"

#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace ostrevik {

// Which metric and which fault tag go with lower rings, and how sure that is.

// Pearson's r between two series of the same length, with its 95 % interval
// by Fisher's z (tanh(atanh r -+ 1.96 / sqrt(n - 3))), and Spearman's rho
// (Pearson's r of the ranks, tied values sharing their mean rank). Every
// figure is empty below kMinCorrelationPairs pairs and when either series
// does not vary.
struct Correlation {
    int n = 0;
    std::optional<double> r;
    std::optional<double> low;
    std::optional<double> high;
    std::optional<double> rho;
};
inline constexpr int kMinCorrelationPairs = 4;
Correlation correlate(std::span<const double> x, std::span<const double> y);

// The difference of two means (with minus without) with its 95 % interval
// by Welch: t(0.975, Welch-Satterthwaite degrees of freedom) times the
// standard error sqrt(s1^2/n1 + s2^2/n2). A mean is there from one value
// on; the difference and its interval need two in each group.
struct MeanDifference {
    int nWith = 0;
    int nWithout = 0;
    std::optional<double> meanWith;
    std::optional<double> meanWithout;
    std::optional<double> difference;
    std::optional<double> low;
    std::optional<double> high;
    std::optional<double> degreesOfFreedom;  // empty when neither group varies
};
MeanDifference welchDifference(std::span<const double> with, std::span<const double> without);

// A take-up with a shot and its score, from any session of a shooter.
struct ScoredTakeUp {
    TakeUpMetrics metrics;
    double ring = 0.0;
};

// The score of a take-up, null when it has none or no shot: a score kept
// for a take-up that has no shot (any more) means nothing.
const TakeUpScore* scoreOf(const SessionScores& scores, const TakeUpMetrics& m);

// The take-ups of an analysed session that have a shot and a score.
std::vector<ScoredTakeUp> scoredTakeUps(const SessionAnalysis& analysis,
                                        const SessionScores& scores);

struct MetricScoreRow {
    Metric metric;
    Correlation correlation;  // of the metric with the ring, over the take-ups that have it
};

struct TagScoreRow {
    Tag tag;
    // Ring with the tag minus ring without, over the take-ups the tag could
    // be judged on: a take-up without the metric a tag looks at (a record
    // ending too soon after the shot has no Halt_160) is in neither group.
    MeanDifference difference;
};

struct ScoreTable {
    int scored = 0;                       // take-ups with a shot and a score
    std::vector<MetricScoreRow> metrics;  // in the metrics' column order
    std::vector<TagScoreRow> tags;        // in the tags' order
};
ScoreTable scoreTable(std::span<const ScoredTakeUp> takeUps);

// The words a coach reads, German number format:
// "Zeit bis Schuss und Ring: r = −0,42, 95 %-Intervall −0,70 … −0,03
// (Spearman ρ = −0,38, n = 24)".
QString correlationText(Metric metric, const Correlation& c);
// "Mit Zucken: 9,41 Ringe, ohne: 9,78 — Differenz −0,37, 95 %-Intervall
// −0,61 … −0,13".
QString differenceText(Tag tag, const MeanDifference& d);

}  // namespace ostrevik
