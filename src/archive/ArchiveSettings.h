#pragma once

#include "archive/ArchiveError.h"
#include "archive/ArchiveImport.h"

#include <QString>

namespace ostrevik {

// The archive's settings, kept beside the analysis' settings in a file of
// their own and never in Ostrevik.cfg.
struct ArchiveSettings {
    // "Gespeicherte Dateien ins Archiv aufnehmen".
    bool importSaved = true;
    // "Archiv wählen…": the archive the program works with, a file or a
    // server's address (never with a password); empty: the default file.
    QString archive;
};

// $XDG_CONFIG_HOME/Ostrevik/Archiv.ini (~/.config/Ostrevik/Archiv.ini).
QString defaultArchiveSettingsPath();
ArchiveSettings loadArchiveSettings(const QString& path = defaultArchiveSettingsPath());
bool saveArchiveSettings(const ArchiveSettings& settings,
                         const QString& path = defaultArchiveSettingsPath());

// What became of a saved file that the archive was to take in.
struct SavedFileImport {
    enum class Kind {
        Taken,      // in the archive (added, updated or unchanged)
        NotWanted,  // "Gespeicherte Dateien ins Archiv aufnehmen" is off
        Archive,    // the archive could not be opened or written: `archive`
        Refused,    // the file was refused: `refused`
        Exception,  // an unexpected failure: its words in `detail`
        Unknown,    // an unexpected failure without words
    };
    Kind kind = Kind::Taken;
    ArchiveError archive;
    FileImport refused;
    QString detail;

    bool ok() const { return kind == Kind::Taken || kind == Kind::NotWanted; }
};

// Called after a document was saved successfully: takes its file into the
// archive when the setting is on, and says what became of it. `known`: the
// document's live analysis, taken instead of measuring the file anew when it
// fits (see importFile). Never throws; the saved file is never touched.
SavedFileImport importSavedFile(const QString& path,
                                const QString& archivePath = QString(),  // empty: the default
                                const QString& settingsPath = defaultArchiveSettingsPath(),
                                const LiveAnalysis* known = nullptr) noexcept;

// The same, for a window that only passes the words on: an empty string when
// done or not wanted, otherwise why the archive could not take the file
// (ArchiveTexts::SavedFileNotImported).
QString ImportAfterSave(const QString& path,
                        const QString& archivePath = QString(),  // empty: the default archive
                        const QString& settingsPath = defaultArchiveSettingsPath(),
                        const LiveAnalysis* known = nullptr) noexcept;

}  // namespace ostrevik
