#include "archive/ProgressPlot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace ostrevik {
namespace {

const QColor kTrendColor(0xB0, 0x20, 0x30);
const QColor kBarColor(0x50, 0x50, 0x50);

// Forms and colours of the tag groups, in the order the groups appear.
enum class Form { Circle, Square, Triangle, Diamond, Cross };
constexpr std::array<Form, 5> kForms = {Form::Circle, Form::Square, Form::Triangle, Form::Diamond,
                                        Form::Cross};
const std::array<QColor, 6> kColors = {QColor(0x1F, 0x5F, 0xB0), QColor(0xD0, 0x70, 0x10),
                                       QColor(0x20, 0x90, 0x40), QColor(0x80, 0x30, 0xA0),
                                       QColor(0x00, 0x90, 0x90), QColor(0x90, 0x60, 0x20)};

void paintMark(QPainter& p, const QPointF& c, double r, size_t group) {
    p.setBrush(kColors[group % kColors.size()]);
    p.setPen(QPen(Qt::black, r / 4));
    switch (kForms[group % kForms.size()]) {
        case Form::Circle:
            p.drawEllipse(c, r, r);
            break;
        case Form::Square:
            p.drawRect(QRectF(c.x() - r * 0.9, c.y() - r * 0.9, 1.8 * r, 1.8 * r));
            break;
        case Form::Triangle: {
            const QPointF pts[3] = {{c.x(), c.y() - 1.15 * r},
                                    {c.x() - 1.1 * r, c.y() + 0.8 * r},
                                    {c.x() + 1.1 * r, c.y() + 0.8 * r}};
            p.drawPolygon(pts, 3);
            break;
        }
        case Form::Diamond: {
            const QPointF pts[4] = {{c.x(), c.y() - 1.2 * r},
                                    {c.x() + 1.2 * r, c.y()},
                                    {c.x(), c.y() + 1.2 * r},
                                    {c.x() - 1.2 * r, c.y()}};
            p.drawPolygon(pts, 4);
            break;
        }
        case Form::Cross:
            p.setPen(QPen(kColors[group % kColors.size()], r / 1.6));
            p.drawLine(QPointF(c.x() - r, c.y() - r), QPointF(c.x() + r, c.y() + r));
            p.drawLine(QPointF(c.x() - r, c.y() + r), QPointF(c.x() + r, c.y() - r));
            break;
    }
}

const std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                             "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};

struct DayTick {
    double day = 0.0;
    QString label;
};

// Ticks of the calendar axis: weeks over a short period, else the first of
// each month (every second, third, ... when they would crowd).
std::vector<DayTick> dayTicks(const QDate& origin, double first, double last, double width,
                              double labelWidth) {
    std::vector<DayTick> ticks;
    const int maxTicks = std::max(2, static_cast<int>(width / labelWidth));
    const QDate from = origin.addDays(static_cast<qint64>(std::floor(first)));
    const QDate to = origin.addDays(static_cast<qint64>(std::ceil(last)));
    if (last - first <= 70) {
        const int step =
            std::max(7, static_cast<int>(std::ceil((last - first) / maxTicks / 7.0)) * 7);
        QDate d = from.addDays((8 - from.dayOfWeek()) % 7);  // the first Monday
        for (; d <= to; d = d.addDays(step)) {
            ticks.push_back(
                {static_cast<double>(origin.daysTo(d)), d.toString(QStringLiteral("dd.MM."))});
        }
        return ticks;
    }
    const int months = (to.year() - from.year()) * 12 + to.month() - from.month() + 1;
    int step = 1;
    for (int s : {1, 2, 3, 6, 12, 24}) {
        step = s;
        if (months / s <= maxTicks) {
            break;
        }
    }
    QDate d(from.year(), from.month(), 1);
    if (d < from) {
        d = d.addMonths(1);
    }
    for (; d <= to; d = d.addMonths(1)) {
        if ((d.year() * 12 + d.month() - 1) % step != 0) {
            continue;
        }
        ticks.push_back({static_cast<double>(origin.daysTo(d)),
                         QString::fromUtf8(kMonths[static_cast<size_t>(d.month() - 1)]) +
                             QStringLiteral(" %1").arg(d.year() % 100, 2, 10, QLatin1Char('0'))});
    }
    return ticks;
}

}  // namespace

QString tagGroup(const ProgressSession& session) {
    return session.tags.isEmpty() ? QStringLiteral("ohne Marken")
                                  : session.tags.join(QStringLiteral(", "));
}

QStringList tagGroups(const ProgressData& data) {
    QStringList groups;
    for (const ProgressSession& s : data.sessions) {
        const QString g = tagGroup(s);
        if (!groups.contains(g)) {
            groups << g;
        }
    }
    return groups;
}

namespace {

struct Layout {
    PlotMapping mapping;
    AxisTicks y;
    QDate origin;
    double firstDay = 0.0;  // of the sessions with a mean, from origin
    double lastDay = 0.0;
};

Layout layout(const QRectF& target, const ProgressData& data, const ProgressTrend& trend,
              const QFontMetricsF& fm) {
    Layout l;
    const ProgressMetric m = trend.metric;
    double low = INFINITY;
    double high = -INFINITY;
    double firstDay = 0.0;
    double lastDay = 0.0;
    bool any = false;
    for (const ProgressSession& s : data.sessions) {
        if (!s.date.isValid()) {
            continue;
        }
        if (!l.origin.isValid()) {
            l.origin = s.date;
        }
        const double day = static_cast<double>(l.origin.daysTo(s.date));
        firstDay = any ? std::min(firstDay, day) : day;
        lastDay = any ? std::max(lastDay, day) : day;
        any = true;
        const Summary& f = s.figure(m);
        for (const auto& v : {f.mean, f.ci95Low(), f.ci95High()}) {
            if (v) {
                low = std::min(low, *v);
                high = std::max(high, *v);
            }
        }
    }
    if (!l.origin.isValid()) {
        l.origin = QDate::currentDate();
    }
    for (const double day : {firstDay, lastDay}) {
        if (const auto v = trend.valueOn(l.origin.addDays(static_cast<qint64>(day)))) {
            low = std::min(low, *v);
            high = std::max(high, *v);
        }
    }
    const PlotMargins probe = plotMargins(fm, 0.0, true);
    l.y = valueAxisTicks(low, high, target.height() - probe.top - probe.bottom, fm);
    PlotMargins g = plotMargins(fm, widestLabel(l.y, fm), true);
    g.right = std::max(g.right, 2.0 * fm.height());
    const QRectF area = target.adjusted(g.left, g.top, -g.right, -g.bottom);
    // A few days' room on both sides, so that the first and last marks keep
    // their bars clear of the axes.
    const double pad = std::max(2.0, 0.03 * (lastDay - firstDay));
    l.firstDay = firstDay;
    l.lastDay = lastDay;
    l.mapping = PlotMapping(area, firstDay - pad, lastDay + pad, l.y.values.front(),
                            l.y.values.back(), pixelUnit(fm));
    return l;
}

}  // namespace

PlotMapping paintProgress(QPainter& p, const QRectF& target, const ProgressData& data,
                          const ProgressTrend& trend, const std::vector<qint64>& selected) {
    const QFontMetricsF fm(p.font(), p.device());
    const Layout l = layout(target, data, trend, fm);
    const PlotMapping& m = l.mapping;
    const double u = m.unit();
    const double h = fm.height();
    p.save();
    p.fillRect(target, Qt::white);
    paintFrame(p, m, AxisTicks{}, l.y, {{}, {}, progressHeader(trend.metric)});

    // The calendar below the plot.
    const std::vector<DayTick> ticks =
        dayTicks(l.origin, m.xMin(), m.xMax(), m.area().width(),
                 fm.horizontalAdvance(QStringLiteral("Sep 26")) + 1.5 * h);
    for (const DayTick& t : ticks) {
        const double x = m.xPixel(t.day);
        if (x < m.area().left() - 0.5 || x > m.area().right() + 0.5) {
            continue;
        }
        p.setPen(QPen(QColor(0xC0, 0xC0, 0xC0), u));
        p.drawLine(QPointF(x, m.area().top()), QPointF(x, m.area().bottom()));
        p.setPen(Qt::black);
        const double w = fm.horizontalAdvance(t.label);
        p.drawText(QRectF(x - w / 2, m.area().bottom() + 0.3 * h, w, h),
                   Qt::AlignHCenter | Qt::TextDontClip, t.label);
    }

    if (data.sessions.empty()) {
        p.setPen(QColor(0x60, 0x60, 0x60));
        p.drawText(m.area(), Qt::AlignCenter, QStringLiteral("Keine Trainingseinheit im Archiv"));
        p.restore();
        return m;
    }

    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(target);
    // The trend across the sessions' days.
    if (trend.fit.slope) {
        const double first = l.firstDay;
        const double last = l.lastDay;
        const auto y0 = trend.valueOn(l.origin.addDays(static_cast<qint64>(first)));
        const auto y1 = trend.valueOn(l.origin.addDays(static_cast<qint64>(last)));
        if (y0 && y1) {
            p.setPen(QPen(kTrendColor, 2 * u, Qt::DashLine));
            p.drawLine(m.toPixel(first, *y0), m.toPixel(last, *y1));
        }
    }

    const QStringList groups = tagGroups(data);
    const double r = 3.5 * u;
    for (const ProgressSession& s : data.sessions) {
        const Summary& f = s.figure(trend.metric);
        if (!f.mean || !s.date.isValid()) {
            continue;
        }
        const double x = m.xPixel(static_cast<double>(l.origin.daysTo(s.date)));
        if (f.ci95Low() && f.ci95High()) {
            p.setPen(QPen(kBarColor, 1.5 * u));
            const double top = m.yPixel(*f.ci95High());
            const double bottom = m.yPixel(*f.ci95Low());
            p.drawLine(QPointF(x, top), QPointF(x, bottom));
            p.drawLine(QPointF(x - r, top), QPointF(x + r, top));
            p.drawLine(QPointF(x - r, bottom), QPointF(x + r, bottom));
        }
        const QPointF c(x, m.yPixel(*f.mean));
        if (std::ranges::find(selected, s.id) != selected.end()) {
            p.setPen(QPen(Qt::black, 1.5 * u));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(c, 2.2 * r, 2.2 * r);
        }
        paintMark(p, c, r, static_cast<size_t>(groups.indexOf(tagGroup(s))));
    }

    // The legend of the groups, top right inside the plot.
    p.setClipping(false);
    double lw = 0.0;
    for (const QString& g : groups) {
        lw = std::max(lw, fm.horizontalAdvance(g));
    }
    const double rowH = 1.25 * h;
    const QRectF box(
        m.area().right() - lw - 3.2 * h, m.area().top() + 0.3 * h, lw + 3.0 * h,
        rowH * static_cast<double>(groups.size() + (trend.fit.slope ? 1 : 0)) + 0.4 * h);
    p.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), u));
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawRect(box);
    double y = box.top() + 0.2 * h + rowH / 2;
    for (qsizetype i = 0; i < groups.size(); ++i) {
        paintMark(p, QPointF(box.left() + 1.0 * h, y), r, static_cast<size_t>(i));
        p.setPen(Qt::black);
        p.drawText(QRectF(box.left() + 2.0 * h, y - h / 2, lw + h, h),
                   Qt::AlignLeft | Qt::AlignVCenter, groups[i]);
        y += rowH;
    }
    if (trend.fit.slope) {
        p.setPen(QPen(kTrendColor, 2 * u, Qt::DashLine));
        p.drawLine(QPointF(box.left() + 0.4 * h, y), QPointF(box.left() + 1.6 * h, y));
        p.setPen(Qt::black);
        p.drawText(QRectF(box.left() + 2.0 * h, y - h / 2, lw + h, h),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Trend"));
    }
    p.restore();
    return m;
}

std::optional<qint64> sessionAt(const PlotMapping& m, const ProgressData& data,
                                ProgressMetric metric, const QPointF& point) {
    std::optional<qint64> best;
    double bestDistance = 8.0 * m.unit();
    QDate origin;
    for (const ProgressSession& s : data.sessions) {
        if (!s.date.isValid()) {
            continue;
        }
        if (!origin.isValid()) {
            origin = s.date;
        }
        const Summary& f = s.figure(metric);
        if (!f.mean) {
            continue;
        }
        const QPointF c = m.toPixel(static_cast<double>(origin.daysTo(s.date)), *f.mean);
        const double d = std::hypot(c.x() - point.x(), c.y() - point.y());
        if (d <= bestDistance) {
            bestDistance = d;
            best = s.id;
        }
    }
    return best;
}

}  // namespace ostrevik
