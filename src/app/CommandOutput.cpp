#include "app/CommandOutput.h"

#include "analysis/TrainingSession.h"

#include <QCoreApplication>

#include <cstdio>

namespace ostrevik {

namespace {

void toStream(std::FILE* stream, const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

}  // namespace

void WriteOut(const QString& text) {
    toStream(stdout, text.toLocal8Bit());
}

void WriteOut(const QByteArray& bytes) {
    toStream(stdout, bytes);
}

void WriteError(const QString& text) {
    toStream(stderr, text.toLocal8Bit());
}

int Fail(const QString& message) {
    WriteError(QStringLiteral("ostrevik: ") + message + QLatin1Char('\n'));
    return 1;
}

int WrongCall(const QString& message) {
    WriteError(QStringLiteral("ostrevik: ") + message + QLatin1Char('\n') +
               QCoreApplication::translate("CommandLine", "Aufruf: ostrevik --help") +
               QLatin1Char('\n'));
    return 2;
}

bool LoadSession(const QString& path, TrainingSession& session) {
    QString error;
    if (!loadTrainingSession(path, session, error)) {
        Fail(error);
        return false;
    }
    if (!session.Warnung.isEmpty()) {
        WriteError(QStringLiteral("ostrevik: ") + session.Warnung + QLatin1Char('\n'));
    }
    return true;
}

}  // namespace ostrevik
