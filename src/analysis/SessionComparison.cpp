#include "analysis/SessionComparison.h"

#include "analysis/SampleStatistics.h"
#include "common/NumberFormat.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace ostrevik {
namespace {

// The comparison's texts, translated under the context "SessionComparison".
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(SessionComparison)
};

std::optional<Metric> metricOf(KeyMetric m) {
    switch (m) {
        case KeyMetric::Schuss_ms:
            return Metric::Schuss_ms;
        case KeyMetric::Anstieg_200:
            return Metric::Anstieg_200;
        case KeyMetric::Halt_160:
            return Metric::Halt_160;
        case KeyMetric::Abweichung:
            return Metric::Abweichung;
        case KeyMetric::Markiert:
            break;
    }
    return std::nullopt;
}

KeyFigure meanFigure(const Summary& s) {
    KeyFigure f;
    f.count = s.count;
    f.mean = s.mean;
    f.low = s.ci95Low();
    f.high = s.ci95High();
    return f;
}

ComparedSession compared(const TrainingSession& session, const SessionAnalysis& a) {
    ComparedSession c;
    c.datum = session.datumText();
    c.name = session.Kopf.name();
    c.text = session.Kopf.text();
    c.dateiname = session.Dateiname;
    c.takeUps = static_cast<int>(a.rows.size());
    for (const TakeUpMetrics& row : a.rows) {
        if (row.hasShot()) {
            ++c.withShot;
            if (row.Zucken || row.Nachlassen || row.Unruhig) {
                ++c.tagged;
            }
        }
    }
    c.meanFirstOffset = a.overlay.meanFirstOffset;
    c.mean = a.overlay.mean;
    for (KeyMetric m : kKeyMetrics) {
        const auto metric = metricOf(m);
        // Tags need a shot, so the share is one of the take-ups with a shot.
        c.figures[static_cast<size_t>(m)] =
            metric ? meanFigure(summarizeMetric(a, *metric)) : shareFigure(c.tagged, c.withShot);
    }
    return c;
}

}  // namespace

QString keyMetricHeader(KeyMetric m) {
    if (const auto metric = metricOf(m)) {
        return metricHeader(*metric);
    }
    return Tr::tr("Markierte Druckpunktnahmen (%)");
}

QString formatKeyValue(KeyMetric m, std::optional<double> value) {
    return formatMetricValue(metricOf(m).value_or(Metric::Druck_Schuss), value);
}

KeyFigure shareFigure(int hits, int n) {
    KeyFigure f;
    f.count = n;
    if (n <= 0) {
        return f;
    }
    const double p = static_cast<double>(hits) / n;
    const double z2 = kNormalQuantile975 * kNormalQuantile975;
    const double denominator = 1.0 + z2 / n;
    const double centre = (p + z2 / (2.0 * n)) / denominator;
    const double half =
        kNormalQuantile975 * std::sqrt(p * (1.0 - p) / n + z2 / (4.0 * n * n)) / denominator;
    f.mean = 100.0 * p;
    // Exactly 0 and 100 % at the ends, where rounding would leave a trace.
    f.low = hits <= 0 ? 0.0 : 100.0 * std::max(0.0, centre - half);
    f.high = hits >= n ? 100.0 : 100.0 * std::min(1.0, centre + half);
    return f;
}

const MeanPoint* ComparedSession::meanAt(int offset) const {
    const int i = offset - meanFirstOffset;
    if (i < 0 || i >= static_cast<int>(mean.size()) || mean[static_cast<size_t>(i)].count == 0) {
        return nullptr;
    }
    return &mean[static_cast<size_t>(i)];
}

std::vector<size_t> chronologicalOrder(std::span<const TrainingSession> sessions) {
    std::vector<QDateTime> when;
    when.reserve(sessions.size());
    for (const TrainingSession& s : sessions) {
        when.push_back(s.zeitpunkt());
    }
    std::vector<size_t> order(sessions.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return when[a] < when[b]; });
    return order;
}

SessionComparison compareSessions(std::span<const TrainingSession> sessions,
                                  std::span<const SessionAnalysis> analyses) {
    SessionComparison c;
    const size_t n = std::min(sessions.size(), analyses.size());
    if (n > 0) {
        c.firstOffset = analyses[0].overlay.firstOffset;
        c.lastOffset = analyses[0].overlay.lastOffset;
    }
    for (size_t i : chronologicalOrder(sessions.first(n))) {
        ComparedSession s = compared(sessions[i], analyses[i]);
        s.number = static_cast<int>(c.sessions.size()) + 1;
        c.sessions.push_back(std::move(s));
    }
    return c;
}

SessionComparison compareSessions(std::span<const TrainingSession> sessions, int secondsBeforeShot,
                                  const AnalysisSettings& settings) {
    std::vector<SessionAnalysis> analyses;
    analyses.reserve(sessions.size());
    for (const TrainingSession& s : sessions) {
        analyses.push_back(analyseSession(s, secondsBeforeShot, settings));
    }
    return compareSessions(sessions, analyses);
}

QColor sessionColor(int index) {
    // Distinct on screen and on paper, also for readers with red-green
    // weakness (the Okabe-Ito colours).
    static const std::array<QColor, 8> kColors = {
        QColor(0, 114, 178),  QColor(230, 159, 0), QColor(0, 158, 115), QColor(204, 121, 167),
        QColor(86, 180, 233), QColor(213, 94, 0),  QColor(0, 0, 0),     QColor(240, 228, 66)};
    return kColors[static_cast<size_t>(std::max(index, 0)) % kColors.size()];
}

QString sessionLabel(const ComparedSession& s) {
    return s.datum.isEmpty() ? QString::number(s.number)
                             : QStringLiteral("%1 · %2").arg(s.number).arg(s.datum);
}

PlotMapping paintSessionCurves(QPainter& p, const QRectF& target, const SessionComparison& c) {
    const QFontMetricsF fm(p.font(), p.device());
    const double h = fm.height();
    // The legend takes a column right of the plot.
    double legendWidth = 0.0;
    for (const ComparedSession& s : c.sessions) {
        legendWidth = std::max(legendWidth, fm.horizontalAdvance(sessionLabel(s)));
    }
    legendWidth += legendWidth > 0.0 ? 2.6 * h : 0.0;
    const PlotMargins g = plotMargins(fm, fm.horizontalAdvance(QStringLiteral("100%")), false);
    const QRectF area = target.adjusted(g.left, g.top, -g.right - legendWidth, -g.bottom);
    const PlotMapping m(area, c.firstOffset * kSecondsPerSample, c.lastOffset * kSecondsPerSample,
                        0.0, 100.0, pixelUnit(fm));
    const double u = m.unit();

    p.save();
    p.fillRect(target, Qt::white);
    AxisTicks y;
    y.values = {0.0, 25.0, 50.0, 75.0, 100.0};
    const double labelSpace = fm.horizontalAdvance(QStringLiteral("-88,8")) + h;
    const AxisTicks x = niceTicks(m.xMin(), m.xMax(),
                                  std::max(1, static_cast<int>(area.width() / labelSpace)), 0.1);
    paintFrame(p, m, x, y, {QStringLiteral("%"), Tr::tr("Sekunden"), {}});

    p.save();
    p.setClipRect(area.adjusted(0, -4 * u, 0, 4 * u));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x80, 0x80), u, Qt::DotLine));
    p.drawLine(QPointF(m.xPixel(0.0), area.top()), QPointF(m.xPixel(0.0), area.bottom()));
    for (size_t i = 0; i < c.sessions.size(); ++i) {
        const ComparedSession& s = c.sessions[i];
        QPolygonF line;
        for (int k = c.firstOffset; k <= c.lastOffset; ++k) {
            if (const MeanPoint* mp = s.meanAt(k)) {
                line.append(m.toPixel(k * kSecondsPerSample, mp->mean));
            }
        }
        p.setPen(QPen(sessionColor(static_cast<int>(i)), 2.0 * u, Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.drawPolyline(line);
    }
    p.restore();

    if (c.sessions.empty()) {
        p.setPen(Qt::black);
        p.drawText(area, Qt::AlignCenter, Tr::tr("Keine Trainingseinheit gewählt"));
    }
    double ly = area.top();
    const double lx = area.right() + 1.2 * h;
    for (size_t i = 0; i < c.sessions.size(); ++i) {
        p.setPen(QPen(sessionColor(static_cast<int>(i)), 3.0 * u));
        p.drawLine(QPointF(lx, ly + h / 2), QPointF(lx + h, ly + h / 2));
        p.setPen(Qt::black);
        p.drawText(QRectF(lx + 1.4 * h, ly, legendWidth, h), Qt::AlignLeft | Qt::AlignVCenter,
                   sessionLabel(c.sessions[i]));
        ly += 1.3 * h;
    }
    p.restore();
    return m;
}

PlotMapping paintKeyMetric(QPainter& p, const QRectF& target, const SessionComparison& c,
                           KeyMetric metric) {
    const QFontMetricsF fm(p.font(), p.device());
    const double h = fm.height();
    double low = INFINITY;
    double high = -INFINITY;
    for (const ComparedSession& s : c.sessions) {
        const KeyFigure& f = s.figure(metric);
        for (const auto& v : {f.mean, f.low, f.high}) {
            if (v) {
                low = std::min(low, *v);
                high = std::max(high, *v);
            }
        }
    }
    if (metric == KeyMetric::Markiert) {
        // A share keeps its whole scale, so that 5 % and 10 % look close.
        low = 0.0;
        high = std::isfinite(high) ? std::max(high, 10.0) : 100.0;
    }
    const PlotMargins probe = plotMargins(fm, 0.0, true);
    const AxisTicks y = valueAxisTicks(low, high, target.height() - probe.top - probe.bottom, fm);
    const PlotMargins g = plotMargins(fm, widestLabel(y, fm), true);
    const QRectF area = target.adjusted(g.left, g.top, -g.right, -g.bottom);
    const int n = static_cast<int>(c.sessions.size());
    const PlotMapping m(area, 0.5, std::max(n, 1) + 0.5, y.values.front(), y.values.back(),
                        pixelUnit(fm));
    const double u = m.unit();

    p.save();
    p.fillRect(target, Qt::white);
    paintFrame(p, m, {}, y, {{}, {}, keyMetricHeader(metric)});

    // Session labels under their positions: number and date, or the
    // number alone where dates would run into each other.
    const double pitch = n > 0 ? area.width() / n : area.width();
    bool withDates = true;
    for (const ComparedSession& s : c.sessions) {
        withDates = withDates && fm.horizontalAdvance(s.datum) < 0.92 * pitch;
    }
    p.setPen(Qt::black);
    for (const ComparedSession& s : c.sessions) {
        const double x = m.xPixel(s.number);
        p.drawText(QRectF(x - pitch / 2, area.bottom() + 0.3 * h, pitch, h), Qt::AlignHCenter,
                   QString::number(s.number));
        if (withDates) {
            p.drawText(QRectF(x - pitch / 2, area.bottom() + 1.3 * h, pitch, h), Qt::AlignHCenter,
                       s.datum);
        }
    }

    p.setRenderHint(QPainter::Antialiasing);
    const double cap = std::min(0.9 * h, 0.25 * pitch);
    for (size_t i = 0; i < c.sessions.size(); ++i) {
        const ComparedSession& s = c.sessions[i];
        const KeyFigure& f = s.figure(metric);
        const double x = m.xPixel(s.number);
        if (f.low && f.high) {
            p.setPen(QPen(Qt::black, 1.5 * u));
            const double top = m.yPixel(*f.high);
            const double bottom = m.yPixel(*f.low);
            p.drawLine(QPointF(x, top), QPointF(x, bottom));
            p.drawLine(QPointF(x - cap / 2, top), QPointF(x + cap / 2, top));
            p.drawLine(QPointF(x - cap / 2, bottom), QPointF(x + cap / 2, bottom));
        }
        if (f.mean) {
            p.setPen(QPen(Qt::black, u));
            p.setBrush(sessionColor(static_cast<int>(i)));
            p.drawEllipse(m.toPixel(s.number, *f.mean), 3.5 * u, 3.5 * u);
            p.setBrush(Qt::NoBrush);
        }
    }
    p.restore();
    return m;
}

QString keyMetricsExplanation() {
    return Tr::tr(
        "Punkt: Mittel der Trainingseinheit. Strich: 95-%-Konfidenzintervall dieses Mittels. "
        "Liegen die Striche zweier Einheiten nicht übereinander, ist der Unterschied kaum "
        "Zufall; überlappen sie weit, kann er Zufall sein. Markiert: Anteil der "
        "Druckpunktnahmen mit Schuss, die als Zucken, Nachlassen oder Unruhig markiert sind.");
}

}  // namespace ostrevik
