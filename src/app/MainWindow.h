#pragma once

#include "device/DeviceSession.h"
#include "device/LiveStreamDecoder.h"
#include "measurement/ui/DocumentHost.h"
#include "settings/ConfigFile.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolButton;

namespace ostrevik {

class HelpWindow;
class LiveBar;
class TDebugForm;
class TForm3;
class TForm4;
class TForm5;
class TForm8;
class TFormNullabgleichDlg;
class TFormVerstarkungDlg;
class TMDIChild;
class TPvxDatenLoggerDlg;
class TPvxInfoDlg;
class TPvxStatistikDlg;
class TPvxTongenDlg;

// The main window: a frame for the document windows with the menu bar, the
// toolbar, the live pressure bar and the status bar. It loads the settings and
// searches for the device when first shown, shows what the device session
// reports, and saves the settings when it closes.
class TForm1 : public QMainWindow, public DocumentHost, public StreamHost, public DeviceHost {
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
    QStringList StartFiles;

    // Part of the program's commands, public so that tests can drive them.
    TMDIChild* OpenDocumentWindow(const QString& name);
    void DateiNeu();
    void Oeffnen();
    void Speichern();
    void SpeichernUnter();
    void Drucken();
    void DruckerEinrichten();
    void Zusatztext();
    void Statistik();
    void Connect();
    void Normal();
    void Schussbuendig();
    void ToolButton2Click();
    void Hilfe();
    void Einstellungen();

    // DocumentHost
    void DocumentActivated(TMDIChild* child) override;
    void DocumentClosed(TMDIChild* child) override;
    void ShowDisplayMode(int mode) override;
    bool SaveDocument(TMDIChild* child) override;
    const DisplaySettings& Settings() const override { return LiveSettings; }

    // StreamHost
    CaptureDocument* ActiveDocument() override;
    MessageAnswer Ask(const QString& text, const QString& caption, MessageButtons buttons) override;
    void NewDocument() override { DateiNeu(); }
    void ShowLiveValue(uint32_t value) override;
    void ShowStatusText(const QString& text) override;

    // DeviceHost
    MessageAnswer Message(const QString& text, const QString& caption,
                          MessageButtons buttons) override;
    void SetHardwareMenuEnabled(bool enabled) override;
    void EnableServiceMenus() override;
    void ShowError(const std::exception& error) override;

    QList<TMDIChild*> DocumentWindows() const;
    QString StatusText() const;

    TConfigFile Config;
    // The live drawing settings shared by every document, printing and the
    // settings dialog.
    DisplaySettings LiveSettings{};
    // The line to the device: port, live decoder and the device's state.
    DeviceSession Session;
    TMDIChild* ActiveChild = nullptr;
    bool ModeToggle = false;

    QMdiArea* MdiArea = nullptr;
    LiveBar* CGauge1 = nullptr;
    QLabel* StatusPanel = nullptr;
    HelpWindow* Help = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm5* Form5 = nullptr;
    TFormVerstarkungDlg* VerstarkungDlg = nullptr;
    TFormNullabgleichDlg* NullabgleichDlg = nullptr;
    TForm8* Form8 = nullptr;
    TPvxInfoDlg* InfoDlg = nullptr;
    TPvxStatistikDlg* StatistikDlg = nullptr;
    TDebugForm* DebugForm = nullptr;
    TPvxDatenLoggerDlg* DatenLoggerDlg = nullptr;
    TPvxTongenDlg* TongenDlg = nullptr;

    // Menus and commands.
    QMenu* Datei1 = nullptr;
    QAction* ActionDateiNeu = nullptr;
    QAction* Oeffnen1 = nullptr;
    QAction* Speichern1 = nullptr;
    QAction* Speichernunter1 = nullptr;
    QAction* Drucken1 = nullptr;
    QAction* Druckereinrichten1 = nullptr;
    QAction* ActionBeenden = nullptr;
    QMenu* Anzeige1 = nullptr;
    QAction* Normal1 = nullptr;
    QAction* Schussbuendig1 = nullptr;
    QAction* Dateiheader1 = nullptr;
    QAction* Statistik1 = nullptr;
    QMenu* Analyse1 = nullptr;  // the coach's analysis, exports and comparisons
    QMenu* Lesegert1 = nullptr;
    QAction* Connect1 = nullptr;
    QAction* Speicher = nullptr;
    QMenu* Intern1 = nullptr;
    QAction* Tongenerator1 = nullptr;
    QAction* Variableninhalte1 = nullptr;
    QAction* Nullabgleich1 = nullptr;
    QAction* Verstaerkung1 = nullptr;
    QAction* Rueckstellung1 = nullptr;
    QAction* ActionEinstellungen = nullptr;
    QMenu* Fenster1 = nullptr;
    QAction* NaechstesFenster1 = nullptr;
    QAction* VorherigesFenster1 = nullptr;
    QAction* Ueberlappend1 = nullptr;
    QAction* SymboleAnordnen1 = nullptr;
    QAction* ActionHilfe = nullptr;
    QAction* ActionInfo = nullptr;
    QAction* ToolButton2 = nullptr;

    // The service windows are created by their own code and reach the main
    // window through these hooks.
    std::function<void()> OnSpeicherbaenke;
    std::function<void()> OnTongenerator;
    std::function<void()> OnVariableninhalte;
    std::function<void()> OnNullabgleich;
    std::function<void()> OnVerstaerkung;
    std::function<void()> OnInfo;
    std::function<bool()> OnEinstellungenDialog;  // true on OK

signals:
    // ActiveChild changed: a document window became active, or closed.
    void ActiveDocumentChanged(TMDIChild* child);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar();
    // The settings dialog and the service and info windows, wired to their
    // commands.
    void CreateServiceWindows();
    bool EinstellungenDialog();
    void ApplySettings();
    void FormClose();
    void DisplayMode(int mode);
    // Runs a command; an error that escapes it is shown as the program's
    // standard error message and the program goes on.
    void Guarded(const std::function<void()>& command);
    void UpdateMenuStates();
    void SetDocumentCommandsEnabled(bool enabled);
    QMdiSubWindow* SubWindowOf(TMDIChild* child) const;

    bool shown_ = false;
    bool started_ = false;
    QString configPath_;
    // Menu states that combine with their parent menu's state.
    bool hardwareEnabled_ = true;
    bool serviceEnabled_ = false;
    bool documentCommandsEnabled_ = false;
    // The file the open and save dialogs held last.
    QString lastDialogPath_;
};

// The main window's caption for a user name.
QString MainCaption(const QString& userName);
// The port number stored for a port name: the text at positions 4-5 ("COM12"
// gives 12, "COM123" gives 12); 1 when that is not a number.
uint32_t PortNumberForConfig(const QString& portName);
// "UNBENANNT<n>.pvo".
QString UntitledName(int openWindows);

}  // namespace ostrevik
