#pragma once

#include "analysis/Metrics.h"
#include "drills/Drill.h"

#include <optional>
#include <span>
#include <vector>

namespace ostrevik {

// A shooter's own band of a metric, made of his latest archived take-ups:
// their median ± k robust standard deviations (1.4826 × the median absolute
// deviation, which a few wild take-ups do not widen as they would the
// standard deviation).
struct PersonalBand {
    Metric metric = Metric::Schuss_ms;
    int count = 0;        // take-ups it is made of
    double median = 0.0;  // in the take-up table's units
    double spread = 0.0;  // the robust standard deviation
    double k = 1.0;
    // median ∓ k × spread, rounded as the take-up table writes the metric, so
    // that a value shown on the band's edge is inside it.
    double low = 0.0;
    double high = 0.0;

    bool operator==(const PersonalBand&) const = default;
};
using PersonalBands = std::vector<PersonalBand>;

// 1.4826 × MAD estimates the standard deviation of normally spread values.
inline constexpr double kMadToSd = 1.4826;

// The band of `values` (at least one); its edges rounded as tableValue does.
PersonalBand makePersonalBand(Metric metric, std::span<const double> values, double k);
// The band of a metric among `bands`, or null.
const PersonalBand* bandFor(const PersonalBands& bands, Metric metric);

// A metric's value as the take-up table writes it (milliseconds whole, the
// others to one decimal): what a verdict compares, so that a value the
// shooter reads as 15,0 meets "at most 15".
double tableValue(Metric metric, double value);

// A criterion a take-up did not meet, with what the words need.
struct MissedCriterion {
    DrillCriterion criterion;
    // The take-up's value as the table writes it; none for a tag, and when
    // the take-up lacks the metric (no 0.2 s before the shot, the record
    // ending before 500 ms after it).
    std::optional<double> value;
    // The goal: the criterion's limits, or the personal band's edges (both
    // none when the band is missing).
    std::optional<double> low;
    std::optional<double> high;

    bool operator==(const MissedCriterion&) const = default;
};

// A take-up judged by a drill. Without a shot it is not judged: the shooter
// put the gun down, as the drills ask when a shot does not come right.
struct TakeUpVerdict {
    int number = 0;  // the take-up's number in its document (from 1)
    bool judged = false;
    bool passed = false;
    std::vector<MissedCriterion> missed;  // in the drill's order of criteria

    bool operator==(const TakeUpVerdict&) const = default;
};

// The one judgement of a take-up: the window's drill run, the archive and
// the command line's check all come here. A take-up passes when it meets
// every criterion; a metric it lacks meets none, and so does a personal band
// missing from `bands`.
TakeUpVerdict judgeTakeUp(const Drill& drill, const TakeUpMetrics& takeUp,
                          const PersonalBands& bands);
// Every take-up of a session, in its order.
std::vector<TakeUpVerdict> judgeSession(const Drill& drill, std::span<const TakeUpMetrics> takeUps,
                                        const PersonalBands& bands);

}  // namespace ostrevik
