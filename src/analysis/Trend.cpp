#include "analysis/Trend.h"

#include <algorithm>

namespace ostrevik {

Trend computeTrend(const SessionAnalysis& analysis, Metric metric, int seriesLength) {
    Trend t;
    t.metric = metric;
    t.seriesLength = std::max(seriesLength, 1);
    t.values.reserve(analysis.rows.size());
    std::vector<double> all;
    for (const TakeUpMetrics& m : analysis.rows) {
        t.values.push_back(m.value(metric));
        if (t.values.back()) {
            all.push_back(*t.values.back());
        }
    }
    t.overall = summarize(all);

    const int rows = static_cast<int>(t.values.size());
    std::vector<double> in;
    for (int first = 0; first < rows; first += t.seriesLength) {
        SeriesSummary s;
        s.number = static_cast<int>(t.series.size()) + 1;
        s.firstRow = first;
        s.rowCount = std::min(t.seriesLength, rows - first);
        in.clear();
        for (int i = first; i < first + s.rowCount; ++i) {
            if (const auto& v = t.values[static_cast<size_t>(i)]) {
                in.push_back(*v);
            }
        }
        s.values = summarize(in);
        t.series.push_back(s);
    }
    return t;
}

}  // namespace ostrevik
