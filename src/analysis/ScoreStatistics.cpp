#include "analysis/ScoreStatistics.h"

#include "analysis/SampleStatistics.h"
#include "common/NumberFormat.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace ostrevik {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("Ostrevik", text);
}

std::optional<double> pearson(std::span<const double> x, std::span<const double> y) {
    const size_t n = std::min(x.size(), y.size());
    if (n < 2) {
        return std::nullopt;
    }
    const double mx = std::accumulate(x.begin(), x.begin() + n, 0.0) / static_cast<double>(n);
    const double my = std::accumulate(y.begin(), y.begin() + n, 0.0) / static_cast<double>(n);
    double sxx = 0.0;
    double syy = 0.0;
    double sxy = 0.0;
    for (size_t i = 0; i < n; ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    if (sxx <= 0.0 || syy <= 0.0) {
        return std::nullopt;
    }
    return std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
}

// Ranks from 1; equal values share the mean of the ranks they take.
std::vector<double> midRanks(std::span<const double> values) {
    std::vector<size_t> order(values.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return values[a] < values[b]; });
    std::vector<double> ranks(values.size());
    for (size_t first = 0; first < order.size();) {
        size_t last = first;
        while (last + 1 < order.size() && values[order[last + 1]] == values[order[first]]) {
            ++last;
        }
        const double rank = (static_cast<double>(first + last) / 2.0) + 1.0;
        for (size_t k = first; k <= last; ++k) {
            ranks[order[k]] = rank;
        }
        first = last + 1;
    }
    return ranks;
}

// Whether a take-up shows if it has the tag: each tag looks at one metric.
bool judged(const TakeUpMetrics& m, Tag tag) {
    switch (tag) {
        case Tag::Zucken:
            return m.Anstieg_200.has_value();
        case Tag::Nachlassen:
            return m.Halt_160.has_value();
        case Tag::Unruhig:
            return m.Abweichung.has_value();
    }
    return false;
}

}  // namespace

Correlation correlate(std::span<const double> x, std::span<const double> y) {
    Correlation c;
    c.n = static_cast<int>(std::min(x.size(), y.size()));
    if (c.n < kMinCorrelationPairs) {
        return c;
    }
    x = x.first(static_cast<size_t>(c.n));
    y = y.first(static_cast<size_t>(c.n));
    c.r = pearson(x, y);
    if (!c.r) {
        return c;
    }
    // At r = +-1 the z is infinite and the interval shrinks to r itself.
    const double z = std::atanh(*c.r);
    const double half = kNormalQuantile975 / std::sqrt(c.n - 3.0);
    c.low = std::tanh(z - half);
    c.high = std::tanh(z + half);
    const std::vector<double> rx = midRanks(x);
    const std::vector<double> ry = midRanks(y);
    c.rho = pearson(rx, ry);
    return c;
}

MeanDifference welchDifference(std::span<const double> with, std::span<const double> without) {
    MeanDifference d;
    const Summary a = summarize(with);
    const Summary b = summarize(without);
    d.nWith = a.count;
    d.nWithout = b.count;
    d.meanWith = a.mean;
    d.meanWithout = b.mean;
    if (!a.sd || !b.sd) {
        return d;
    }
    d.difference = *a.mean - *b.mean;
    const double qa = *a.sd * *a.sd / a.count;
    const double qb = *b.sd * *b.sd / b.count;
    const double se = std::sqrt(qa + qb);
    if (se <= 0.0) {
        d.low = d.high = d.difference;  // no spread in either group, no width
        return d;
    }
    d.degreesOfFreedom =
        (qa + qb) * (qa + qb) / (qa * qa / (a.count - 1) + qb * qb / (b.count - 1));
    const double half = tQuantile975(*d.degreesOfFreedom) * se;
    d.low = *d.difference - half;
    d.high = *d.difference + half;
    return d;
}

const TakeUpScore* scoreOf(const SessionScores& scores, const TakeUpMetrics& m) {
    if (!m.hasShot()) {
        return nullptr;
    }
    const auto it = scores.find(m.number());
    return it == scores.end() ? nullptr : &it->second;
}

std::vector<ScoredTakeUp> scoredTakeUps(const SessionAnalysis& analysis,
                                        const SessionScores& scores) {
    std::vector<ScoredTakeUp> scored;
    for (const TakeUpMetrics& m : analysis.rows) {
        if (const TakeUpScore* score = scoreOf(scores, m)) {
            scored.push_back({m, score->ring});
        }
    }
    return scored;
}

ScoreTable scoreTable(std::span<const ScoredTakeUp> takeUps) {
    ScoreTable table;
    table.scored = static_cast<int>(takeUps.size());
    for (Metric metric : kMetrics) {
        std::vector<double> values;
        std::vector<double> rings;
        for (const ScoredTakeUp& t : takeUps) {
            if (const auto v = t.metrics.value(metric)) {
                values.push_back(*v);
                rings.push_back(t.ring);
            }
        }
        table.metrics.push_back({metric, correlate(values, rings)});
    }
    for (Tag tag : kTags) {
        std::vector<double> with;
        std::vector<double> without;
        for (const ScoredTakeUp& t : takeUps) {
            if (judged(t.metrics, tag)) {
                (t.metrics.has(tag) ? with : without).push_back(t.ring);
            }
        }
        table.tags.push_back({tag, welchDifference(with, without)});
    }
    return table;
}

QString correlationText(Metric metric, const Correlation& c) {
    const QString caption = metricCaption(metric);
    if (c.r && c.low && c.high && c.rho) {
        return tr("%1 und Ring: r = %2, 95 %-Intervall %3 … %4 (Spearman ρ = %5, n = %6)")
            .arg(caption, readerDecimalText(*c.r, 2), readerDecimalText(*c.low, 2),
                 readerDecimalText(*c.high, 2), readerDecimalText(*c.rho, 2))
            .arg(c.n);
    }
    if (c.n < kMinCorrelationPairs) {
        return tr("%1 und Ring: zu wenige Schüsse für eine Korrelation (n = %2)")
            .arg(caption)
            .arg(c.n);
    }
    return tr("%1 und Ring: keine Korrelation, die Werte streuen nicht (n = %2)")
        .arg(caption)
        .arg(c.n);
}

QString differenceText(Tag tag, const MeanDifference& d) {
    const QString name = tagName(tag);
    if (!d.meanWith && !d.meanWithout) {
        return tr("Kein Schuss, an dem sich %1 beurteilen lässt").arg(name);
    }
    if (!d.meanWith) {
        return tr("Kein Schuss mit %1 (ohne: %2 Ringe)")
            .arg(name, readerDecimalText(*d.meanWithout, 2));
    }
    if (!d.meanWithout) {
        return tr("Jeder Schuss mit %1 (%2 Ringe)").arg(name, readerDecimalText(*d.meanWith, 2));
    }
    const QString means =
        tr("Mit %1: %2 Ringe, ohne: %3")
            .arg(name, readerDecimalText(*d.meanWith, 2), readerDecimalText(*d.meanWithout, 2));
    if (!d.difference || !d.low || !d.high) {
        return tr("%1 — zu wenige Schüsse für einen Vergleich (mit: %2, ohne: %3)")
            .arg(means)
            .arg(d.nWith)
            .arg(d.nWithout);
    }
    return tr("%1 — Differenz %2, 95 %-Intervall %3 … %4")
        .arg(means, readerDecimalText(*d.difference, 2), readerDecimalText(*d.low, 2),
             readerDecimalText(*d.high, 2));
}

}  // namespace ostrevik
