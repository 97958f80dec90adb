#include "analysis/OverlayPlot.h"

#include "measurement/Raster.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace ostrevik {
namespace {

// Pen widths come from the configuration file unchecked; keep them to what
// the settings dialog offers.
double penWidth(uint32_t width, double unit) {
    return std::clamp<uint32_t>(width, 1, 10) * unit;
}

// The painted points of a curve: one per sample with a pressure. The line
// runs on over a shot slot from the sample before it to the one after it, as
// in the document's pictures.
QPolygonF curvePoints(const AlignedCurve& c, const PlotMapping& m) {
    QPolygonF points;
    points.reserve(static_cast<qsizetype>(c.samples.size()));
    const double dx = m.xPixel(kSecondsPerSample) - m.xPixel(0.0);
    const double x0 = m.xPixel(c.firstOffset * kSecondsPerSample);
    for (size_t i = 0; i < c.samples.size(); ++i) {
        if (c.samples[i] != kShotMark) {
            points.append(
                QPointF(x0 + static_cast<double>(i) * dx, m.yPixel(pressurePercent(c.samples[i]))));
        }
    }
    return points;
}

// The mean curve and its band over the overlay's time range.
struct MeanLines {
    QPolygonF mean;
    QPolygonF band;  // upper edge left to right, then lower edge right to left
};

// Where only a few of the take-ups reach (the longest lead-ins, the longest
// follow-throughs), the mean is the mean of one or two curves and would look
// like a feature of the session; it is drawn where at least 30 % of the
// take-ups (and two of them) have a value.
int meanMinimumCount(const ShotOverlay& o) {
    const auto n = static_cast<int>(o.curves.size());
    return n <= 1 ? 1 : std::max(2, (3 * n + 9) / 10);
}

MeanLines meanLines(const ShotOverlay& o, const PlotMapping& m) {
    MeanLines lines;
    QPolygonF lower;
    const int minimum = meanMinimumCount(o);
    for (int k = o.firstOffset; k <= o.lastOffset; ++k) {
        const MeanPoint* p = o.meanAt(k);
        if (!p || p->count < minimum) {
            continue;
        }
        const double x = m.xPixel(k * kSecondsPerSample);
        lines.mean.append(QPointF(x, m.yPixel(p->mean)));
        if (p->sd) {
            lines.band.append(QPointF(x, m.yPixel(p->mean + *p->sd)));
            lower.append(QPointF(x, m.yPixel(p->mean - *p->sd)));
        }
    }
    std::reverse(lower.begin(), lower.end());
    lines.band += lower;
    return lines;
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    double t = length2 > 0.0 ? QPointF::dotProduct(p - a, ab) / length2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

int highlightedCurve(const ShotOverlay& o, const std::optional<int>& listIndex) {
    if (!listIndex) {
        return -1;
    }
    for (size_t i = 0; i < o.curves.size(); ++i) {
        if (o.curves[i].listIndex == *listIndex) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The thin, half-transparent curves of [from, to), but the highlighted one.
int paintThinCurves(QPainter& p, const PlotMapping& m, const ShotOverlay& o, int from, int to,
                    int highlighted) {
    int painted = 0;
    for (int i = from; i < to; ++i) {
        if (i != highlighted) {
            p.drawPolyline(curvePoints(o.curves[static_cast<size_t>(i)], m));
            ++painted;
        }
    }
    return painted;
}

}  // namespace

bool OverlayCurveCache::paintCurves(QPainter& p, const PlotMapping& m, const ShotOverlay& o,
                                    const QPen& pen, int highlighted) {
    auto* target = dynamic_cast<QImage*>(p.device());
    if (!target || p.transform().type() > QTransform::TxNone) {
        return false;
    }
    const int newest = static_cast<int>(o.curves.size()) - 1;
    Key key;
    key.curveSeries = o.curveSeries;
    key.pixels = target->size();
    key.pixelRatio = target->devicePixelRatio();
    key.area = m.area();
    key.xMin = m.xMin();
    key.xMax = m.xMax();
    key.unit = m.unit();
    key.clip = p.hasClipping() ? p.clipBoundingRect() : QRectF();
    key.color = pen.color().rgba();
    key.width = pen.widthF();
    key.highlighted = highlighted;
    if (!(key == key_) || drawn_ > std::max(newest, 0)) {
        key_ = key;
        image_ = QImage(key.pixels, QImage::Format_ARGB32_Premultiplied);
        image_.setDevicePixelRatio(key.pixelRatio);
        image_.fill(Qt::transparent);
        drawn_ = 0;
        ++redraws_;
    }
    if (drawn_ < newest) {
        // Painted as they would be painted straight onto the plot.
        QPainter layer(&image_);
        if (!key.clip.isNull()) {
            layer.setClipRect(key.clip);
        }
        layer.setRenderHints(p.renderHints());
        layer.setPen(pen);
        layer.setBrush(Qt::NoBrush);
        curvesPainted_ += paintThinCurves(layer, m, o, drawn_, newest, highlighted);
        drawn_ = newest;
    }
    p.drawImage(QPointF(0, 0), image_);
    return true;
}

PlotMapping overlayMapping(const QRectF& target, const ShotOverlay& o,
                           const QFontMetricsF& metrics) {
    const PlotMargins g =
        plotMargins(metrics, metrics.horizontalAdvance(QStringLiteral("100%")), false);
    const QRectF area = target.adjusted(g.left, g.top, -g.right, -g.bottom);
    return PlotMapping(area, o.firstSecond(), o.lastSecond(), 0.0, 100.0, pixelUnit(metrics));
}

PlotMapping paintOverlay(QPainter& p, const QRectF& target, const ShotOverlay& o,
                         const OverlayStyle& style, OverlayCurveCache* cache) {
    const QFontMetricsF fm(p.font(), p.device());
    const PlotMapping m = overlayMapping(target, o, fm);
    const double u = m.unit();
    const DisplaySettings& d = style.display;
    const QColor curveColor = colorFromRef(d.curveColor);
    const QColor shotColor = colorFromRef(d.shotColor);

    p.save();
    p.fillRect(target, Qt::white);
    AxisTicks y;
    y.values = {0.0, 25.0, 50.0, 75.0, 100.0};
    const double labelSpace = fm.horizontalAdvance(QStringLiteral("-88,8")) + fm.height();
    const AxisTicks x = niceTicks(o.firstSecond(), o.lastSecond(),
                                  static_cast<int>(m.area().width() / labelSpace), 0.1);
    paintFrame(p, m, x, y, {QStringLiteral("%"), QStringLiteral("Sekunden"), {}});

    // Curves at 0 % and 100 % keep their full width.
    p.setClipRect(m.area().adjusted(0, -6 * u, 0, 6 * u));
    p.setRenderHint(QPainter::Antialiasing);

    const MeanLines lines = meanLines(o, m);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 90, 120, 60));
    p.drawPolygon(lines.band);
    p.setBrush(Qt::NoBrush);

    const int newest = static_cast<int>(o.curves.size()) - 1;
    const int highlighted = highlightedCurve(o, style.highlightedListIndex);
    QColor faint = curveColor;
    faint.setAlpha(70);
    const QPen thin(faint, u);
    if (!cache || !cache->paintCurves(p, m, o, thin, highlighted)) {
        p.setPen(thin);
        paintThinCurves(p, m, o, 0, newest, highlighted);
    }

    if (o.meanThreshold) {
        p.setPen(QPen(colorFromRef(d.thresholdColor), penWidth(d.thresholdWidth, u), Qt::DashLine));
        const double yT = m.yPixel(*o.meanThreshold);
        p.drawLine(QPointF(m.area().left(), yT), QPointF(m.area().right(), yT));
    }
    p.setPen(QPen(shotColor, u, Qt::DotLine));
    p.drawLine(QPointF(m.xPixel(0.0), m.area().top()), QPointF(m.xPixel(0.0), m.area().bottom()));

    p.setPen(QPen(Qt::black, std::max(2.0 * u, penWidth(d.curveWidth, u))));
    p.drawPolyline(lines.mean);

    const QPen selectedPen(shotColor, penWidth(d.curveWidth, u));
    if (highlighted >= 0 && highlighted != newest) {
        p.setPen(selectedPen);
        p.drawPolyline(curvePoints(o.curves[static_cast<size_t>(highlighted)], m));
    }
    if (newest >= 0) {
        // The newest take-up on top; selected, it shows as selected.
        p.setPen(highlighted == newest ? selectedPen : QPen(curveColor, penWidth(d.curveWidth, u)));
        p.drawPolyline(curvePoints(o.curves.back(), m));
    } else {
        p.setPen(Qt::black);
        p.drawText(m.area(), Qt::AlignCenter, QStringLiteral("Keine Druckpunktnahme mit Schuss"));
    }
    p.restore();
    return m;
}

std::optional<int> curveNear(const ShotOverlay& o, const PlotMapping& m, const QPointF& pixel,
                             double maxDistance) {
    const double limit = maxDistance * m.unit();
    double best = limit;
    int bestCurve = -1;
    for (size_t c = 0; c < o.curves.size(); ++c) {
        const QPolygonF points = curvePoints(o.curves[c], m);
        if (points.isEmpty() || pixel.x() < points.first().x() - limit ||
            pixel.x() > points.last().x() + limit) {
            continue;
        }
        double nearest = std::hypot(pixel.x() - points.first().x(), pixel.y() - points.first().y());
        for (qsizetype i = 1; i < points.size(); ++i) {
            const QPointF& a = points[i - 1];
            const QPointF& b = points[i];
            if (std::max(a.x(), b.x()) < pixel.x() - limit ||
                std::min(a.x(), b.x()) > pixel.x() + limit) {
                continue;
            }
            nearest = std::min(nearest, distanceToSegment(pixel, a, b));
        }
        // Later curves are painted over earlier ones, so they win a tie.
        if (nearest <= best) {
            best = nearest;
            bestCurve = static_cast<int>(c);
        }
    }
    if (bestCurve < 0) {
        return std::nullopt;
    }
    return o.curves[static_cast<size_t>(bestCurve)].listIndex;
}

}  // namespace ostrevik
