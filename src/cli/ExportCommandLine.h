#pragma once

#include "cli/CommandCall.h"
#include "cli/CommandLine.h"

namespace ostrevik {

// The exports of measurement files. Each returns the exit code: 0 on
// success, 1 for a missing, unreadable or unwritable file (the message on
// standard error), 2 for a wrong call.

// "--export-csv EIN.pvo PRÄFIX": the take-ups and the samples as CSV files,
// with the rings the default archive holds for the file.
int ExportCsvCommand(const CommandCall& call);

// "--report EIN.pvo [EIN2.pvo …] BERICHT.pdf": the training report, the
// sessions compared, and a page "Ringe" when the archive has rings for them.
int ReportCommand(const CommandCall& call, const ReportFileWriter& writeReport);

}  // namespace ostrevik
