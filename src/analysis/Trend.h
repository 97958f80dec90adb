#pragma once

#include "analysis/SessionAnalysis.h"

#include <optional>
#include <vector>

namespace ostrevik {

// One series of consecutive take-ups (5 or 10, the last one possibly
// shorter) and the figures of the chosen metric over it.
struct SeriesSummary {
    int number = 0;    // from 1
    int firstRow = 0;  // index of its first take-up in SessionAnalysis::rows
    int rowCount = 0;  // take-ups in the series, with or without a value
    Summary values;    // over the take-ups that have the metric
};

// A metric over the session: its value per take-up and per series.
struct Trend {
    Metric metric = Metric::Schuss_ms;
    int seriesLength = 10;
    std::vector<std::optional<double>> values;  // one per row, empty where the take-up has none
    std::vector<SeriesSummary> series;
    Summary overall;
};

// Series are formed over the completed take-ups in document order, take-ups
// without the metric included: series 1 is take-ups 1..L, series 2 L+1..2L.
Trend computeTrend(const SessionAnalysis& analysis, Metric metric, int seriesLength);

}  // namespace ostrevik
