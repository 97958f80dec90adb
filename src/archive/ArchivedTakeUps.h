#pragma once

#include "analysis/Metrics.h"
#include "archive/ArchiveError.h"

#include <QString>

#include <optional>
#include <vector>

namespace ostrevik {

class TrainingArchive;

// The shooter whose take-ups a measurement file holds: the one of its
// session when the archive has the file (a shooter set by hand included),
// else the one its header's name leads to; none when the archive knows
// neither. An empty path is a document never saved.
std::optional<qint64> shooterOfFile(TrainingArchive& archive, const QString& path,
                                    const QString& headerName, ArchiveError& error);

// A metric's values over the shooter's latest archived take-ups with a shot
// that have it, newest first: sessions by their day, the later taken in
// first on one day, take-ups from the last. At most `count` values; the
// session of the file at `leaveOut` (empty: none) is left out, so that a
// session is never measured against itself.
std::vector<double> latestMetricValues(TrainingArchive& archive, qint64 shooterId, Metric metric,
                                       int count, const QString& leaveOut, ArchiveError& error);

}  // namespace ostrevik
