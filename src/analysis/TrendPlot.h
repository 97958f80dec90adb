#pragma once

#include "analysis/PlotFrame.h"
#include "analysis/Trend.h"
#include "settings/DisplaySettings.h"

class QPainter;

namespace ostrevik {

// Where the trend's plot lies in target for a font: take-up number on x
// (1 .. count), the metric's value on y over a range that holds every value
// and every series' mean +- SD.
PlotMapping trendMapping(const QRectF& target, const Trend& trend, const QFontMetricsF& metrics);

// Paints the trend into target of any painter: the metric per take-up as
// dots in the curve colour, per series its mean as a black line over the
// series' take-ups with a band of +- 1 SD, the metric's caption above the
// plot. Returns the mapping it painted with.
PlotMapping paintTrend(QPainter& painter, const QRectF& target, const Trend& trend,
                       const DisplaySettings& display);

}  // namespace ostrevik
