#pragma once

#include "settings/ConfigFile.h"
#include "settings/DisplaySettings.h"

#include <QObject>
#include <QString>
#include <QStringList>

namespace ostrevik {

// The settings record of the program: loaded from the configuration file when
// the main window is first shown and applied through the signals below (in
// the order the program applies them), changed by the settings command, and
// written back when the program closes. The live drawing settings every
// document draws with are kept here, shared by reference.
class SettingsController : public QObject {
    Q_OBJECT
public:
    explicit SettingsController(QString configPath, QObject* parent = nullptr);

    // What the settings dialog shows and hands back besides the drawing
    // settings (which it writes into the live block itself).
    struct Choice {
        QString userName;
        bool liveBarVisible = false;
    };

    // Reads the configuration file (a missing or damaged one leaves the
    // defaults) and applies it.
    void Load();
    // The user's choice in the settings dialog.
    void Apply(const Choice& choice);
    // Copies the live drawing settings, the port and the open documents into
    // the record and writes the file; a failed write keeps the old file.
    FileWriteResult Save(const QString& portName, const QStringList& openFiles);

    Choice Current() const;
    QString UserName() const { return config_.userName(); }
    DisplaySettings& LiveSettings() { return liveSettings_; }
    const DisplaySettings& LiveSettings() const { return liveSettings_; }

signals:
    void captionChanged(const QString& caption);
    // The number of the port last used ("COM" and this number).
    void portNumberChanged(int number);
    // A document that was open when the program closed, still there.
    void reopen(const QString& path);
    void liveBarChanged(bool visible);

private:
    QString configPath_;
    TConfigFile config_;
    DisplaySettings liveSettings_{};
};
// The port number stored for a port name: the text at positions 4-5 ("COM12"
// gives 12, "COM123" gives 12); 1 when that is not a number.
uint32_t PortNumberForConfig(const QString& portName);

}  // namespace ostrevik
