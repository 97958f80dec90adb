#pragma once

#include <QString>
#include <QStringList>

namespace ostrevik {

// The rings' commands of the command line: --import-scores and
// --score-analysis, each with an optional --archive FILE. Like the exports
// they open no window, search no port and take no single-instance lock.

// True when the arguments (without the program name) ask for one of them.
bool IsScoreCommand(const QStringList& args);

// Runs it in the headless application the command line has made and returns
// the exit code: 0 on success, 1 when a file was refused, could not be read
// or written, or the shots and the take-ups do not pair up (the message on
// standard error), 2 for a wrong call.
int RunScoreCommand(const QStringList& args);

// The commands' part of "--help".
QString ScoreCommandsHelp();

}  // namespace ostrevik
