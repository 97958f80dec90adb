#include "analysis/OverlayPlot.h"

#include "analysis/TakeUpScore.h"
#include "measurement/Raster.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace ostrevik {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("OverlayPlot", text);
}

// A curve of no ring in a ring colouring.
const QColor kNoRing(0x90, 0x90, 0x90, 60);
// Coloured curves need more of their colour than the grey mass to be told apart.
constexpr int kRingAlpha = 150;

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

// A curve's pen: the thin pen, or with a ring colouring its ring's colour.
QPen curvePen(const QPen& thin, const AlignedCurve& c, const RingColouring* rings, int alpha) {
    if (!rings) {
        return thin;
    }
    QPen pen = thin;
    const auto it = rings->rings.find(c.listIndex);
    if (it == rings->rings.end()) {
        QColor grey = kNoRing;
        if (alpha == 255) {
            grey.setAlpha(255);  // the newest take-up stands out from the mass
        }
        pen.setColor(grey);
        return pen;
    }
    QColor color = ringColor(it->second, rings->lowest, rings->highest);
    color.setAlpha(alpha);
    pen.setColor(color);
    return pen;
}

// The thin, half-transparent curves of [from, to), but the highlighted one.
int paintThinCurves(QPainter& p, const PlotMapping& m, const ShotOverlay& o, int from, int to,
                    int highlighted, const QPen& thin, const RingColouring* rings) {
    int painted = 0;
    p.setPen(thin);
    for (int i = from; i < to; ++i) {
        if (i != highlighted) {
            const AlignedCurve& c = o.curves[static_cast<size_t>(i)];
            if (rings) {
                p.setPen(curvePen(thin, c, rings, kRingAlpha));
            }
            p.drawPolyline(curvePoints(c, m));
            ++painted;
        }
    }
    return painted;
}

// The legend of a ring colouring, top left in the plot: the colours from
// the lowest ring to the highest, and the grey of curves without a ring.
void paintRingLegend(QPainter& p, const PlotMapping& m, const RingColouring& rings,
                     bool someWithout) {
    const QFontMetricsF fm(p.font(), p.device());
    const double h = fm.height();
    const double u = m.unit();
    const QString low = ringText(rings.lowest);
    const QString high = ringText(rings.highest);
    const QString title = tr("Ring");
    const QString without = tr("ohne Ring");
    const double bar = 7.0 * h;
    double width = fm.horizontalAdvance(title) + fm.horizontalAdvance(low) + bar +
                   fm.horizontalAdvance(high) + 2.0 * h;
    if (someWithout) {
        width += 2.6 * h + fm.horizontalAdvance(without);
    }
    const QRectF box(m.area().left() + 0.5 * h, m.area().top() + 0.4 * h, width, 1.6 * h);
    p.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), u));
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawRect(box);
    double x = box.left() + 0.4 * h;
    const double y = box.top();
    auto text = [&](const QString& s) {
        p.setPen(Qt::black);
        const double w = fm.horizontalAdvance(s);
        p.drawText(QRectF(x, y, w, box.height()), Qt::AlignLeft | Qt::AlignVCenter, s);
        x += w + 0.3 * h;
    };
    text(title);
    text(low);
    QLinearGradient g(QPointF(x, 0), QPointF(x + bar, 0));
    for (int k = 0; k <= 4; ++k) {
        const double ring = rings.lowest + (rings.highest - rings.lowest) * k / 4.0;
        g.setColorAt(k / 4.0, ringColor(ring, rings.lowest, rings.highest));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRect(QRectF(x, y + 0.45 * h, bar, 0.7 * h));
    x += bar + 0.3 * h;
    text(high);
    if (someWithout) {
        x += 0.6 * h;
        p.setPen(QPen(QColor(0x90, 0x90, 0x90), 2 * u));
        p.drawLine(QPointF(x, y + 0.8 * h), QPointF(x + 1.4 * h, y + 0.8 * h));
        x += 1.7 * h;
        text(without);
    }
}

}  // namespace

RingColouring ringColouring(const std::map<int, double>& ringsByNumber) {
    static std::atomic<uint64_t> lastVersion{0};
    RingColouring c;
    c.version = ++lastVersion;
    bool first = true;
    for (const auto& [number, ring] : ringsByNumber) {
        c.rings[number - 1] = ring;
        c.lowest = first ? ring : std::min(c.lowest, ring);
        c.highest = first ? ring : std::max(c.highest, ring);
        first = false;
    }
    return c;
}

QColor ringColor(double ring, double lowest, double highest) {
    // Vermilion for the session's worst shots, through reddish purple to
    // blue for its best: warm to cool, which a shooter who cannot tell red
    // from green still reads in order (a red-to-green scale he could not).
    const double share =
        highest > lowest ? std::clamp((ring - lowest) / (highest - lowest), 0.0, 1.0) : 1.0;
    static const QColor stops[] = {QColor(0xD5, 0x5E, 0x00), QColor(0xCC, 0x79, 0xA7),
                                   QColor(0x00, 0x72, 0xB2)};
    const double at = share * 2.0;
    const int i = std::min(static_cast<int>(at), 1);
    const double t = at - i;
    auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    const QColor& from = stops[i];
    const QColor& to = stops[i + 1];
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                  mix(from.blue(), to.blue()));
}

bool OverlayCurveCache::paintCurves(QPainter& p, const PlotMapping& m, const ShotOverlay& o,
                                    const QPen& pen, int highlighted, const RingColouring* rings) {
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
    key.rings = rings ? rings->version : 0;
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
        layer.setBrush(Qt::NoBrush);
        curvesPainted_ += paintThinCurves(layer, m, o, drawn_, newest, highlighted, pen, rings);
        drawn_ = newest;
    }
    p.drawImage(QPointF(0, 0), image_);
    return true;
}

bool OverlayCurveCache::paintFrame(QPainter& p, const QRectF& target, const PlotMapping& m,
                                   const std::function<void(QPainter&)>& paint) {
    auto* image = dynamic_cast<QImage*>(p.device());
    if (!image || p.transform().type() > QTransform::TxNone || p.hasClipping() ||
        target != QRectF(QPointF(0, 0), image->deviceIndependentSize())) {
        return false;
    }
    FrameKey key;
    key.pixels = image->size();
    key.pixelRatio = image->devicePixelRatio();
    key.dotsPerMeterX = image->dotsPerMeterX();
    key.dotsPerMeterY = image->dotsPerMeterY();
    key.format = image->format();
    key.area = m.area();
    key.xMin = m.xMin();
    key.xMax = m.xMax();
    key.unit = m.unit();
    key.font = p.font().key();
    key.hints = static_cast<int>(p.renderHints());
    if (!(key == frameKey_) || frame_.isNull()) {
        // Painted on an image like the target, so that its texts come out
        // in the same pixels as painted straight onto it.
        frame_ = QImage(key.pixels, key.format);
        frame_.setDevicePixelRatio(key.pixelRatio);
        frame_.setDotsPerMeterX(key.dotsPerMeterX);
        frame_.setDotsPerMeterY(key.dotsPerMeterY);
        QPainter layer(&frame_);
        layer.setFont(p.font());
        layer.setRenderHints(p.renderHints());
        paint(layer);
        frameKey_ = key;
        ++framesPainted_;
    }
    p.drawImage(QPointF(0, 0), frame_);
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
    const auto frame = [&](QPainter& q) {
        q.fillRect(target, Qt::white);
        AxisTicks y;
        y.values = {0.0, 25.0, 50.0, 75.0, 100.0};
        const double labelSpace = fm.horizontalAdvance(QStringLiteral("-88,8")) + fm.height();
        const AxisTicks x = niceTicks(o.firstSecond(), o.lastSecond(),
                                      static_cast<int>(m.area().width() / labelSpace), 0.1);
        paintFrame(q, m, x, y, {tr("%"), tr("Sekunden"), {}});
    };
    if (!cache || !cache->paintFrame(p, target, m, frame)) {
        frame(p);
    }

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
    const RingColouring* rings = style.rings;
    if (!cache || !cache->paintCurves(p, m, o, thin, highlighted, rings)) {
        paintThinCurves(p, m, o, 0, newest, highlighted, thin, rings);
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
        QPen newestPen(curveColor, penWidth(d.curveWidth, u));
        if (rings) {
            newestPen = curvePen(newestPen, o.curves.back(), rings, 255);
        }
        p.setPen(highlighted == newest ? selectedPen : newestPen);
        p.drawPolyline(curvePoints(o.curves.back(), m));
    } else {
        p.setPen(Qt::black);
        p.drawText(m.area(), Qt::AlignCenter, tr("Keine Druckpunktnahme mit Schuss"));
    }
    if (rings && !rings->rings.empty()) {
        p.setClipping(false);
        const bool someWithout = std::ranges::any_of(o.curves, [rings](const AlignedCurve& c) {
            return !rings->rings.contains(c.listIndex);
        });
        paintRingLegend(p, m, *rings, someWithout);
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
