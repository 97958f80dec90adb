#pragma once

#include <QString>

namespace ostrevik {

// The archive's settings, kept beside the analysis' settings in a file of
// their own and never in Ostrevik.cfg.
struct ArchiveSettings {
    // "Gespeicherte Dateien ins Archiv aufnehmen".
    bool importSaved = true;
};

// $XDG_CONFIG_HOME/Ostrevik/Archiv.ini (~/.config/Ostrevik/Archiv.ini).
QString defaultArchiveSettingsPath();
ArchiveSettings loadArchiveSettings(const QString& path = defaultArchiveSettingsPath());
bool saveArchiveSettings(const ArchiveSettings& settings,
                         const QString& path = defaultArchiveSettingsPath());

// Called after a document was saved successfully: takes its file into the
// archive when the setting is on. Never throws. Returns an empty string when
// done or not wanted, otherwise the German message why the archive could not
// take it (the saved file is never touched).
QString ImportAfterSave(const QString& path,
                        const QString& archivePath = QString(),  // empty: the default archive
                        const QString& settingsPath = defaultArchiveSettingsPath()) noexcept;

}  // namespace ostrevik
