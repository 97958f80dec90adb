#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace ostrevik {

// The commands that run without a window. None: the arguments name none of
// them, and the program starts with its window.
enum class Command {
    None,
    Help,
    Version,
    ExportCsv,
    Report,
    ArchiveImport,
    ArchiveList,
    Progress,
    SeasonReport,
    ArchiveGet,
    ArchiveCopy,
    ImportScores,
    ScoreAnalysis,
    DrillCheck,
    DrillList,
    ArchiveDrills,
    // Starts the window with a drill running: no command without a window,
    // but read here so that the call has one parser.
    Drill,
};

// A call of the command line taken apart.
struct CommandCall {
    Command command = Command::None;
    QStringList operands;       // in their order
    QString archive;            // --archive: another archive than the default one
    QDate from;                 // --from: the period's first day
    QDate to;                   // --to: its last day
    std::optional<int> offset;  // --offset: shots (negative: take-ups) to pass over first
    // What is wrong with the call, in German; empty when it is right.
    QString wrong;
};

// Takes the arguments apart, the program's name first (as argv and
// QCoreApplication::arguments() give them). Every option is written as
// "--name", its value as the next argument; "-h" is "--help". A call that
// names no command is left to the window's start, which knows Qt's options
// and "--debug"; so is "--drill", read again once Qt has taken its options
// out of the arguments.
CommandCall parseCommandLine(const QStringList& arguments);

// The command's name as it is typed: "--report".
QString commandOption(Command command);

}  // namespace ostrevik
