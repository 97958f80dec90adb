#pragma once

#include "device/DeviceSession.h"
#include "settings/SettingsController.h"

#include <QMainWindow>

class QLabel;

namespace ostrevik {

class DocumentCommands;
class DocumentManager;
class HelpWindow;
class LiveBar;
class MainActions;
class ServiceWindows;
class TForm3;
class TPvxInfoDlg;

// The main window: the frame for the document windows with menus, toolbar,
// live bar and status bar. It wires the program's pieces together, shows what
// the device session reports, loads the settings and searches for the device
// when first shown, and saves the settings when it closes.
class TForm1 : public QMainWindow, public SessionHost {
    Q_OBJECT
public:
    // configPath: where the configuration file lives (normally beside the
    // executable).
    explicit TForm1(const QString& configPath, QWidget* parent = nullptr);
    ~TForm1() override;

    // Runs once, at the first showing (also callable directly by tests).
    void FormShow();
    // True once FormShow has run to its end (settings applied, device searched).
    bool Started() const { return started_; }
    // Measurement files to open at start, from the command line.
    void SetStartFiles(const QStringList& files) { startFiles_ = files; }
    // A drill to run from the start ("--drill"): a drill's name or file, and
    // the measurement file it captures into (opened when it exists, else a
    // new document saved there; none: a new document).
    void SetStartDrill(const QString& drill, const QString& file) {
        startDrill_ = drill;
        startDrillFile_ = file;
    }
    // The settings command.
    void Einstellungen();

    DeviceSession& Session() { return session_; }
    SettingsController& Settings() { return settings_; }
    MainActions& Actions() const { return *actions_; }
    DocumentManager& Documents() const { return *documents_; }
    DocumentCommands& Commands() const { return *commands_; }
    ServiceWindows& Service() const { return *service_; }
    TForm3& SettingsDialog() const { return *form3_; }
    LiveBar& LiveBarWidget() const { return *gauge_; }
    HelpWindow& Help() const { return *help_; }
    QString StatusText() const;

    // SessionHost
    CaptureDocument* CaptureTarget() override;
    void NewCaptureTarget() override;
    MessageAnswer Ask(const QString& text, const QString& caption, MessageButtons buttons) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateFrame();
    void ConnectCommands();
    void FormClose();
    // Runs a command; an error that escapes it is shown as the program's
    // standard error message and the program goes on.
    void Guarded(const std::function<void()>& command);
    void ShowLiveValue(uint32_t value);
    void StartDrill();

    SettingsController settings_;
    DeviceSession session_;
    MainActions* actions_ = nullptr;
    DocumentManager* documents_ = nullptr;
    DocumentCommands* commands_ = nullptr;
    ServiceWindows* service_ = nullptr;
    TForm3* form3_ = nullptr;
    TPvxInfoDlg* infoDlg_ = nullptr;
    HelpWindow* help_ = nullptr;
    LiveBar* gauge_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    QStringList startFiles_;
    QString startDrill_;
    QString startDrillFile_;
    bool shown_ = false;
    bool started_ = false;
};

}  // namespace ostrevik
