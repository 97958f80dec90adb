#pragma once

#include "analysis/PlotFrame.h"
#include "analysis/ScoreStatistics.h"

#include <QColor>

#include <optional>
#include <span>

class QPainter;

namespace ostrevik {

// The ring against a metric: one point per scored take-up that has the
// metric, the fault tags as marks around it (Zucken a ring, Nachlassen a
// square, Unruhig a diamond, each in a colour of its own), the straight
// line of least squares dashed, and a legend of the marks. Painted into
// target of any painter (the window, a report page); returns the mapping.
// `highlighted` (an index into takeUps) is drawn larger, in black.
PlotMapping paintScoreScatter(QPainter& painter, const QRectF& target,
                              std::span<const ScoredTakeUp> takeUps, Metric metric,
                              std::optional<size_t> highlighted = std::nullopt);

// The index of the take-up whose point lies nearest to pixel, within
// maxDistance screen pixels; none elsewhere.
std::optional<size_t> scoredTakeUpNear(std::span<const ScoredTakeUp> takeUps, Metric metric,
                                       const PlotMapping& mapping, const QPointF& pixel,
                                       double maxDistance = 6.0);

// The colour of a fault tag's mark.
QColor tagColor(Tag tag);

}  // namespace ostrevik
