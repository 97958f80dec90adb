#pragma once

#include <QFontMetricsF>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <vector>

class QPainter;

namespace ostrevik {

// The one place where plot values become pixels and pixels values again: a
// plot area and the value ranges it shows (y grows upwards). `unit` is the
// size of one screen pixel on the painted device: pens, marks and hit
// distances are multiples of it, so a printed page shows what the screen does.
class PlotMapping {
public:
    PlotMapping() = default;
    PlotMapping(const QRectF& area, double xMin, double xMax, double yMin, double yMax,
                double unit = 1.0);

    QPointF toPixel(double x, double y) const { return {xPixel(x), yPixel(y)}; }
    double xPixel(double x) const;
    double yPixel(double y) const;
    double xAt(double px) const;
    double yAt(double py) const;

    const QRectF& area() const { return area_; }
    double xMin() const { return xMin_; }
    double xMax() const { return xMax_; }
    double yMin() const { return yMin_; }
    double yMax() const { return yMax_; }
    double unit() const { return unit_; }

private:
    QRectF area_{0, 0, 1, 1};
    double xMin_ = 0.0;
    double xMax_ = 1.0;
    double yMin_ = 0.0;
    double yMax_ = 1.0;
    double unit_ = 1.0;
};

// Tick values at a step of 1, 2 or 5 times a power of ten, and the decimals
// their labels need.
struct AxisTicks {
    std::vector<double> values;
    double step = 1.0;
    int decimals = 0;
};
// At most maxIntervals steps (and no step below minStep) covering min..max.
AxisTicks niceTicks(double min, double max, int maxIntervals, double minStep = 0.0);
// The ticks of a value axis of the given height that reach below and above
// every value between low and high (a single value gets room around it).
AxisTicks valueAxisTicks(double low, double high, double plotHeight, const QFontMetricsF& fm);

// Pixel size of one screen pixel for a font: a screen font is about 15
// pixels high, the same font on a 1200 dpi page a dozen times that.
double pixelUnit(const QFontMetricsF& metrics);

// Margins around a plot area for labels left of it and below it.
struct PlotMargins {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
};
PlotMargins plotMargins(const QFontMetricsF& metrics, double widestYLabel, bool captionAbove);

// Frame of a plot: silver grid lines at the ticks, black axes on the left and
// bottom, labels (y right-aligned left of the axis, x centred below it, with
// the decimal comma), the x caption below the labels at the right, and an
// optional caption above the plot at the left.
struct AxisTexts {
    QString ySuffix;   // "%" after each y label
    QString xCaption;  // "Sekunden"
    QString caption;   // above the plot
};
void paintFrame(QPainter& painter, const PlotMapping& mapping, const AxisTicks& x,
                const AxisTicks& y, const AxisTexts& texts);

// The label of a tick value: "-1,5", "25%".
QString tickLabel(double value, int decimals, const QString& suffix = {});

// The width of the widest of the ticks' labels: the room a value axis needs
// left of the plot.
double widestLabel(const AxisTicks& y, const QFontMetricsF& fm, const QString& suffix = {});

}  // namespace ostrevik
