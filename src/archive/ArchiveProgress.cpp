#include "archive/ArchiveProgress.h"

#include "archive/ArchiveDatabase.h"
#include "common/NumberFormat.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <map>

namespace ostrevik {
namespace {

constexpr char kSeparator = ';';
const QString kGermanDate = QStringLiteral("dd.MM.yyyy");

QString tr(const char* text) {
    return QCoreApplication::translate("ArchiveProgress", text);
}

// The rings of the sessions' shots, by the sessions' places in `index`.
bool loadRings(TrainingArchive& archive, const SessionFilter& filter,
               const std::map<qint64, size_t>& index, std::vector<std::vector<double>>& rings,
               ArchiveError& error) {
    QSqlQuery q(archive.db());
    if (!execForShooter(archive, q,
                        QStringLiteral("SELECT r.sitzung_id, r.ring FROM ring r JOIN "
                                       "druckpunktnahme d ON d.sitzung_id = r.sitzung_id AND d.nr "
                                       "= r.nr WHERE d.schuss = 1"),
                        filter, QStringLiteral("r.sitzung_id"), error)) {
        return false;
    }
    while (q.next()) {
        if (const auto it = index.find(q.value(0).toLongLong()); it != index.end()) {
            rings[it->second].push_back(q.value(1).toDouble());
        }
    }
    return true;
}

}  // namespace

ProgressMetric ProgressMetric::fromIndex(int index) {
    return ProgressMetric(std::clamp(index, 0, kMetricCount + 1));
}

QString progressCaption(ProgressMetric metric) {
    if (metric.isPassRate()) {
        return tr("Bestanden");
    }
    return metric.isRing() ? tr("Ring") : metricCaption(metric.metric());
}

QString progressUnit(ProgressMetric metric) {
    if (metric.isPassRate()) {
        return QStringLiteral("%");
    }
    return metric.isRing() ? tr("Ringe") : metricUnit(metric.metric());
}

QString progressHeader(ProgressMetric metric) {
    if (metric.isPassRate()) {
        return tr("Bestanden (%)");
    }
    return metric.isRing() ? tr("Ring") : metricHeader(metric.metric());
}

bool loadProgress(TrainingArchive& archive, const SessionFilter& filter, ProgressData& out,
                  ArchiveError& error) {
    out = {};
    const std::vector<ArchivedSession> sessions = listSessions(archive, filter, error);
    return error.ok() && loadProgress(archive, filter, sessions, out, error);
}

bool loadProgress(TrainingArchive& archive, const SessionFilter& filter,
                  const std::vector<ArchivedSession>& sessions, ProgressData& out,
                  ArchiveError& error) {
    out = {};
    std::map<qint64, size_t> index;
    for (const ArchivedSession& s : sessions) {
        index[s.id] = out.sessions.size();
        out.sessions.push_back({s.id, s.date, s.path, s.tags, {}});
    }
    if (sessions.empty()) {
        return true;
    }
    QString columns;
    for (Metric m : kMetrics) {
        columns += QStringLiteral(", ") + metricName(m);
    }
    QSqlQuery q(archive.db());
    if (!execForShooter(archive, q,
                        QStringLiteral("SELECT sitzung_id%1 FROM druckpunktnahme").arg(columns),
                        filter, QStringLiteral("sitzung_id"), error)) {
        return false;
    }
    std::vector<std::array<std::vector<double>, kMetricCount>> values(out.sessions.size());
    while (q.next()) {
        const auto it = index.find(q.value(0).toLongLong());
        if (it == index.end()) {
            continue;  // outside the period or the tag
        }
        auto& v = values[it->second];
        for (int k = 0; k < kMetricCount; ++k) {
            const QVariant value = q.value(k + 1);
            if (!value.isNull()) {
                v[static_cast<size_t>(k)].push_back(value.toDouble());
            }
        }
    }
    std::vector<std::vector<double>> rings(out.sessions.size());
    if (!loadRings(archive, filter, index, rings, error)) {
        return false;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        for (size_t k = 0; k < kMetricCount; ++k) {
            out.sessions[i].figures[k] = summarize(values[i][k]);
        }
        out.sessions[i].figures[kMetricCount] = summarize(rings[i]);
    }
    return true;
}

std::optional<double> ProgressTrend::slopePer30Days() const {
    return fit.slope ? std::optional(*fit.slope * kDaysPerMonth) : std::nullopt;
}

std::optional<double> ProgressTrend::lowPer30Days() const {
    const auto v = fit.slopeLow();
    return v ? std::optional(*v * kDaysPerMonth) : std::nullopt;
}

std::optional<double> ProgressTrend::highPer30Days() const {
    const auto v = fit.slopeHigh();
    return v ? std::optional(*v * kDaysPerMonth) : std::nullopt;
}

std::optional<double> ProgressTrend::valueOn(const QDate& day) const {
    if (!fit.slope || !fit.intercept || !origin.isValid()) {
        return std::nullopt;
    }
    return *fit.intercept + *fit.slope * static_cast<double>(origin.daysTo(day));
}

ProgressTrend progressTrend(const ProgressData& data, ProgressMetric metric) {
    ProgressTrend t;
    t.metric = metric;
    std::vector<double> x;
    std::vector<double> y;
    for (const ProgressSession& s : data.sessions) {
        const Summary& f = s.figure(metric);
        if (!f.mean || !s.date.isValid()) {
            continue;
        }
        if (!t.origin.isValid()) {
            t.origin = s.date;
        }
        x.push_back(static_cast<double>(t.origin.daysTo(s.date)));
        y.push_back(*f.mean);
    }
    t.sessions = static_cast<int>(x.size());
    t.fit = fitLine(x, y);
    return t;
}

QString progressNumber(ProgressMetric metric, std::optional<double> value) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    const bool oneDecimal =
        metric.isPassRate() || (!metric.isRing() && inMilliseconds(metric.metric()));
    return decimalCommaText(*value, oneDecimal ? 1 : 2);
}

QByteArray csvField(const QString& text) {
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return text.toUtf8();
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return '"' + quoted.toUtf8() + '"';
}

QByteArray progressCsv(const ProgressData& data) {
    QByteArray out = "Datum;Datei;Metrik;n;Mittelwert;KI_unten;KI_oben\n";
    for (const ProgressSession& s : data.sessions) {
        const QByteArray head =
            s.date.toString(kGermanDate).toUtf8() + kSeparator + csvField(s.path) + kSeparator;
        for (Metric m : kMetrics) {
            const Summary& f = s.figure(m);
            out += head;
            out += metricName(m).toUtf8();
            out += kSeparator;
            out += QByteArray::number(f.count);
            out += kSeparator;
            out += progressNumber(m, f.mean).toUtf8();
            out += kSeparator;
            out += progressNumber(m, f.ci95Low()).toUtf8();
            out += kSeparator;
            out += progressNumber(m, f.ci95High()).toUtf8();
            out += '\n';
        }
    }
    for (Metric m : kMetrics) {
        const ProgressTrend t = progressTrend(data, m);
        out += "Trend;;";
        out += metricName(m).toUtf8();
        out += kSeparator;
        out += QByteArray::number(t.sessions);
        out += kSeparator;
        out += progressNumber(m, t.slopePer30Days()).toUtf8();
        out += kSeparator;
        out += progressNumber(m, t.lowPer30Days()).toUtf8();
        out += kSeparator;
        out += progressNumber(m, t.highPer30Days()).toUtf8();
        out += '\n';
    }
    return out;
}

QByteArray sessionListCsv(const std::vector<ArchivedSession>& sessions) {
    QByteArray out =
        QStringLiteral("Datum;Schütze;Datei;Druckpunktnahmen;Schüsse;Marken\n").toUtf8();
    for (const ArchivedSession& s : sessions) {
        out += s.date.toString(kGermanDate).toUtf8();
        out += kSeparator;
        out += csvField(s.shooter);
        out += kSeparator;
        out += csvField(s.path);
        out += kSeparator;
        out += QByteArray::number(s.takeUps);
        out += kSeparator;
        out += QByteArray::number(s.shots);
        out += kSeparator;
        out += csvField(s.tags.join(QStringLiteral(", ")));
        out += '\n';
    }
    return out;
}

}  // namespace ostrevik
