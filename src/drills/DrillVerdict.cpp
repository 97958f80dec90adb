#include "drills/DrillVerdict.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace ostrevik {
namespace {

double median(std::vector<double> values) {
    const size_t n = values.size();
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (n % 2 == 1) {
        return *middle;
    }
    const double upper = *middle;
    const double lower = *std::max_element(values.begin(), middle);
    return (lower + upper) / 2.0;
}

}  // namespace

double tableValue(Metric metric, double value) {
    if (inMilliseconds(metric)) {
        return static_cast<double>(std::llround(value));
    }
    // Rounded as the table's text is (formatMetricValue), to the digit.
    return QString::number(value, 'f', 1).toDouble();
}

PersonalBand makePersonalBand(Metric metric, std::span<const double> values, double k) {
    PersonalBand b;
    b.metric = metric;
    b.k = k;
    b.count = static_cast<int>(values.size());
    if (values.empty()) {
        return b;
    }
    b.median = median({values.begin(), values.end()});
    std::vector<double> deviations;
    deviations.reserve(values.size());
    for (double v : values) {
        deviations.push_back(std::abs(v - b.median));
    }
    b.spread = kMadToSd * median(std::move(deviations));
    b.low = tableValue(metric, b.median - k * b.spread);
    b.high = tableValue(metric, b.median + k * b.spread);
    return b;
}

const PersonalBand* bandFor(const PersonalBands& bands, Metric metric) {
    const auto it = std::ranges::find(bands, metric, &PersonalBand::metric);
    return it == bands.end() ? nullptr : &*it;
}

TakeUpVerdict judgeTakeUp(const Drill& drill, const TakeUpMetrics& takeUp,
                          const PersonalBands& bands) {
    TakeUpVerdict v;
    v.number = takeUp.number();
    if (!takeUp.hasShot()) {
        return v;
    }
    v.judged = true;
    for (const DrillCriterion& c : drill.criteria) {
        MissedCriterion miss{c, std::nullopt, std::nullopt, std::nullopt};
        bool met = false;
        switch (c.kind) {
            case DrillCriterion::Kind::TagNotSet:
                met = !takeUp.has(c.tag);
                break;
            case DrillCriterion::Kind::Limits:
            case DrillCriterion::Kind::PersonalBand: {
                if (c.kind == DrillCriterion::Kind::Limits) {
                    miss.low = c.min;
                    miss.high = c.max;
                } else if (const PersonalBand* band = bandFor(bands, c.metric)) {
                    miss.low = band->low;
                    miss.high = band->high;
                }
                const bool goalKnown = c.kind == DrillCriterion::Kind::Limits || miss.low;
                if (const std::optional<double> raw = takeUp.value(c.metric);
                    raw && std::isfinite(*raw)) {
                    const double value = tableValue(c.metric, *raw);
                    miss.value = value;
                    met = goalKnown && (!miss.low || value >= *miss.low) &&
                          (!miss.high || value <= *miss.high);
                }
                break;
            }
        }
        if (!met) {
            v.missed.push_back(std::move(miss));
        }
    }
    v.passed = v.missed.empty();
    return v;
}

std::vector<TakeUpVerdict> judgeSession(const Drill& drill, std::span<const TakeUpMetrics> takeUps,
                                        const PersonalBands& bands) {
    std::vector<TakeUpVerdict> verdicts;
    verdicts.reserve(takeUps.size());
    for (const TakeUpMetrics& t : takeUps) {
        verdicts.push_back(judgeTakeUp(drill, t, bands));
    }
    return verdicts;
}

}  // namespace ostrevik
