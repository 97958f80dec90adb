#pragma once

#include "analysis/TrainingReport.h"
#include "analysis/TrainingSession.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveScores.h"
#include "common/AtomicFile.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>
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
// what went wrong in `error` when the archive fails; a file that has vanished
// or changed into something else is named in `warnings` and left out.
bool loadSeason(TrainingArchive& archive, qint64 shooterId, Season& season, ArchiveError& error);

// The season report: the training report's pages of the sessions (with
// their comparison when there are several), then one page per metric with
// its progress over the season, its trend in words and how to read it; when
// shots of the season have rings, the progress of the ring and the page
// "Ringe" over all of them follow. The returned input refers to `season`,
// which must outlive it.
ReportInput seasonReportInput(const Season& season, const QString& userName,
                              const DisplaySettings& display, const AnalysisSettings& settings);

// What writes a report to a PDF file: the program's report writer, which
// draws through the printer and so lives with the windows.
using ReportWriter = std::function<FileWriteResult(const QString& path, const ReportInput& input)>;

// "Saisonbericht als PDF…": the season report of a shooter's sessions as a
// filter chooses them (the period and tag; the shooter is the request's).
struct SeasonReportRequest {
    qint64 shooterId = 0;
    QString shooter;  // his name, for the title
    SessionFilter filter;
    QString path;  // the PDF file
    QString userName;
    DisplaySettings display = DisplaySettings::defaults();
    AnalysisSettings settings;
};

// What became of it: written (with the files left out, which could not be
// read), or the archive failed and nothing was written, or the file could
// not be written.
struct SeasonReportResult {
    ArchiveError archive;
    FileWriteResult written;
    QStringList leftOut;  // why each file left out could not be read
    int sessions = 0;     // the sessions in the report

    bool ok() const { return archive.ok() && written.ok; }
};

SeasonReportResult writeSeasonReport(TrainingArchive& archive, const SeasonReportRequest& request,
                                     const ReportWriter& write);

}  // namespace ostrevik
