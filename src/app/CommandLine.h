#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace ostrevik {

// The commands of the command line that run without a window: the CSV
// export and the training report of measurement files, the help text and
// the version. None of them opens a window, searches the serial ports or
// takes the single-instance lock, so they run beside an open program and
// without a display.

// Runs the command the arguments ask for and returns its exit code: 0 on
// success, 1 for a missing, unreadable or unwritable file (with the German
// message on standard error), 2 for a wrong call. Without such a command,
// nothing: the program starts as usual.
std::optional<int> RunCommandLine(int argc, char* argv[]);

// The help text of "--help", with the configuration file the user name
// comes from.
QString CommandLineHelp(const QString& configPath);
QString CommandLineVersion();

// Qt's notice that XDG_RUNTIME_DIR is not set. The program never uses that
// directory; the notice is not one of its messages.
bool IsRuntimeDirectoryNotice(const QString& text);

}  // namespace ostrevik
