#pragma once

#include "analysis/TrainingReport.h"
#include "common/AtomicFile.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ostrevik {

// The commands of the command line that run without a window: the CSV
// export and the training report of measurement files, the season archive's
// and the rings' commands, the help text and the version. None of them opens
// a window, searches the serial ports or takes the single-instance lock, so
// they run beside an open program and without a display.

// What writes a training report to a PDF file. The program hands in the
// windows' own writer, so that a report from the command line is the one
// the menu writes.
using ReportFileWriter =
    std::function<FileWriteResult(const QString& path, const ReportInput& input)>;

// Runs the command the arguments ask for and returns its exit code: 0 on
// success, 1 for a missing, unreadable or unwritable file, a refused file or
// a failed archive (with the German message on standard error), 2 for a
// wrong call. Without such a command, nothing: the program starts with its
// window.
std::optional<int> RunCommandLine(int argc, char* argv[], const ReportFileWriter& writeReport);

// "--drill ÜBUNG [DATEI.pvo]": the program starts with its window and the
// drill running. Read from the arguments once Qt has taken its own options
// out (QCoreApplication::arguments()). Nothing when the call names no drill;
// for a wrong call the exit code 2, after saying why on standard error.
struct DrillStart {
    QString drill;  // a drill's name or a drill file
    QString file;   // the measurement file, absolute; empty: a new document
    std::optional<int> exitCode;
};
std::optional<DrillStart> readDrillStart(const QStringList& arguments);

// Qt's notice that XDG_RUNTIME_DIR is not set. The program never uses that
// directory; the notice is not one of its messages.
bool IsRuntimeDirectoryNotice(const QString& text);

}  // namespace ostrevik
