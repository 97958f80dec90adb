#include "cli/CommandOutput.h"

#include "analysis/TrainingSession.h"
#include "common/Texts.h"
#include "settings/Paths.h"

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

void Warn(const QString& message) {
    WriteError(QStringLiteral("ostrevik: ") + message + QLatin1Char('\n'));
}

int Fail(const QString& message) {
    Warn(message);
    return 1;
}

int Written(const QString& path, const FileWriteResult& result) {
    return result.ok ? 0 : Fail(Texts::FileNotSaved(path, result.reason));
}

int WrongCall(const QString& message) {
    WriteError(QStringLiteral("ostrevik: ") + message + QLatin1Char('\n') +
               QCoreApplication::translate("CommandLine", "Aufruf: ostrevik --help") +
               QLatin1Char('\n'));
    return 2;
}

bool IsMeasurementFileName(const QString& path) {
    return path.endsWith(QStringLiteral(".pvo"), Qt::CaseInsensitive);
}

bool LoadSession(const QString& path, TrainingSession& session) {
    QString error;
    if (!loadTrainingSession(path, session, error)) {
        Fail(error);
        return false;
    }
    if (!session.Warnung.isEmpty()) {
        Warn(session.Warnung);
    }
    return true;
}

ProgramSettings programSettings() {
    ProgramSettings s;
    loadSettings(s.config, configFilePath());
    s.analysis = loadAnalysisSettings();
    return s;
}

}  // namespace ostrevik
