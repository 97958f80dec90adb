#include "analysis/ScorePage.h"

#include "analysis/ScorePlot.h"
#include "common/NumberFormat.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>

namespace ostrevik {
namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("ScorePage", text);
}

// The table of the metrics: Kennwert, n, r, 95 %-Intervall, Spearman.
double metricTable(QPainter& p, const QRectF& r, double y, const ScoreTable& table) {
    const QFont font = reportFont(7.5);
    const QFont bold = reportFont(7.5, true);
    const double lh = QFontMetricsF(font, p.device()).height();
    const double widths[] = {0.40, 0.08, 0.12, 0.25, 0.15};
    const QString headers[] = {tr("Kennwert"), tr("n"), tr("r"), tr("95 %-Intervall von r"),
                               tr("Spearman ρ")};
    auto cells = [&](double top, const QString* texts, const QFont& f, const QColor& c) {
        double x = r.left();
        p.setFont(f);
        p.setPen(c);
        for (size_t i = 0; i < 5; ++i) {
            const double w = widths[i] * r.width();
            p.drawText(QRectF(x + 0.3 * lh, top, w - 0.6 * lh, 1.3 * lh),
                       (i == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, texts[i]);
            x += w;
        }
    };
    p.fillRect(QRectF(r.left(), y, r.width(), 1.3 * lh), kReportHeaderFill);
    cells(y, headers, bold, Qt::black);
    y += 1.3 * lh;
    int row = 0;
    for (const MetricScoreRow& m : table.metrics) {
        if (row++ % 2 == 1) {
            p.fillRect(QRectF(r.left(), y, r.width(), 1.3 * lh), kReportStripe);
        }
        const Correlation& c = m.correlation;
        const QString texts[] = {metricHeader(m.metric), QString::number(c.n), scoreFigure(c.r),
                                 scoreInterval(c.low, c.high), scoreFigure(c.rho)};
        cells(y, texts, font, Qt::black);
        y += 1.3 * lh;
    }
    return y;
}

}  // namespace

Metric keyScoreMetric(const ScoreTable& table) {
    // The surest first: how far the interval keeps from 0; a strong r of a
    // handful of shots has an interval that reaches 0 and comes after.
    auto sureness = [](const Correlation& c) {
        if (!c.low || !c.high) {
            return 0.0;
        }
        return *c.low > 0.0 ? *c.low : *c.high < 0.0 ? -*c.high : 0.0;
    };
    std::optional<Metric> best;
    std::pair<double, double> strongest{-1.0, -1.0};
    for (const MetricScoreRow& row : table.metrics) {
        if (!row.correlation.r) {
            continue;
        }
        const std::pair<double, double> s{sureness(row.correlation), std::abs(*row.correlation.r)};
        if (s > strongest) {
            strongest = s;
            best = row.metric;
        }
    }
    return best.value_or(Metric::Schuss_ms);
}

QString scoreFigure(std::optional<double> value) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    return readerDecimalText(*value, 2);
}

QString scoreInterval(std::optional<double> low, std::optional<double> high) {
    if (!low || !high) {
        return {};
    }
    return scoreFigure(low) + QStringLiteral(" … ") + scoreFigure(high);
}

QString scoredCountText(int shots, int sessions) {
    const QString s =
        shots == 1 ? tr("%1 Schuss mit Ring").arg(shots) : tr("%1 Schüsse mit Ring").arg(shots);
    if (sessions <= 1) {
        return s;
    }
    return tr("%1 aus %2 Trainingseinheiten").arg(s).arg(sessions);
}

void paintScorePage(QPainter& p, const QRectF& r, const ScorePageData& data) {
    const ScoreTable table = scoreTable(data.takeUps);
    const Metric key = keyScoreMetric(table);
    const QFont title = reportFont(13, true);
    const QFont body = reportFont(9);
    const QFont bold = reportFont(9, true);
    const QFont small = reportFont(7.5);
    const double bh = QFontMetricsF(body, p.device()).height();

    double y = paintParagraph(p, r, r.top(), title, Qt::black, tr("Ringe"));
    y += 0.3 * bh;
    y = paintParagraph(
        p, r, y, body, Qt::black,
        data.scope + QStringLiteral(": ") + scoredCountText(table.scored, data.sessions));
    y += 0.6 * bh;
    const auto it = std::find_if(table.metrics.begin(), table.metrics.end(),
                                 [key](const MetricScoreRow& m) { return m.metric == key; });
    y = paintParagraph(p, r, y, bold, Qt::black, correlationText(key, it->correlation));
    y += 0.4 * bh;
    const double plotHeight = 0.45 * r.height();
    p.save();
    p.setFont(reportFont(7.5));
    paintScoreScatter(p, QRectF(r.left(), y, r.width(), plotHeight), data.takeUps, key);
    p.restore();
    y += plotHeight + 0.8 * bh;

    y = paintParagraph(p, r, y, bold, Qt::black, tr("Kennwerte und Ring"));
    y += 0.3 * bh;
    y = metricTable(p, r, y, table);
    y += 0.8 * bh;
    y = paintParagraph(p, r, y, bold, Qt::black, tr("Fehlermarken und Ring"));
    y += 0.3 * bh;
    for (const TagScoreRow& t : table.tags) {
        y = paintParagraph(p, r, y, body, Qt::black, differenceText(t.tag, t.difference));
        y += 0.2 * bh;
    }
    y += 0.6 * bh;
    paintParagraph(
        p, r, y, small, kReportGrey,
        tr("r ist die Korrelation nach Pearson zwischen Kennwert und Ring: nahe −1 gehen "
           "höhere Werte mit weniger Ringen einher, nahe +1 mit mehr. Das 95 %-Intervall "
           "ist nach Fishers z berechnet, ρ ist die Rangkorrelation nach Spearman. Die "
           "Differenz der Ringe mit und ohne Fehlermarke hat ihr 95 %-Intervall nach "
           "Welch. Schließt ein Intervall 0 ein, ist der Zusammenhang nicht gesichert."));
}

ReportPage scoreReportPage(const QString& title, ScorePageData data) {
    auto shared = std::make_shared<const ScorePageData>(std::move(data));
    return {title,
            [shared](QPainter& p, const QRectF& content) { paintScorePage(p, content, *shared); }};
}

}  // namespace ostrevik
