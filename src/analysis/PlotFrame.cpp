#include "analysis/PlotFrame.h"

#include "common/NumberFormat.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostrevik {

PlotMapping::PlotMapping(const QRectF& area, double xMin, double xMax, double yMin, double yMax,
                         double unit)
    : area_(area), xMin_(xMin), xMax_(xMax), yMin_(yMin), yMax_(yMax), unit_(unit) {
    // An empty range would divide by zero; widen it around its value.
    if (!(xMax_ > xMin_)) {
        xMax_ = xMin_ + 1.0;
    }
    if (!(yMax_ > yMin_)) {
        yMax_ = yMin_ + 1.0;
    }
}

double PlotMapping::xPixel(double x) const {
    return area_.left() + (x - xMin_) * area_.width() / (xMax_ - xMin_);
}

double PlotMapping::yPixel(double y) const {
    return area_.bottom() - (y - yMin_) * area_.height() / (yMax_ - yMin_);
}

double PlotMapping::xAt(double px) const {
    return xMin_ + (px - area_.left()) * (xMax_ - xMin_) / area_.width();
}

double PlotMapping::yAt(double py) const {
    return yMin_ + (area_.bottom() - py) * (yMax_ - yMin_) / area_.height();
}

AxisTicks niceTicks(double min, double max, int maxIntervals, double minStep) {
    AxisTicks t;
    double raw = std::max((max - min) / std::max(maxIntervals, 1), minStep);
    if (!(raw > 0.0) || !std::isfinite(raw)) {
        raw = 1.0;
    }
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    t.step = 10.0 * magnitude;
    for (double f : {1.0, 2.0, 5.0}) {
        if (f * magnitude >= raw * (1.0 - 1e-9)) {
            t.step = f * magnitude;
            break;
        }
    }
    t.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(t.step) + 1e-9)));
    const auto first = static_cast<long long>(std::ceil(min / t.step - 1e-9));
    const auto last = static_cast<long long>(std::floor(max / t.step + 1e-9));
    for (long long k = first; k <= last; ++k) {
        t.values.push_back(static_cast<double>(k) * t.step);
    }
    return t;
}

double pixelUnit(const QFontMetricsF& metrics) {
    return std::max(1.0, metrics.height() / 15.0);
}

PlotMargins plotMargins(const QFontMetricsF& metrics, double widestYLabel, bool captionAbove) {
    const double h = metrics.height();
    PlotMargins m;
    m.left = widestYLabel + 0.8 * h;
    m.top = captionAbove ? 1.8 * h : 0.8 * h;
    m.right = 1.5 * h;  // room for half of the last time label
    m.bottom = 2.6 * h;
    return m;
}

QString tickLabel(double value, int decimals, const QString& suffix) {
    return decimalCommaText(value, decimals) + suffix;
}

double widestLabel(const AxisTicks& y, const QFontMetricsF& fm, const QString& suffix) {
    double widest = 0.0;
    for (double v : y.values) {
        widest = std::max(widest, fm.horizontalAdvance(tickLabel(v, y.decimals, suffix)));
    }
    return widest;
}

void paintFrame(QPainter& p, const PlotMapping& m, const AxisTicks& x, const AxisTicks& y,
                const AxisTexts& texts) {
    p.save();
    const QFontMetricsF fm(p.font(), p.device());
    const double h = fm.height();
    const double u = m.unit();
    const QRectF& a = m.area();

    p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), u));
    for (double v : y.values) {
        p.drawLine(QPointF(a.left(), m.yPixel(v)), QPointF(a.right(), m.yPixel(v)));
    }
    for (double v : x.values) {
        p.drawLine(QPointF(m.xPixel(v), a.top()), QPointF(m.xPixel(v), a.bottom()));
    }

    p.setPen(QPen(Qt::black, 2 * u));
    p.drawLine(a.bottomLeft(), a.topLeft());
    p.drawLine(a.bottomLeft(), a.bottomRight());

    p.setPen(Qt::black);
    for (double v : y.values) {
        const QString s = tickLabel(v, y.decimals, texts.ySuffix);
        const double w = fm.horizontalAdvance(s);
        p.drawText(QRectF(a.left() - w - 0.4 * h, m.yPixel(v) - h / 2, w, h),
                   Qt::AlignRight | Qt::TextDontClip, s);
    }
    for (double v : x.values) {
        const QString s = tickLabel(v, x.decimals);
        const double w = fm.horizontalAdvance(s);
        p.drawText(QRectF(m.xPixel(v) - w / 2, a.bottom() + 0.3 * h, w, h),
                   Qt::AlignHCenter | Qt::TextDontClip, s);
    }
    if (!texts.xCaption.isEmpty()) {
        const double w = fm.horizontalAdvance(texts.xCaption);
        p.drawText(QRectF(a.right() - w, a.bottom() + 1.4 * h, w, h),
                   Qt::AlignRight | Qt::TextDontClip, texts.xCaption);
    }
    if (!texts.caption.isEmpty()) {
        p.drawText(QRectF(a.left(), a.top() - 1.6 * h, a.width(), h),
                   Qt::AlignLeft | Qt::TextDontClip, texts.caption);
    }
    p.restore();
}

// Ticks of a value axis that reach below and above every value.
AxisTicks valueAxisTicks(double low, double high, double plotHeight, const QFontMetricsF& fm) {
    if (!std::isfinite(low) || !std::isfinite(high)) {
        low = 0.0;
        high = 1.0;
    }
    if (high - low < 1e-9) {
        const double pad = std::max(std::abs(high) * 0.1, 1.0);
        low -= pad;
        high += pad;
    }
    const int intervals = std::max(2, static_cast<int>(plotHeight / (2.5 * fm.height())));
    AxisTicks y = niceTicks(low, high, intervals);
    if (y.values.empty() || y.values.front() > low) {
        y.values.insert(y.values.begin(), std::floor(low / y.step) * y.step);
    }
    if (y.values.back() < high) {
        y.values.push_back(std::ceil(high / y.step) * y.step);
    }
    return y;
}

}  // namespace ostrevik
