#include "archive/ArchiveSettings.h"

#include "analysis/AnalysisSettings.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"

#include <QSettings>

#include <exception>

namespace ostrevik {
namespace {

constexpr const char* kImportSaved = "Archiv/GespeicherteDateienAufnehmen";

}  // namespace

QString defaultArchiveSettingsPath() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrevik"),
                     QStringLiteral("Archiv"))
        .fileName();
}

ArchiveSettings loadArchiveSettings(const QString& path) {
    const QSettings s(path, QSettings::IniFormat);
    ArchiveSettings a;
    a.importSaved = s.value(QLatin1String(kImportSaved), a.importSaved).toBool();
    return a;
}

bool saveArchiveSettings(const ArchiveSettings& settings, const QString& path) {
    QSettings s(path, QSettings::IniFormat);
    s.setValue(QLatin1String(kImportSaved), settings.importSaved);
    s.sync();
    return s.status() == QSettings::NoError;
}

QString ImportAfterSave(const QString& path, const QString& archivePath,
                        const QString& settingsPath) noexcept {
    try {
        if (!loadArchiveSettings(settingsPath).importSaved) {
            return {};
        }
        QString error;
        const auto archive =
            TrainingArchive::open(TrainingArchive::pathOrDefault(archivePath), error);
        if (!archive) {
            return QStringLiteral(
                       "Die Datei wurde gespeichert, aber nicht ins Trainingsarchiv "
                       "aufgenommen.\n") +
                   error;
        }
        const ImportSummary summary = importPaths(*archive, {path}, loadAnalysisSettings());
        QString reason = summary.archiveError;
        if (reason.isEmpty() && !summary.refused.empty()) {
            reason = summary.refused.front().reason;
        }
        if (reason.isEmpty()) {
            return {};
        }
        return QStringLiteral(
                   "Die Datei wurde gespeichert, aber nicht ins Trainingsarchiv "
                   "aufgenommen.\n") +
               reason;
    } catch (const std::exception& e) {
        return QStringLiteral(
                   "Die Datei wurde gespeichert, aber nicht ins Trainingsarchiv "
                   "aufgenommen.\n") +
               QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral(
            "Die Datei wurde gespeichert, aber nicht ins Trainingsarchiv "
            "aufgenommen.");
    }
}

}  // namespace ostrevik
