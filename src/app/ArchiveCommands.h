#pragma once

#include <QString>
#include <QStringList>

namespace ostrevik {

// The season archive's commands of the command line: --archive-import,
// --archive-list, --progress and --season-report, each with an optional
// --archive FILE. Like the exports they open no window, search no port and
// take no single-instance lock.

// True when the arguments (without the program name) ask for one of them.
bool IsArchiveCommand(const QStringList& args);

// Runs it in the headless application the command line has made and returns
// the exit code: 0 on success, 1 when a file was refused or could not be read
// or written (the message on standard error), 2 for a wrong call.
int RunArchiveCommand(const QStringList& args);

// The commands' part of "--help".
QString ArchiveCommandsHelp();

}  // namespace ostrevik
