#pragma once

#include "analysis/TrainingReport.h"
#include "analysis/TrainingSession.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveScores.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

namespace ostrevik {

class TrainingArchive;

// A shooter's season: the sessions of a period read from their measurement
// files, and the progress over them from the archive.
struct Season {
    QString shooter;
    QDate from;   // invalid: from the first session
    QDate to;     // invalid: to the last
    QString tag;  // empty: all sessions
    std::vector<TrainingSession> sessions;
    ProgressData progress;
    ArchivedScores scores;  // the take-ups with a ring of these sessions
    QStringList warnings;   // files that could not be read and are left out
};

// Reads the season of a shooter from the archive and his files. False with
// a German message when the archive fails; a file that has vanished or
// changed into something else is named in `warnings` and left out.
bool loadSeason(TrainingArchive& archive, qint64 shooterId, Season& season, QString& error);

// The season report: the training report's pages of the sessions (with
// their comparison when there are several), then one page per metric with
// its progress over the season, its trend in words and how to read it; when
// shots of the season have rings, the progress of the ring and the page
// "Ringe" over all of them follow. The returned input refers to `season`,
// which must outlive it.
ReportInput seasonReportInput(const Season& season, const QString& userName,
                              const DisplaySettings& display, const AnalysisSettings& settings);

// "Saison 2026/27 von Anna Beispiel: 09.09.2026 – 30.03.2027, 24 Trainingseinheiten".
QString seasonTitle(const Season& season);

}  // namespace ostrevik
