#include "analysis/TrendPlot.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostrevik {
namespace {

// The value range the plot must show, before rounding to ticks.
std::pair<double, double> valueRange(const Trend& t) {
    double low = INFINITY;
    double high = -INFINITY;
    auto take = [&](double v) {
        low = std::min(low, v);
        high = std::max(high, v);
    };
    for (const auto& v : t.values) {
        if (v) {
            take(*v);
        }
    }
    for (const SeriesSummary& s : t.series) {
        if (s.values.mean) {
            const double sd = s.values.sd.value_or(0.0);
            take(*s.values.mean - sd);
            take(*s.values.mean + sd);
        }
    }
    if (!std::isfinite(low)) {
        return {0.0, 1.0};
    }
    if (high - low < 1e-9) {
        // One value, or all alike: show it in the middle.
        const double pad = std::max(std::abs(high) * 0.1, 1.0);
        return {low - pad, high + pad};
    }
    return {low, high};
}

AxisTicks valueTicks(const Trend& t, double plotHeight, const QFontMetricsF& fm) {
    const auto [low, high] = valueRange(t);
    return valueAxisTicks(low, high, plotHeight, fm);
}

struct TrendLayout {
    PlotMapping mapping;
    AxisTicks y;
};

TrendLayout layout(const QRectF& target, const Trend& t, const QFontMetricsF& fm) {
    // The labels' width decides the left margin, the plot's height the ticks;
    // the margins above and below do not depend on the labels.
    const PlotMargins probe = plotMargins(fm, 0.0, true);
    TrendLayout l;
    l.y = valueTicks(t, target.height() - probe.top - probe.bottom, fm);
    const PlotMargins g = plotMargins(fm, widestLabel(l.y, fm), true);
    const QRectF area = target.adjusted(g.left, g.top, -g.right, -g.bottom);
    const double count = static_cast<double>(std::max<size_t>(t.values.size(), 1));
    l.mapping =
        PlotMapping(area, 0.5, count + 0.5, l.y.values.front(), l.y.values.back(), pixelUnit(fm));
    return l;
}

}  // namespace

PlotMapping trendMapping(const QRectF& target, const Trend& t, const QFontMetricsF& fm) {
    return layout(target, t, fm).mapping;
}

PlotMapping paintTrend(QPainter& p, const QRectF& target, const Trend& t,
                       const DisplaySettings& display) {
    const QFontMetricsF fm(p.font(), p.device());
    const TrendLayout l = layout(target, t, fm);
    const PlotMapping& m = l.mapping;
    const AxisTicks& y = l.y;
    const double u = m.unit();

    p.save();
    p.fillRect(target, Qt::white);
    const double labelSpace = fm.horizontalAdvance(QStringLiteral("8888")) + fm.height();
    AxisTicks x = niceTicks(1.0, m.xMax() - 0.5,
                            std::max(1, static_cast<int>(m.area().width() / labelSpace)), 1.0);
    paintFrame(
        p, m, x, y,
        {{}, QCoreApplication::translate("TrendPlot", "Druckpunktnahme"), metricHeader(t.metric)});

    p.setClipRect(m.area());
    p.setRenderHint(QPainter::Antialiasing);
    for (const SeriesSummary& s : t.series) {
        if (!s.values.mean) {
            continue;
        }
        const double left = m.xPixel(s.firstRow + 0.5);
        const double right = m.xPixel(s.firstRow + s.rowCount + 0.5);
        if (s.values.sd) {
            const double top = m.yPixel(*s.values.mean + *s.values.sd);
            const double bottom = m.yPixel(*s.values.mean - *s.values.sd);
            p.fillRect(QRectF(left, top, right - left, bottom - top), QColor(70, 90, 120, 60));
        }
        p.setPen(QPen(Qt::black, 2 * u));
        const double ym = m.yPixel(*s.values.mean);
        p.drawLine(QPointF(left, ym), QPointF(right, ym));
    }

    p.setPen(Qt::NoPen);
    p.setBrush(colorFromRef(display.curveColor));
    const double r = 2.5 * u;
    // A value on the lowest or highest tick keeps its whole dot.
    p.setClipRect(m.area().adjusted(-r, -r, r, r));
    for (size_t i = 0; i < t.values.size(); ++i) {
        if (t.values[i]) {
            p.drawEllipse(m.toPixel(static_cast<double>(i + 1), *t.values[i]), r, r);
        }
    }
    p.restore();
    return m;
}

}  // namespace ostrevik
