#pragma once

#include "analysis/TrainingReport.h"
#include "analysis/TrainingSession.h"
#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveError.h"
#include "drills/DrillVerdict.h"

#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace ostrevik {

// The verdicts of a kept run as the drill's computation gave them, the
// criteria found again by name in the drill kept with it (a name the drill
// does not have stays out of the words).
std::vector<TakeUpVerdict> keptVerdicts(const ArchivedDrillRun& run, const Drill& drill);

// The kept runs of a session's file, with their session's day and file.
struct ReportedDrillRun {
    QString file;  // the file's name
    QString date;  // the session's day as the report writes it
    ArchivedDrillRun run;
};

// The page "Übung" of a training report: for each drill run kept in the
// archive at archivePath (empty: the default one) with one of the sessions,
// its drill and the summary the drill window gave at its end. None when no
// session has a run (or the archive is missing or fails: `error`).
std::optional<ReportPage> trainingDrillPage(const QString& archivePath,
                                            std::span<const TrainingSession> sessions,
                                            ArchiveError& error);

}  // namespace ostrevik
