#include "archive/ArchiveSettings.h"

#include "analysis/AnalysisSettings.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveTexts.h"

#include "settings/IniFile.h"

#include <exception>

namespace ostrevik {
namespace {

constexpr const char* kSection = "Archiv";
constexpr const char* kImportSaved = "GespeicherteDateienAufnehmen";
constexpr const char* kArchive = "Ort";

}  // namespace

QString defaultArchiveSettingsPath() {
    return IniFile::defaultPath(QStringLiteral("Archiv"));
}

ArchiveSettings loadArchiveSettings(const QString& path) {
    ArchiveSettings a;
    const IniFile ini = IniFile::read(path);
    a.importSaved = ini.flag(kSection, kImportSaved, a.importSaved);
    a.archive = QString::fromUtf8(ini.value(kSection, kArchive).value_or(QByteArray())).trimmed();
    return a;
}

bool saveArchiveSettings(const ArchiveSettings& settings, const QString& path) {
    IniFile ini = IniFile::read(path);
    ini.setFlag(kSection, kImportSaved, settings.importSaved);
    ini.set(kSection, kArchive, settings.archive.toUtf8());
    return ini.write(path);
}

SavedFileImport importSavedFile(const QString& path, const QString& archivePath,
                                const QString& settingsPath, const LiveAnalysis* known) noexcept {
    SavedFileImport result;
    try {
        if (!loadArchiveSettings(settingsPath).importSaved) {
            result.kind = SavedFileImport::Kind::NotWanted;
            return result;
        }
        const auto archive =
            TrainingArchive::open(TrainingArchive::pathOrDefault(archivePath), result.archive);
        if (!archive) {
            result.kind = SavedFileImport::Kind::Archive;
            return result;
        }
        ArchiveError error;
        const FileImport file =
            importFile(*archive, path, loadAnalysisSettings(), error, nullptr, known);
        if (error.failed()) {
            result.kind = SavedFileImport::Kind::Archive;
            result.archive = error;
        } else if (file.outcome == ImportOutcome::Refused) {
            result.kind = SavedFileImport::Kind::Refused;
            result.refused = file;
        }
    } catch (const std::exception& e) {
        result.kind = SavedFileImport::Kind::Exception;
        result.detail = QString::fromLocal8Bit(e.what());
    } catch (...) {
        result.kind = SavedFileImport::Kind::Unknown;
    }
    return result;
}

QString ImportAfterSave(const QString& path, const QString& archivePath,
                        const QString& settingsPath, const LiveAnalysis* known) noexcept {
    try {
        return ArchiveTexts::SavedFileNotImported(
            importSavedFile(path, archivePath, settingsPath, known));
    } catch (...) {
        // Only the words could fail here (no memory): the save itself stands.
        return {};
    }
}

}  // namespace ostrevik
