#pragma once

#include "analysis/Metrics.h"
#include "analysis/SampleStatistics.h"
#include "archive/ArchiveSessions.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace ostrevik {

class TrainingArchive;

// What the progress follows over the sessions: one of the take-ups'
// metrics, the ring of the shots that have one, or the share of take-ups
// that passed a drill (the drill's name in ProgressData::drill).
class ProgressMetric {
public:
    // A metric stands for itself wherever a progress metric is asked for.
    ProgressMetric(Metric metric) : index_(static_cast<int>(metric)) {}  // NOLINT
    static ProgressMetric ring() { return ProgressMetric(kMetricCount); }
    static ProgressMetric passRate() { return ProgressMetric(kMetricCount + 1); }
    // 0 .. kMetricCount - 1 the metrics in their order, kMetricCount the
    // ring, kMetricCount + 1 the pass rate.
    static ProgressMetric fromIndex(int index);

    bool isRing() const { return index_ == kMetricCount; }
    bool isPassRate() const { return index_ == kMetricCount + 1; }
    Metric metric() const {
        return index_ >= kMetricCount ? Metric::Schuss_ms : static_cast<Metric>(index_);
    }
    int index() const { return index_; }
    bool operator==(const ProgressMetric&) const = default;

private:
    explicit ProgressMetric(int index) : index_(index) {}
    int index_;
};
inline constexpr int kProgressMetricCount = kMetricCount + 2;

// The metric's caption, unit and caption with unit; for the ring "Ring",
// "Ringe" and "Ring"; for the pass rate "Bestanden", "%", "Bestanden (%)".
QString progressCaption(ProgressMetric metric);
QString progressUnit(ProgressMetric metric);
QString progressHeader(ProgressMetric metric);

// One session of the progress: every metric's mean over its take-ups with
// the 95 % interval of that mean (Student's t), as the analysis summarises a
// metric over a session; and the same of the rings of its shots that have
// one.
struct ProgressSession {
    qint64 id = 0;
    QDate date;
    QString path;
    QStringList tags;
    std::array<Summary, kProgressMetricCount> figures{};

    const Summary& figure(ProgressMetric m) const {
        return figures[static_cast<size_t>(m.index())];
    }
};

// The sessions of a shooter (or a filter's choice of them) in date order,
// read from the archive once; a metric's progress is computed from it at no
// further cost.
struct ProgressData {
    std::vector<ProgressSession> sessions;
    // The drill whose pass rate the sessions' figures hold (see
    // loadDrillPassRates); empty: none.
    QString drill;
};

bool loadProgress(TrainingArchive& archive, const SessionFilter& filter, ProgressData& out,
                  ArchiveError& error);
// The same for sessions the caller has listed with `filter` already.
bool loadProgress(TrainingArchive& archive, const SessionFilter& filter,
                  const std::vector<ArchivedSession>& sessions, ProgressData& out,
                  ArchiveError& error);

// The trend of a metric: a straight line through the sessions' means
// against their days, its slope per 30 days with its 95 % interval. Empty
// below three sessions with a mean, or when all lie on one day.
struct ProgressTrend {
    ProgressMetric metric = Metric::Schuss_ms;
    int sessions = 0;  // sessions with a mean of the metric
    QDate origin;      // day 0 of the line
    LineFit fit;       // x in days from origin
    std::optional<double> slopePer30Days() const;
    std::optional<double> lowPer30Days() const;
    std::optional<double> highPer30Days() const;
    // The line's value on a day.
    std::optional<double> valueOn(const QDate& day) const;
};
inline constexpr double kDaysPerMonth = 30.0;

ProgressTrend progressTrend(const ProgressData& data, ProgressMetric metric);

// A figure of the progress with the decimal comma: times with one decimal,
// pressures, shares and rings with two.
QString progressNumber(ProgressMetric metric, std::optional<double> value);

// "--progress": one line per session and metric in date order
// (Datum;Datei;Metrik;n;Mittelwert;KI_unten;KI_oben), then one line per
// metric with its trend (Trend;;Metrik;n;Steigung_pro_30_Tage;KI_unten;KI_oben);
// semicolons, decimal comma, UTF-8, with a header line.
QByteArray progressCsv(const ProgressData& data);

// "--archive-list": Datum;Schütze;Datei;Druckpunktnahmen;Schüsse;Marken.
QByteArray sessionListCsv(const std::vector<ArchivedSession>& sessions);

// A field of a line with semicolons: quoted when it holds a semicolon, a
// quote or a line break.
QByteArray csvField(const QString& text);

}  // namespace ostrevik
