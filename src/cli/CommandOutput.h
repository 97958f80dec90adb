#pragma once

#include "analysis/AnalysisSettings.h"
#include "common/AtomicFile.h"
#include "settings/ConfigFile.h"

#include <QByteArray>
#include <QString>

namespace ostrevik {

struct TrainingSession;

// What the commands without a window write: their results on standard output,
// the program's own messages on standard error.
void WriteOut(const QString& text);
void WriteOut(const QByteArray& bytes);
void WriteError(const QString& text);
// "ostrevik: " + message on standard error, the command going on.
void Warn(const QString& message);
// The same message when the command ends with it; gives exit code 1.
int Fail(const QString& message);
// A wrong call: "ostrevik: " + message and the usage hint; gives exit code 2.
int WrongCall(const QString& message);
// A command's output file at path: 0 when written, else why not (exit 1).
int Written(const QString& path, const FileWriteResult& result);
// A file named like a measurement file (*.pvo, in any case). A command's
// output or second input named so is refused: a forgotten operand would
// otherwise overwrite, or be taken for, a measurement file.
bool IsMeasurementFileName(const QString& path);
// Reads a measurement file for a command: false after saying why; a warning
// of the reading (records cut) is said and the session used all the same.
bool LoadSession(const QString& path, TrainingSession& session);

// What the program itself would use: its configuration file (user name,
// drawing settings) and the analysis settings.
struct ProgramSettings {
    TConfigFile config;
    AnalysisSettings analysis;
};
// Read from the files the window would read them from, the configuration
// file first.
ProgramSettings programSettings();

}  // namespace ostrevik
