#pragma once

#include <QByteArray>
#include <QString>

namespace ostrevik {

struct TrainingSession;

// What the commands without a window write: their results on standard output,
// the program's own messages on standard error.
void WriteOut(const QString& text);
void WriteOut(const QByteArray& bytes);
void WriteError(const QString& text);
// "ostrevik: " + message on standard error; gives exit code 1.
int Fail(const QString& message);
// A wrong call: "ostrevik: " + message and the usage hint; gives exit code 2.
int WrongCall(const QString& message);
// Reads a measurement file for a command: false after saying why; a warning
// of the reading (records cut) is said and the session used all the same.
bool LoadSession(const QString& path, TrainingSession& session);

}  // namespace ostrevik
