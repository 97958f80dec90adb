#pragma once

#include "analysis/ScoreStatistics.h"
#include "analysis/TrainingReport.h"

#include <QString>

#include <optional>
#include <vector>

class QPainter;
class QRectF;

namespace ostrevik {

// The metric that goes most surely with the ring: its 95 % interval
// farthest from 0, then the largest |r|. The one a page with room for one
// plot shows, and the tab's first choice; Schuss_ms when none has an r.
Metric keyScoreMetric(const ScoreTable& table);

// Figures as the score tables write them: two decimals, a real minus sign
// ("−0,42"); empty for none. An interval "−0,70 … −0,03", empty without
// both ends.
QString scoreFigure(std::optional<double> value);
QString scoreInterval(std::optional<double> low, std::optional<double> high);

// How many of the take-ups have a ring, and from how many sessions:
// "58 Schüsse mit Ring aus 3 Trainingseinheiten".
QString scoredCountText(int shots, int sessions);

// What a page "Ringe" shows.
struct ScorePageData {
    QString scope;  // the sessions it covers, under the page's heading
    int sessions = 1;
    std::vector<ScoredTakeUp> takeUps;
};

// The page "Ringe" of a report: the ring against the key metric with its
// correlation in words, per metric n, r with its interval and Spearman's
// rho, per fault tag the mean rings with and without it and their
// difference, and how to read them.
void paintScorePage(QPainter& painter, const QRectF& content, const ScorePageData& data);

// That page as a page of the training report or the season report.
ReportPage scoreReportPage(const QString& title, ScorePageData data);

}  // namespace ostrevik
