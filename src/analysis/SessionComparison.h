#pragma once

#include "analysis/PlotFrame.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/TrainingSession.h"

#include <QColor>
#include <QString>

#include <array>
#include <optional>
#include <span>
#include <vector>

class QPainter;

namespace ostrevik {

// The figures by which sessions are compared over weeks.
enum class KeyMetric { Schuss_ms, Anstieg_200, Halt_160, Abweichung, Markiert };
inline constexpr std::array<KeyMetric, 5> kKeyMetrics = {
    KeyMetric::Schuss_ms, KeyMetric::Anstieg_200, KeyMetric::Halt_160, KeyMetric::Abweichung,
    KeyMetric::Markiert};

// "Zeit bis Schuss (ms)", ..., "Markierte Druckpunktnahmen (%)".
QString keyMetricHeader(KeyMetric metric);
// A value as tables write it: milliseconds whole, the others with one decimal.
QString formatKeyValue(KeyMetric metric, std::optional<double> value);

// A session's mean of one figure and the 95 % confidence interval of that
// mean.
struct KeyFigure {
    int count = 0;  // the take-ups it rests on
    std::optional<double> mean;
    std::optional<double> low;
    std::optional<double> high;
};

// A share of hits in n trials, in percent, with Wilson's 95 % interval: it
// stays inside 0..100 % and does not collapse to a point for a session
// without a single hit, as an interval of the mean of 0/1 values would.
KeyFigure shareFigure(int hits, int n);

// One session as the comparison shows it.
struct ComparedSession {
    int number = 0;     // from 1, in the order of the sessions' dates
    QString datum;      // the header's date, or the file's day when that does not read
    QString name;       // the header's name
    QString text;       // the header's text
    QString dateiname;  // full path
    int takeUps = 0;    // completed take-ups
    int withShot = 0;
    int tagged = 0;  // take-ups with a shot and at least one fault tag
    int meanFirstOffset = 0;
    std::vector<MeanPoint> mean;  // the mean shot-aligned curve
    std::array<KeyFigure, kKeyMetrics.size()> figures;

    const KeyFigure& figure(KeyMetric m) const { return figures[static_cast<size_t>(m)]; }
    const MeanPoint* meanAt(int offset) const;
};

struct SessionComparison {
    std::vector<ComparedSession> sessions;  // in the order of their dates
    int firstOffset = 0;                    // time range of the mean curves
    int lastOffset = kOverlayAfterShot;
};

// The positions of sessions in the order of their dates: the header's
// "Datum" where it reads as a date, otherwise the file's time; sessions of
// one day keep the order they were given in.
std::vector<size_t> chronologicalOrder(std::span<const TrainingSession> sessions);

// The comparison of sessions already analysed (analyses[i] belongs to
// sessions[i]); the result is in date order.
SessionComparison compareSessions(std::span<const TrainingSession> sessions,
                                  std::span<const SessionAnalysis> analyses);
SessionComparison compareSessions(std::span<const TrainingSession> sessions, int secondsBeforeShot,
                                  const AnalysisSettings& settings);

// The colour of a session in every plot of the comparison.
QColor sessionColor(int index);
// "1 · 07.12.26".
QString sessionLabel(const ComparedSession& session);

// Paints each session's mean curve, aligned at the shot, into target of any
// painter, with a legend of the sessions.
PlotMapping paintSessionCurves(QPainter& painter, const QRectF& target,
                               const SessionComparison& comparison);
// Paints one figure per session: its mean as a dot in the session's colour
// and its 95 % interval as a bar, sessions left to right in date order.
PlotMapping paintKeyMetric(QPainter& painter, const QRectF& target,
                           const SessionComparison& comparison, KeyMetric metric);

// How to read the charts, for the window and the report.
QString keyMetricsExplanation();

}  // namespace ostrevik
