#pragma once

#include "analysis/PlotFrame.h"
#include "analysis/SessionAnalysis.h"
#include "settings/DisplaySettings.h"

#include <QColor>
#include <QImage>
#include <QPen>

#include <functional>
#include <map>
#include <optional>

class QPainter;

namespace ostrevik {

// How the overlay is painted: the program's drawing settings give the curve
// colour (the newest take-up), the shot colour (the highlighted take-up and
// the shot line), the threshold colour (the mean tone threshold) and widths.
// The curves coloured by their shot's ring, from vermilion (the lowest ring
// of the session) through purple to blue (the highest), a scale red-green
// colour-blind shooters read too; a curve without a ring stays grey.
struct RingColouring {
    std::map<int, double> rings;  // by the record's index in the document's list
    double lowest = 0.0;
    double highest = 0.0;
    // Names this set of rings for a picture of the curves: every other set
    // has another number.
    uint64_t version = 0;
};
// The colouring of a session's rings, by take-up number (from 1).
RingColouring ringColouring(const std::map<int, double>& ringsByNumber);
// The colour of a ring between the lowest and the highest.
QColor ringColor(double ring, double lowest, double highest);

struct OverlayStyle {
    DisplaySettings display = DisplaySettings::defaults();
    std::optional<int> highlightedListIndex;  // the take-up selected in the window
    // Set: the curves in the colours of their rings, with a legend; the
    // newest take-up in its ring's colour too.
    const RingColouring* rings = nullptr;
};

// The thin curves of the overlay kept as a picture of their own, for a screen
// that paints the overlay again after every take-up: then only the curves
// that are not in the picture yet are drawn into it, and the picture is laid
// over the band. It is drawn anew when the size, the curves' look, the
// highlighted take-up or the take-ups before change (another curve series).
// The white plot with its grid, axes and labels stays the same from one
// take-up to the next as well: it is kept as a picture and laid down, not
// painted and its labels laid out anew.
class OverlayCurveCache {
public:
    // Lays the frame over the whole of what painter paints on (target is
    // all of it), after painting it with paint when the kept one does not
    // fit. False, with nothing painted, where a picture cannot stand in for
    // it: a painter on anything but an image, with a transformation or a
    // clip, or a target that is not the whole image.
    bool paintFrame(QPainter& painter, const QRectF& target, const PlotMapping& mapping,
                    const std::function<void(QPainter&)>& paint);

    // Lays the thin curves (all but the newest and the highlighted one,
    // index into overlay.curves or -1) with pen over what painter has
    // painted, after drawing into the picture what it lacks. False, with
    // nothing painted, where a picture cannot stand in for the curves: a
    // painter on anything but an image, or with a transformation.
    bool paintCurves(QPainter& painter, const PlotMapping& mapping, const ShotOverlay& overlay,
                     const QPen& pen, int highlighted, const RingColouring* rings = nullptr);

    // Curves drawn into the picture so far, and how often it was begun anew.
    int curvesPainted() const { return curvesPainted_; }
    int redraws() const { return redraws_; }
    // How often the frame was painted.
    int framesPainted() const { return framesPainted_; }

private:
    // What the picture shows, but for the number of curves.
    struct Key {
        uint64_t curveSeries = 0;
        QSize pixels;
        qreal pixelRatio = 1.0;
        QRectF area;
        double xMin = 0.0;
        double xMax = 0.0;
        double unit = 0.0;
        QRectF clip;
        QRgb color = 0;
        double width = 0.0;
        int highlighted = -1;
        uint64_t rings = 0;  // the ring colouring's version, 0 without one
        bool operator==(const Key&) const = default;
    };
    QImage image_;
    Key key_;
    int drawn_ = 0;  // the picture holds the thin ones of curves [0, drawn_)
    int curvesPainted_ = 0;
    int redraws_ = 0;
    // What the frame's picture shows: the image it was painted for (its
    // pixels, resolution and format), where the plot lies, the font.
    struct FrameKey {
        QSize pixels;
        qreal pixelRatio = 1.0;
        int dotsPerMeterX = 0;
        int dotsPerMeterY = 0;
        QImage::Format format = QImage::Format_Invalid;
        QRectF area;
        double xMin = 0.0;
        double xMax = 0.0;
        double unit = 0.0;
        QString font;
        int hints = 0;
        bool operator==(const FrameKey&) const = default;
    };
    QImage frame_;
    FrameKey frameKey_;
    int framesPainted_ = 0;
};

// Where the overlay's plot lies in target for a font (the painter's font on
// its device): time in seconds from the shot on x, pressure 0..100 % on y.
PlotMapping overlayMapping(const QRectF& target, const ShotOverlay& overlay,
                           const QFontMetricsF& metrics);

// Paints the overlay into target of any painter (a widget's QImage, a printer
// page): white background, grid and labels, the +-1 SD band, every take-up
// thin and half-transparent, the mean tone threshold, the shot at 0, the mean
// curve, the highlighted take-up and, on top, the newest one. Returns the
// mapping it painted with. With a cache, on an image, the thin curves come
// from the cache.
PlotMapping paintOverlay(QPainter& painter, const QRectF& target, const ShotOverlay& overlay,
                         const OverlayStyle& style, OverlayCurveCache* cache = nullptr);

// The list index of the take-up whose painted curve passes nearest to pixel,
// if one passes within maxDistance screen pixels; of equally near curves the
// newer one (painted over the older).
std::optional<int> curveNear(const ShotOverlay& overlay, const PlotMapping& mapping,
                             const QPointF& pixel, double maxDistance = 4.0);

}  // namespace ostrevik
