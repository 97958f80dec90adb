#include "analysis/ScorePlot.h"

#include "analysis/SampleStatistics.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ostrevik {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ScorePlot", text);
}

const QColor kPoint(0x1F, 0x5F, 0xB0);
const QColor kLine(0xB0, 0x20, 0x30);

struct Point {
    size_t index = 0;
    double x = 0.0;
    double ring = 0.0;
};

std::vector<Point> pointsOf(std::span<const ScoredTakeUp> takeUps, Metric metric) {
    std::vector<Point> points;
    for (size_t i = 0; i < takeUps.size(); ++i) {
        if (const auto v = takeUps[i].metrics.value(metric)) {
            points.push_back({i, *v, takeUps[i].ring});
        }
    }
    return points;
}

struct Layout {
    PlotMapping mapping;
    AxisTicks x;
    AxisTicks y;
};

Layout layout(const QRectF& target, const std::vector<Point>& points, const QFontMetricsF& fm) {
    double xLow = INFINITY;
    double xHigh = -INFINITY;
    double yLow = INFINITY;
    double yHigh = -INFINITY;
    for (const Point& p : points) {
        xLow = std::min(xLow, p.x);
        xHigh = std::max(xHigh, p.x);
        yLow = std::min(yLow, p.ring);
        yHigh = std::max(yHigh, p.ring);
    }
    if (points.empty()) {
        xLow = 0.0;
        xHigh = 1.0;
        yLow = 8.0;
        yHigh = 10.9;
    }
    // Rings never go above 10.9; an axis to 11 would suggest they could.
    yHigh = std::min(std::max(yHigh, yLow + 0.5), kHighestRing);
    yLow = std::min(yLow, yHigh - 0.5);
    Layout l;
    const PlotMargins probe = plotMargins(fm, 0.0, true);
    l.y = valueAxisTicks(yLow, yHigh, target.height() - probe.top - probe.bottom, fm);
    const PlotMargins g = plotMargins(fm, widestLabel(l.y, fm), true);
    const QRectF area = target.adjusted(g.left, g.top, -g.right, -g.bottom);
    const double labelSpace = fm.horizontalAdvance(QStringLiteral("-8888,8")) + fm.height();
    if (xHigh - xLow < 1e-9) {
        const double pad = std::max(std::abs(xHigh) * 0.1, 1.0);
        xLow -= pad;
        xHigh += pad;
    }
    // Room on both sides, so that the outermost points keep their marks.
    const double pad = 0.04 * (xHigh - xLow);
    l.x = niceTicks(xLow - pad, xHigh + pad,
                    std::max(2, static_cast<int>(area.width() / labelSpace)));
    l.mapping = PlotMapping(area, xLow - pad, xHigh + pad, l.y.values.front(), l.y.values.back(),
                            pixelUnit(fm));
    return l;
}

void paintTagMark(QPainter& p, const QPointF& c, double r, Tag tag) {
    p.setPen(QPen(tagColor(tag), 1.3 * r / 3.0));
    p.setBrush(Qt::NoBrush);
    switch (tag) {
        case Tag::Zucken:
            p.drawEllipse(c, 1.9 * r, 1.9 * r);
            break;
        case Tag::Nachlassen:
            p.drawRect(QRectF(c.x() - 2.6 * r, c.y() - 2.6 * r, 5.2 * r, 5.2 * r));
            break;
        case Tag::Unruhig: {
            const double d = 3.6 * r;
            const QPointF pts[4] = {
                {c.x(), c.y() - d}, {c.x() + d, c.y()}, {c.x(), c.y() + d}, {c.x() - d, c.y()}};
            p.drawPolygon(pts, 4);
            break;
        }
    }
}

void paintLegend(QPainter& p, const PlotMapping& m, const QFontMetricsF& fm, double r) {
    const double h = fm.height();
    double width = fm.horizontalAdvance(tr("ohne Marke"));
    for (Tag t : kTags) {
        width = std::max(width, fm.horizontalAdvance(tagName(t)));
    }
    const double rowH = 1.25 * h;
    const QRectF box(m.area().right() - width - 3.2 * h, m.area().top() + 0.3 * h, width + 3.0 * h,
                     rowH * (static_cast<double>(kTags.size()) + 1.0) + 0.4 * h);
    p.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), m.unit()));
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawRect(box);
    double y = box.top() + 0.2 * h + rowH / 2;
    auto label = [&](const QString& text) {
        p.setPen(Qt::black);
        p.drawText(QRectF(box.left() + 2.2 * h, y - h / 2, width + h, h),
                   Qt::AlignLeft | Qt::AlignVCenter, text);
        y += rowH;
    };
    const QPointF mark(box.left() + 1.1 * h, 0.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kPoint);
    p.drawEllipse(QPointF(mark.x(), y), r, r);
    label(tr("ohne Marke"));
    for (Tag t : kTags) {
        p.setPen(Qt::NoPen);
        p.setBrush(kPoint);
        p.drawEllipse(QPointF(mark.x(), y), r, r);
        paintTagMark(p, QPointF(mark.x(), y), 0.8 * r, t);
        label(tagName(t));
    }
}

}  // namespace

QColor tagColor(Tag tag) {
    switch (tag) {
        case Tag::Zucken:
            return {0xD0, 0x20, 0x20};
        case Tag::Nachlassen:
            return {0xE0, 0x80, 0x00};
        case Tag::Unruhig:
            return {0x80, 0x30, 0xA0};
    }
    return Qt::black;
}

PlotMapping paintScoreScatter(QPainter& p, const QRectF& target,
                              std::span<const ScoredTakeUp> takeUps, Metric metric,
                              std::optional<size_t> highlighted) {
    const QFontMetricsF fm(p.font(), p.device());
    const std::vector<Point> points = pointsOf(takeUps, metric);
    const Layout l = layout(target, points, fm);
    const PlotMapping& m = l.mapping;
    const double u = m.unit();
    p.save();
    p.fillRect(target, Qt::white);
    paintFrame(p, m, l.x, l.y, {{}, metricHeader(metric), tr("Ring")});
    if (points.empty()) {
        p.setPen(QColor(0x60, 0x60, 0x60));
        p.drawText(m.area(), Qt::AlignCenter, tr("Kein Schuss mit Ring und diesem Kennwert"));
        p.restore();
        return m;
    }
    p.setRenderHint(QPainter::Antialiasing);
    const double r = 2.8 * u;
    p.setClipRect(m.area().adjusted(-4 * r, -4 * r, 4 * r, 4 * r));

    std::vector<double> xs;
    std::vector<double> ys;
    for (const Point& pt : points) {
        xs.push_back(pt.x);
        ys.push_back(pt.ring);
    }
    const LineFit fit = fitLine(xs, ys);
    if (fit.slope && fit.intercept) {
        const auto [lo, hi] = std::minmax_element(xs.begin(), xs.end());
        p.setPen(QPen(kLine, 1.5 * u, Qt::DashLine));
        p.drawLine(m.toPixel(*lo, *fit.intercept + *fit.slope * *lo),
                   m.toPixel(*hi, *fit.intercept + *fit.slope * *hi));
    }
    // The highlighted point last, on top of the others.
    std::optional<Point> chosen;
    for (const Point& pt : points) {
        if (highlighted && pt.index == *highlighted) {
            chosen = pt;
            continue;
        }
        const QPointF c = m.toPixel(pt.x, pt.ring);
        p.setPen(Qt::NoPen);
        p.setBrush(kPoint);
        p.drawEllipse(c, r, r);
        for (Tag t : kTags) {
            if (takeUps[pt.index].metrics.has(t)) {
                paintTagMark(p, c, r, t);
            }
        }
    }
    if (chosen) {
        const QPointF c = m.toPixel(chosen->x, chosen->ring);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(c, 1.6 * r, 1.6 * r);
        for (Tag t : kTags) {
            if (takeUps[chosen->index].metrics.has(t)) {
                paintTagMark(p, c, 1.3 * r, t);
            }
        }
    }
    p.setClipping(false);
    paintLegend(p, m, fm, r);
    p.restore();
    return m;
}

std::optional<size_t> scoredTakeUpNear(std::span<const ScoredTakeUp> takeUps, Metric metric,
                                       const PlotMapping& mapping, const QPointF& pixel,
                                       double maxDistance) {
    std::optional<size_t> best;
    double bestDistance = maxDistance * mapping.unit();
    for (const Point& pt : pointsOf(takeUps, metric)) {
        const QPointF c = mapping.toPixel(pt.x, pt.ring);
        const double d = std::hypot(c.x() - pixel.x(), c.y() - pixel.y());
        if (d <= bestDistance) {
            bestDistance = d;
            best = pt.index;
        }
    }
    return best;
}

}  // namespace ostrevik
