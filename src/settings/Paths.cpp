#include "settings/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

QString configFilePathFor(const QString& exeDirectory, bool exeDirectoryWritable) {
    if (exeDirectoryWritable) {
        return QDir(exeDirectory).filePath(QLatin1String(kConfigFileName));
    }
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/Ostrevik/") + QLatin1String(kConfigFileName);
}

QString configFilePath() {
    const QString dir = exeDir();
    return configFilePathFor(dir, QFileInfo(dir).isWritable());
}

QString helpFilePath() {
    const QString beside = inExeDir(kHelpFileName);
    if (QFileInfo::exists(beside)) {
        return beside;
    }
    // An installed program keeps its data in the GNU layout: <prefix>/bin and
    // <prefix>/share/ostrevik.
    const QString installed = QDir::cleanPath(exeDir() + QStringLiteral("/../share/ostrevik/") +
                                              QLatin1String(kHelpFileName));
    return QFileInfo::exists(installed) ? installed : beside;
}

}  // namespace ostrevik
