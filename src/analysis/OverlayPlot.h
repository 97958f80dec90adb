#pragma once

#include "analysis/PlotFrame.h"
#include "analysis/SessionAnalysis.h"
#include "settings/DisplaySettings.h"

#include <optional>

class QPainter;

namespace ostrevik {

// How the overlay is painted: the program's drawing settings give the curve
// colour (the newest take-up), the shot colour (the highlighted take-up and
// the shot line), the threshold colour (the mean tone threshold) and widths.
struct OverlayStyle {
    DisplaySettings display = DisplaySettings::defaults();
    std::optional<int> highlightedListIndex;  // the take-up selected in the window
};

// Where the overlay's plot lies in target for a font (the painter's font on
// its device): time in seconds from the shot on x, pressure 0..100 % on y.
PlotMapping overlayMapping(const QRectF& target, const ShotOverlay& overlay,
                           const QFontMetricsF& metrics);

// Paints the overlay into target of any painter (a widget's QImage, a printer
// page): white background, grid and labels, the +-1 SD band, every take-up
// thin and half-transparent, the mean tone threshold, the shot at 0, the mean
// curve, the highlighted take-up and, on top, the newest one. Returns the
// mapping it painted with.
PlotMapping paintOverlay(QPainter& painter, const QRectF& target, const ShotOverlay& overlay,
                         const OverlayStyle& style);

// The list index of the take-up whose painted curve passes nearest to pixel,
// if one passes within maxDistance screen pixels; of equally near curves the
// newer one (painted over the older).
std::optional<int> curveNear(const ShotOverlay& overlay, const PlotMapping& mapping,
                             const QPointF& pixel, double maxDistance = 4.0);

}  // namespace ostrevik
