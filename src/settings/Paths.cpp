#include "settings/Paths.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ostrevik {

QString directoryOf(const QString& executablePath) {
    const qsizetype slash = executablePath.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        return QStringLiteral(".");
    }
    if (slash == 0) {
        return QStringLiteral("/");
    }
    return executablePath.left(slash);
}

QString exeDir() {
    static const QString dir = [] {
        if (QCoreApplication::instance()) {
            return directoryOf(QCoreApplication::applicationFilePath());
        }
        return directoryOf(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    }();
    return dir;
}

namespace {

QString inExeDir(const char* name) {
    const QString dir = exeDir();
    return (dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/')) + QLatin1String(name);
}

}  // namespace

QString configFilePath() {
    return inExeDir(kConfigFileName);
}

QString helpFilePath() {
    return inExeDir(kHelpFileName);
}

}  // namespace ostrevik
