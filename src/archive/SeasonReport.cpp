#include "archive/SeasonReport.h"

#include "analysis/ScorePage.h"
#include "archive/ArchiveFileCopies.h"
#include "archive/ArchiveSessions.h"
#include "archive/ArchiveTexts.h"
#include "archive/ProgressPlot.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>

namespace ostrevik {
namespace {

void paintProgressPage(QPainter& p, const QRectF& r, const Season& season, ProgressMetric metric) {
    const ProgressTrend trend = progressTrend(season.progress, metric);
    const QFont title = reportFont(13, true);
    const QFont body = reportFont(9);
    const QFont small = reportFont(7.5);
    const QFont plot = reportFont(7.5);
    const double th = QFontMetricsF(title, p.device()).height();
    const double bh = QFontMetricsF(body, p.device()).height();
    double y = r.top();
    p.setPen(Qt::black);
    p.setFont(title);
    p.drawText(QRectF(r.left(), y, r.width(), 1.4 * th), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Fortschritt: ") + progressCaption(metric));
    y += 1.5 * th;
    p.setFont(body);
    p.drawText(QRectF(r.left(), y, r.width(), 1.3 * bh), Qt::AlignLeft | Qt::AlignVCenter,
               ArchiveTexts::SeasonTitle(season));
    y += 1.8 * bh;
    const double plotHeight = 0.55 * r.height();
    p.save();
    p.setFont(plot);
    paintProgress(p, QRectF(r.left(), y, r.width(), plotHeight), season.progress, trend);
    p.restore();
    y += plotHeight + bh;
    const QString words = ArchiveTexts::TrendWords(trend);
    y = paintParagraph(p, r, y, reportFont(10, true), Qt::black, words) + bh;
    p.setFont(small);
    p.setPen(kReportGrey);
    p.drawText(QRectF(r.left(), y, r.width(), r.bottom() - y),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral(
                   "Je Trainingseinheit das Mittel der Druckpunktnahmen als Zeichen (Form und "
                   "Farbe nach den Marken der Einheit) und das 95 %-Intervall dieses Mittels als "
                   "Balken. Die gestrichelte Linie ist der Trend: eine Gerade durch die Mittel "
                   "über die Tage, ihre Steigung auf 30 Tage gerechnet. Schließt ihr "
                   "95 %-Intervall 0 ein, ist eine Änderung über die Saison nicht gesichert."));
}

// A session whose file is not on this PC, from the archive's copy.
bool fromCopy(TrainingArchive& archive, const ProgressSession& s, TrainingSession& session) {
    if (QFileInfo::exists(s.path)) {
        return false;
    }
    ArchiveError error;
    QString fileError;
    const std::optional<QByteArray> copy = sessionFileCopy(archive, s.id, error);
    return copy && trainingSessionFromBytes(s.path, *copy, session, fileError);
}

}  // namespace

bool loadSeason(TrainingArchive& archive, qint64 shooterId, Season& season, ArchiveError& error) {
    SessionFilter filter;
    filter.shooterId = shooterId;
    filter.from = season.from;
    filter.to = season.to;
    filter.tag = season.tag;
    const std::vector<ArchivedSession> sessions = listSessions(archive, filter, error);
    if (error.failed() || !loadProgress(archive, filter, sessions, season.progress, error) ||
        !loadArchivedScores(archive, filter, sessions, season.scores, error)) {
        return false;
    }
    season.sessions.clear();
    for (const ProgressSession& s : season.progress.sessions) {
        TrainingSession session;
        QString fileError;
        if (loadTrainingSession(s.path, session, fileError) || fromCopy(archive, s, session)) {
            season.sessions.push_back(std::move(session));
        } else {
            season.warnings << fileError;
        }
    }
    return true;
}

ReportInput seasonReportInput(const Season& season, const QString& userName,
                              const DisplaySettings& display, const AnalysisSettings& settings) {
    ReportInput input;
    input.userName = userName;
    input.sessions = season.sessions;
    input.display = display;
    input.settings = settings;
    const QString title = QStringLiteral("Saison: ") + ArchiveTexts::ShooterName(season.shooter);
    std::vector<ProgressMetric> metrics(kMetrics.begin(), kMetrics.end());
    if (!season.scores.takeUps.empty()) {
        metrics.push_back(ProgressMetric::ring());
    }
    for (ProgressMetric m : metrics) {
        input.extraPages.push_back({title, [&season, m](QPainter& p, const QRectF& r) {
                                        paintProgressPage(p, r, season, m);
                                    }});
    }
    if (!season.scores.takeUps.empty()) {
        input.extraPages.push_back(scoreReportPage(
            title,
            {ArchiveTexts::SeasonTitle(season), season.scores.sessions, season.scores.takeUps}));
    }
    return input;
}

SeasonReportResult writeSeasonReport(TrainingArchive& archive, const SeasonReportRequest& request,
                                     const ReportWriter& write) {
    SeasonReportResult result;
    Season season;
    season.shooter = request.shooter;
    season.from = request.filter.from;
    season.to = request.filter.to;
    season.tag = request.filter.tag;
    if (!loadSeason(archive, request.shooterId, season, result.archive)) {
        return result;
    }
    result.leftOut = season.warnings;
    result.sessions = static_cast<int>(season.sessions.size());
    result.written = write(request.path, seasonReportInput(season, request.userName,
                                                           request.display, request.settings));
    return result;
}

}  // namespace ostrevik
