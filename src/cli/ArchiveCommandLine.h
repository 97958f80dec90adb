#pragma once

#include "cli/CommandCall.h"
#include "cli/CommandLine.h"

namespace ostrevik {

// The season archive's commands, each on the archive --archive names or the
// default one. Each returns the exit code: 0 on success, 1 when a file was
// refused or could not be read or written, or the archive failed (the
// message on standard error), 2 for a wrong call.

// "--archive-import PFAD …": measurement files and folders into the archive.
int ArchiveImportCommand(const CommandCall& call);
// "--archive-list [SCHÜTZE]": a CSV line per session on standard output.
int ArchiveListCommand(const CommandCall& call);
// "--progress SCHÜTZE AUS.csv": the progress figures per session and metric.
int ProgressCommand(const CommandCall& call);
// "--season-report SCHÜTZE AUS.pdf": the shooter's season as a report.
int SeasonReportCommand(const CommandCall& call, const ReportFileWriter& writeReport);
// "--archive-drills SCHÜTZE AUS.csv": every drill run kept for the shooter,
// a line per take-up.
int ArchiveDrillsCommand(const CommandCall& call);
// "--archive-get NAME AUS.pvo": a session's measurement file from the
// archive's copy, byte for byte.
int ArchiveGetCommand(const CommandCall& call);
// "--archive-copy VON NACH": a whole archive into another; only what is
// missing there.
int ArchiveCopyCommand(const CommandCall& call);

}  // namespace ostrevik
