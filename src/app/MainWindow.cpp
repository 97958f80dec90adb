#include "app/MainWindow.h"

#include "app/AnalyseMenu.h"
#include "app/Application.h"
#include "app/HelpWindow.h"
#include "app/LiveBar.h"
#include "app/ToolbarIcons.h"
#include "common/ui/ModalUi.h"
#include "device/ui/ComComboBox.h"
#include "device/EnumComPorts.h"
#include "evaluation/ui/DebugWindow.h"
#include "evaluation/ui/InfoDialog.h"
#include "evaluation/ui/PrintProgress.h"
#include "evaluation/ui/Printing.h"
#include "evaluation/ui/StatisticsDialog.h"
#include "evaluation/ui/VariablesWindow.h"
#include "measurement/ui/DocumentWindow.h"
#include "measurement/ui/FileHeaderDialog.h"
#include "service/ui/GainDialog.h"
#include "service/ui/MemoryBankDialog.h"
#include "service/ui/ToneGeneratorDialog.h"
#include "service/ui/ZeroCalibrationDialog.h"
#include "settings/ui/SettingsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace ostrevik {

namespace {

const QString kHelpStart = QStringLiteral("Ovrik_Einleitung.html");
const QString kFileFilter = QStringLiteral("Pelvaro-Datei (*.pvo)");
const QColor kLime(0, 255, 0);

}  // namespace

QString MainCaption(const QString& userName) {
    return QStringLiteral("Ostrevik - ") + userName;
}

uint32_t PortNumberForConfig(const QString& portName) {
    bool ok = false;
    const int n = portName.mid(3, 2).toInt(&ok);
    return ok ? static_cast<uint32_t>(n) : 1u;
}

QString UntitledName(int openWindows) {
    return QStringLiteral("UNBENANNT%1.pvo").arg(openWindows + 1);
}

TForm1::TForm1(const QString& configPath, QWidget* parent)
    : QMainWindow(parent), Session(*this, *this), configPath_(configPath) {
    setWindowTitle(QStringLiteral("Ostrevik"));
    resize(793, 508);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    SetComHandlerErrorDisplay([this](const std::exception& e) { ShowStandardError(this, e); });
    connect(&Session, &DeviceSession::ConnectionLost, this, [this](const QString& port) {
        Message(QStringLiteral("Die Verbindung zur Hardware QTX an %1 ist unterbrochen!\n\n"
                               "Sobald das Gerät wieder angeschlossen ist, wird die Verbindung "
                               "von selbst wiederhergestellt.")
                    .arg(port),
                QStringLiteral("Fehler"), MessageButtons::Ok);
    });
    connect(&Session, &DeviceSession::ConnectionRestored, this, [this](const QString& port) {
        ShowStatusText(
            QStringLiteral("Verbindung zur Hardware QTX an %1 wiederhergestellt").arg(port));
    });

    // The frame: live bar at the left edge, the document windows beside it.
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    CGauge1 = new LiveBar(central);
    MdiArea = new QMdiArea(central);
    MdiArea->setActivationOrder(QMdiArea::CreationOrder);
    layout->addWidget(CGauge1);
    layout->addWidget(MdiArea, 1);
    setCentralWidget(central);
    connect(MdiArea, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* sub) {
        if (sub) {
            if (auto* child = qobject_cast<TMDIChild*>(sub->widget())) {
                child->FormActivate();
            }
        }
    });

    StatusPanel =
        new QLabel(QStringLiteral("Ostrevik – Abzugstraining mit dem QTX · Version 4.0709"), this);
    StatusPanel->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(StatusPanel, 1);

    CreateMenus();
    CreateToolBar();
    UpdateMenuStates();

    // The windows the main window owns for the whole run, in their order.
    Form3 = new TForm3(LiveSettings, this);
    Form4 = new TForm4(this);
    Form5 = new TForm5(this);
    VerstarkungDlg = new TFormVerstarkungDlg(Session, this);
    NullabgleichDlg = new TFormNullabgleichDlg(Session, this);
    Form8 = new TForm8(Session, this);
    InfoDlg = new TPvxInfoDlg(this);
    StatistikDlg = new TPvxStatistikDlg(this);
    StatistikDlg->setQuelle([this] {
        StatistikQuelle q;
        q.Anwender = Config.userName();
        if (ActiveChild) {
            q.Dateiname = ActiveChild->Dateiname;
            q.Kopf = &ActiveChild->Kopf;
            q.Liste = ActiveChild->Liste.get();
        }
        return q;
    });
    DebugForm = new TDebugForm(Session.TraceOn, this);
    DatenLoggerDlg = new TPvxDatenLoggerDlg(Session, this);
    TongenDlg = new TPvxTongenDlg(Session, this);
    CreateServiceWindows();
    Help = new HelpWindow(this);
}

void TForm1::CreateServiceWindows() {
    Session.TraceByte = [this](uint8_t b) { DebugForm->TraceByte(b); };
    // Every service window is shown modally; a dialog left open by its
    // runner is hidden as well, so it always puts the live decoder back.
    auto modal = [](QDialog* dialog) {
        return [dialog] {
            modalUi().execDialog(*dialog);
            dialog->hide();
        };
    };
    OnVerstaerkung = modal(VerstarkungDlg);
    OnNullabgleich = modal(NullabgleichDlg);
    OnVariableninhalte = modal(Form8);
    OnInfo = modal(InfoDlg);
    OnSpeicherbaenke = modal(DatenLoggerDlg);
    OnTongenerator = modal(TongenDlg);
    OnEinstellungenDialog = [this] { return EinstellungenDialog(); };
}

bool TForm1::EinstellungenDialog() {
    Form3->ComComboBox1->UpdateItems();
    Form3->ComComboBox1->SetComPort(&Session.ComPort1());
    Form3->Edit1->setMaxLength(kUserNameMaxChars);
    Form3->Edit1->setText(Config.userName());
    Form3->CheckBox2->setChecked(Config.file.liveBarVisible != 0);
    const int result = modalUi().execDialog(*Form3);
    Form3->hide();
    return result == QDialog::Accepted;
}

TForm1::~TForm1() {
    // The line closes before the windows the session talks to go away.
    Session.Shutdown();
    SetComHandlerErrorDisplay(nullptr);
}

void TForm1::CreateMenus() {
    QMenuBar* bar = menuBar();

    Datei1 = bar->addMenu(QStringLiteral("&Datei"));
    ActionDateiNeu = Datei1->addAction(QStringLiteral("Datei neu"), this,
                                       [this] { Guarded([this] { DateiNeu(); }); });
    ActionDateiNeu->setShortcut(Qt::Key_F2);
    Oeffnen1 = Datei1->addAction(QStringLiteral("&Öffnen"), this,
                                 [this] { Guarded([this] { Oeffnen(); }); });
    Speichern1 = Datei1->addAction(QStringLiteral("&Speichern"), this,
                                   [this] { Guarded([this] { Speichern(); }); });
    Speichernunter1 = Datei1->addAction(QStringLiteral("Speichern &unter"), this,
                                        [this] { Guarded([this] { SpeichernUnter(); }); });
    Datei1->addSeparator();
    Drucken1 = Datei1->addAction(QStringLiteral("&Drucken"), this,
                                 [this] { Guarded([this] { Drucken(); }); });
    Druckereinrichten1 = Datei1->addAction(QStringLiteral("Drucker &einrichten"), this,
                                           [this] { Guarded([this] { DruckerEinrichten(); }); });
    Datei1->addSeparator();
    ActionBeenden = Datei1->addAction(QStringLiteral("Ende"), this, [this] { close(); });

    Anzeige1 = bar->addMenu(QStringLiteral("Anzeige"));
    Normal1 = Anzeige1->addAction(QStringLiteral("Normal"), this,
                                  [this] { Guarded([this] { Normal(); }); });
    Normal1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    Normal1->setCheckable(true);
    Normal1->setChecked(true);
    Schussbuendig1 = Anzeige1->addAction(QStringLiteral("Schussbündig"), this,
                                         [this] { Guarded([this] { Schussbuendig(); }); });
    Schussbuendig1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    Schussbuendig1->setCheckable(true);

    Dateiheader1 = bar->addAction(QStringLiteral("Zusatztext F3"));
    Dateiheader1->setShortcut(Qt::Key_F3);
    connect(Dateiheader1, &QAction::triggered, this, [this] { Guarded([this] { Zusatztext(); }); });
    Statistik1 = bar->addAction(QStringLiteral("Statistik F4"));
    Statistik1->setShortcut(Qt::Key_F4);
    connect(Statistik1, &QAction::triggered, this, [this] { Guarded([this] { Statistik(); }); });
    Analyse1 = CreateAnalyseMenu(*this);

    Lesegert1 = bar->addMenu(QStringLiteral("Hardware &QTX"));
    Connect1 = Lesegert1->addAction(QStringLiteral("Connect "), this,
                                    [this] { Guarded([this] { Connect(); }); });
    Connect1->setShortcut(Qt::Key_F5);
    Speicher = Lesegert1->addAction(QStringLiteral("Speicherbänke"), this, [this] {
        Guarded([this] {
            if (OnSpeicherbaenke) {
                OnSpeicherbaenke();
            }
        });
    });
    Speicher->setShortcut(Qt::Key_F6);
    Lesegert1->addSeparator();
    Intern1 = Lesegert1->addMenu(QStringLiteral("Service"));
    auto serviceCommand = [this](const QString& text, std::function<void()>* hook) {
        return Intern1->addAction(text, this, [this, hook] {
            Guarded([hook] {
                if (*hook) {
                    (*hook)();
                }
            });
        });
    };
    Tongenerator1 = serviceCommand(QStringLiteral("Tongenerator"), &OnTongenerator);
    Variableninhalte1 =
        serviceCommand(QStringLiteral("Variableninhalte anzeigen"), &OnVariableninhalte);
    Variableninhalte1->setVisible(false);
    Nullabgleich1 = serviceCommand(QStringLiteral("Nullabgleich"), &OnNullabgleich);
    Verstaerkung1 = serviceCommand(QStringLiteral("Verstärkung"), &OnVerstaerkung);
    Verstaerkung1->setShortcut(Qt::Key_F7);
    // Kept for the device's service staff; it has no function in the program.
    Rueckstellung1 = Intern1->addAction(QStringLiteral("Rückstellung auf Auslieferungszustand"));
    Rueckstellung1->setVisible(false);

    ActionEinstellungen = bar->addAction(QStringLiteral("&Einstellungen F8"));
    ActionEinstellungen->setShortcut(Qt::Key_F8);
    connect(ActionEinstellungen, &QAction::triggered, this,
            [this] { Guarded([this] { Einstellungen(); }); });

    Fenster1 = bar->addMenu(QStringLiteral("&Fenster"));
    NaechstesFenster1 = Fenster1->addAction(QStringLiteral("Nächstes Fenster"), MdiArea,
                                            &QMdiArea::activateNextSubWindow);
    VorherigesFenster1 = Fenster1->addAction(QStringLiteral("Vorheriges Fenster"), MdiArea,
                                             &QMdiArea::activatePreviousSubWindow);
    Fenster1->addSeparator();
    Ueberlappend1 =
        Fenster1->addAction(QStringLiteral("Überlappend"), MdiArea, &QMdiArea::cascadeSubWindows);
    SymboleAnordnen1 = Fenster1->addAction(QStringLiteral("Symbole Anordnen"), this, [this] {
        // Minimised windows line up along the bottom edge of the frame.
        int x = 0;
        for (QMdiSubWindow* sub : MdiArea->subWindowList()) {
            if (sub->isMinimized()) {
                const QSize size = sub->size();
                sub->move(x, MdiArea->viewport()->height() - size.height());
                x += size.width();
            }
        }
    });
    Fenster1->addSeparator();

    ActionHilfe = bar->addAction(QStringLiteral("&Hilfe F1"));
    ActionHilfe->setShortcut(Qt::Key_F1);
    connect(ActionHilfe, &QAction::triggered, this, [this] { Hilfe(); });
    ActionInfo = bar->addAction(QStringLiteral("Info"));
    connect(ActionInfo, &QAction::triggered, this, [this] {
        Guarded([this] {
            if (OnInfo) {
                OnInfo();
            }
        });
    });

    // Shortcuts work wherever the focus is inside the main window, also in a
    // document window.
    for (QAction* a : {ActionDateiNeu, Normal1, Schussbuendig1, Dateiheader1, Statistik1, Connect1,
                       Speicher, Verstaerkung1, ActionEinstellungen, ActionHilfe}) {
        a->setShortcutContext(Qt::WindowShortcut);
        addAction(a);
    }
}

void TForm1::CreateToolBar() {
    QToolBar* tools = addToolBar(QStringLiteral("Werkzeugleiste"));
    tools->setMovable(false);
    tools->setIconSize(QSize(32, 32));
    tools->setFixedHeight(43);
    auto add = [tools](ToolbarImage image, const QString& hint, QAction* action) {
        QAction* button = action ? action : new QAction(tools);
        button->setIcon(toolbarIcon(image));
        button->setToolTip(hint);
        tools->addAction(button);
        if (auto* w = tools->widgetForAction(button)) {
            w->setFixedSize(39, 38);
        }
        return button;
    };
    // Toolbar buttons share the menu commands but carry their own hints.
    QAction* quit = add(ToolbarImage::Beenden, QStringLiteral("Programm beenden"), nullptr);
    connect(quit, &QAction::triggered, this, [this] { close(); });
    QAction* neu = add(ToolbarImage::DateiNeu, QStringLiteral("Datei neu"), nullptr);
    connect(neu, &QAction::triggered, ActionDateiNeu, &QAction::trigger);
    ToolButton2 =
        add(ToolbarImage::Anzeige, QStringLiteral("Anzeige schussbündig / normal"), nullptr);
    ToolButton2->setCheckable(true);
    connect(ToolButton2, &QAction::triggered, this,
            [this] { Guarded([this] { ToolButton2Click(); }); });
    QAction* settings = add(ToolbarImage::Einstellungen, QStringLiteral("Einstellungen"), nullptr);
    connect(settings, &QAction::triggered, ActionEinstellungen, &QAction::trigger);
    QAction* help = add(ToolbarImage::Hilfe, QStringLiteral("Hilfe"), nullptr);
    connect(help, &QAction::triggered, this, [this] { Hilfe(); });
    QAction* info = add(ToolbarImage::Info, QStringLiteral("Info"), nullptr);
    connect(info, &QAction::triggered, ActionInfo, &QAction::trigger);
}

void TForm1::UpdateMenuStates() {
    const bool doc = documentCommandsEnabled_;
    for (QAction* a : {Speichern1, Speichernunter1, Drucken1, Dateiheader1, Statistik1}) {
        a->setEnabled(doc);
    }
    Anzeige1->menuAction()->setEnabled(doc);
    Normal1->setEnabled(doc);
    Schussbuendig1->setEnabled(doc);
    Fenster1->menuAction()->setEnabled(doc);
    for (QAction* a : Fenster1->actions()) {
        a->setEnabled(doc);
    }
    ToolButton2->setEnabled(doc);

    // An item of a disabled menu cannot be reached by its shortcut either.
    Lesegert1->menuAction()->setEnabled(hardwareEnabled_);
    Connect1->setEnabled(hardwareEnabled_);
    Speicher->setEnabled(hardwareEnabled_ && serviceEnabled_);
    Intern1->menuAction()->setEnabled(hardwareEnabled_ && serviceEnabled_);
    for (QAction* a : {Tongenerator1, Variableninhalte1, Nullabgleich1, Verstaerkung1}) {
        a->setEnabled(hardwareEnabled_ && serviceEnabled_);
    }
}

void TForm1::SetDocumentCommandsEnabled(bool enabled) {
    documentCommandsEnabled_ = enabled;
    UpdateMenuStates();
}

void TForm1::SetHardwareMenuEnabled(bool enabled) {
    hardwareEnabled_ = enabled;
    UpdateMenuStates();
}

void TForm1::EnableServiceMenus() {
    serviceEnabled_ = true;
    UpdateMenuStates();
}

void TForm1::ShowError(const std::exception& error) {
    ShowStandardError(this, error);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        // After the window has appeared, so the port search's messages have a
        // visible owner.
        QTimer::singleShot(0, this, [this] { Guarded([this] { FormShow(); }); });
    }
}

void TForm1::FormShow() {
    shown_ = true;
    // Without a connection the port's error is shown, as for any command.
    DebugForm->SendKey = [this](uint8_t b) { Guarded([this, b] { Session.SendKey(b); }); };
    loadSettings(Config, configPath_);
    ApplySettings();
    Session.SearchDevice();
    // Files named on the command line (a file manager opening a .pvo file)
    // open as "&Öffnen" would open them.
    for (const QString& path : StartFiles) {
        OpenDocumentWindow(path)->DateiLaden();
    }
    started_ = true;
}

void TForm1::ApplySettings() {
    setWindowTitle(MainCaption(Config.userName()));
    LiveSettings = Config.file.display;
    Session.ComPort1().SetPort(ComPortName(static_cast<int>(Config.file.comPortNumber)));
    for (const QString& path : Config.openFiles) {
        if (!path.isEmpty() && QFileInfo(path).isFile()) {
            OpenDocumentWindow(path)->DateiLaden();
        }
    }
    CGauge1->setVisible(Config.file.liveBarVisible != 0);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Records keep arriving while a question is open: a document asked before
    // and given records since is asked again, so none is lost unasked.
    QHash<TMDIChild*, int> asked;
    for (bool again = true; again;) {
        again = false;
        for (TMDIChild* child : DocumentWindows()) {
            const auto it = asked.constFind(child);
            if (it != asked.constEnd() && *it == child->Liste->Anzahl()) {
                continue;
            }
            if (!child->FormCloseQuery()) {
                event->ignore();
                return;
            }
            asked[child] = child->Liste->Anzahl();
            again = true;
        }
    }
    // Nothing more may reach a document that is closing without being asked,
    // and a device paused by us is resumed before the line goes.
    Session.Shutdown();
    FormClose();
    // The windows were asked; close them without asking again.
    for (TMDIChild* child : DocumentWindows()) {
        child->Geaendert = false;
    }
    event->accept();
}

void TForm1::FormClose() {
    Config.file.display = LiveSettings;
    Config.file.comPortNumber = PortNumberForConfig(Session.ComPort1().Port());
    Config.openFiles.clear();
    for (TMDIChild* child : DocumentWindows()) {
        Config.openFiles << child->Dateiname;
    }
    // A failed write loses only this run's settings; the old file stays.
    saveSettings(Config, configPath_);
}

QList<TMDIChild*> TForm1::DocumentWindows() const {
    QList<TMDIChild*> out;
    for (QMdiSubWindow* sub : MdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* child = qobject_cast<TMDIChild*>(sub->widget())) {
            out << child;
        }
    }
    return out;
}

QMdiSubWindow* TForm1::SubWindowOf(TMDIChild* child) const {
    for (QMdiSubWindow* sub : MdiArea->subWindowList()) {
        if (sub->widget() == child) {
            return sub;
        }
    }
    return nullptr;
}

TMDIChild* TForm1::OpenDocumentWindow(const QString& name) {
    auto* child = new TMDIChild(*this);
    QMdiSubWindow* sub = MdiArea->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(759, 368);
    auto* entry = new QAction(Fenster1);
    child->FensterEintrag = entry;
    connect(entry, &QAction::triggered, this, [this, child] {
        if (QMdiSubWindow* s = SubWindowOf(child)) {
            s->showNormal();
            MdiArea->setActiveSubWindow(s);
            s->raise();
        }
    });
    child->SetzeDateiname(name);
    sub->show();
    MdiArea->setActiveSubWindow(sub);
    ActiveChild = child;
    child->FormActivate();
    Fenster1->addAction(entry);
    entry->setEnabled(documentCommandsEnabled_);
    Session.SendMeasure();
    return child;
}

void TForm1::DateiNeu() {
    if (!Session.ConnectDevice()) {
        return;
    }
    TMDIChild* child = OpenDocumentWindow(UntitledName(static_cast<int>(DocumentWindows().size())));
    child->Kopf.setDatum(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
}

void TForm1::Oeffnen() {
    FileDialogRequest request;
    request.filter = kFileFilter;
    request.defaultSuffix = QStringLiteral("pvo");
    // The dialog holds the file it held the last time.
    request.initialPath = lastDialogPath_;
    const QString path = modalUi().openFileName(this, request);
    if (path.isEmpty()) {
        return;
    }
    lastDialogPath_ = path;
    // Through the whole load; a message box takes it down itself.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    OpenDocumentWindow(path)->DateiLaden();
    QApplication::restoreOverrideCursor();
}

bool TForm1::SaveDocument(TMDIChild* child) {
    if (!child) {
        return false;
    }
    if (child->Unbenannt) {
        FileDialogRequest request;
        request.filter = kFileFilter;
        request.defaultSuffix = QStringLiteral("pvo");
        request.initialPath = child->Dateiname;
        if (QFileInfo(child->Dateiname).isRelative()) {
            // A new document has no folder yet: the one last used.
            const QString folder = lastDialogPath_.isEmpty()
                                       ? QDir::homePath()
                                       : QFileInfo(lastDialogPath_).absolutePath();
            request.initialPath = QDir(folder).filePath(child->Dateiname);
        }
        const QString path = modalUi().saveFileName(this, request);
        if (path.isEmpty()) {
            return false;
        }
        lastDialogPath_ = path;
        child->SetzeDateiname(path);
        child->Unbenannt = false;
    }
    return child->DateiSpeichern();
}

void TForm1::Speichern() {
    SaveDocument(ActiveChild);
}

void TForm1::SpeichernUnter() {
    if (ActiveChild) {
        ActiveChild->Unbenannt = true;
        SaveDocument(ActiveChild);
    }
}

void TForm1::Drucken() {
    if (ActiveChild) {
        DokumentDrucken(this, ActiveChild->Dateiname, ActiveChild->Kopf, *ActiveChild->Liste,
                        LiveSettings, Config.userName(), *Form5, ProgramPrinter());
    }
}

void TForm1::DruckerEinrichten() {
    PrinterSetup(this, ProgramPrinter());
}

void TForm1::Zusatztext() {
    if (ActiveChild) {
        ZusatztextBearbeiten(*Form4, *ActiveChild);
    }
}

void TForm1::Statistik() {
    modalUi().execDialog(*StatistikDlg);
}

void TForm1::Connect() {
    Session.Reconnect();
}

void TForm1::DisplayMode(int mode) {
    if (ActiveChild) {
        ActiveChild->AnzeigeModus(mode);
    }
    ShowDisplayMode(mode);
}

void TForm1::Normal() {
    DisplayMode(0);
}

void TForm1::Schussbuendig() {
    DisplayMode(1);
}

void TForm1::ToolButton2Click() {
    if (ModeToggle) {
        Normal();
    } else {
        Schussbuendig();
    }
}

void TForm1::ShowDisplayMode(int mode) {
    if (mode != 0 && mode != 1) {
        return;
    }
    Normal1->setChecked(mode == 0);
    Schussbuendig1->setChecked(mode == 1);
    ModeToggle = mode == 1;
    ToolButton2->setChecked(ModeToggle);
}

void TForm1::Hilfe() {
    modalUi().showHelp(this, kHelpStart);
}

void TForm1::Einstellungen() {
    if (!OnEinstellungenDialog || !OnEinstellungenDialog()) {
        return;
    }
    Session.ConnectDevice();
    Config.file.liveBarVisible = Form3->CheckBox2->isChecked() ? 1 : 0;
    CGauge1->setVisible(Config.file.liveBarVisible != 0);
    Config.setUserName(Form3->Edit1->text());
    setWindowTitle(MainCaption(Config.userName()));
    for (TMDIChild* child : DocumentWindows()) {
        child->Liste->Aktualisieren();
    }
}

void TForm1::DocumentActivated(TMDIChild* child) {
    ActiveChild = child;
    // An active document also opens "Speicherbänke" and "Service" for good.
    serviceEnabled_ = true;
    SetDocumentCommandsEnabled(true);
    ModeToggle = false;
    ToolButton2->setChecked(false);
    emit ActiveDocumentChanged(ActiveChild);
}

void TForm1::DocumentClosed(TMDIChild* child) {
    if (ActiveChild == child) {
        ActiveChild = nullptr;
    }
    SetDocumentCommandsEnabled(false);
    ModeToggle = false;
    ToolButton2->setChecked(false);
    emit ActiveDocumentChanged(ActiveChild);
}

CaptureDocument* TForm1::ActiveDocument() {
    return ActiveChild;
}

MessageAnswer TForm1::Ask(const QString& text, const QString& caption, MessageButtons buttons) {
    return modalUi().message(this, text, caption, buttons);
}

MessageAnswer TForm1::Message(const QString& text, const QString& caption, MessageButtons buttons) {
    return modalUi().message(this, text, caption, buttons);
}

void TForm1::ShowLiveValue(uint32_t value) {
    // Above the device's tone threshold the bar turns the button-face colour.
    const bool above = static_cast<double>(value) > 254.0 * Session.Decoder().ToneThreshold / 254.0;
    CGauge1->setForegroundColor(above ? palette().color(QPalette::Button) : kLime);
    CGauge1->setValue(static_cast<int>(std::min<uint32_t>(value, LiveBar::kMax)));
}

void TForm1::ShowStatusText(const QString& text) {
    StatusPanel->setText(text);
}

QString TForm1::StatusText() const {
    return StatusPanel->text();
}

void TForm1::Guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        ShowStandardError(this, e);
    }
}

}  // namespace ostrevik
