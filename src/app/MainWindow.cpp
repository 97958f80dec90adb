#include "app/MainWindow.h"

#include "analysis/LiveAnalysis.h"
#include "analysis/ui/AnalysisCommands.h"
#include "app/DocumentCommands.h"
#include "app/DocumentManager.h"
#include "app/HelpWindow.h"
#include "app/InfoDialog.h"
#include "app/LiveBar.h"
#include "app/MainActions.h"
#include "archive/ArchiveSettings.h"
#include "archive/ArchiveTexts.h"
#include "archive/ui/ArchiveCommands.h"
#include "common/HelpTopics.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "device/EnumComPorts.h"
#include "drills/DrillKeeping.h"
#include "drills/DrillLibrary.h"
#include "drills/DrillTexts.h"
#include "drills/ui/DrillReportPage.h"
#include "drills/ui/DrillWindow.h"
#include "measurement/ui/DocumentWindow.h"
#include "scores/ui/ArchiveRings.h"
#include "scores/ui/ScoreCommands.h"
#include "service/ui/ServiceWindows.h"
#include "settings/ui/SettingsDialog.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

namespace ostrevik {

TForm1::TForm1(const QString& configPath, QWidget* parent)
    : QMainWindow(parent), settings_(configPath), session_(*this) {
    setWindowTitle(Texts::kOstrevik);
    resize(793, 508);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    SetComHandlerErrorDisplay([this](const std::exception& e) { modalUi().showError(this, e); });
    actions_ = new MainActions(*this);
    CreateFrame();

    // The windows made once for the whole run, in their order.
    form3_ = new TForm3(settings_.LiveSettings(), this);
    commands_ = new DocumentCommands(*documents_, *this);
    infoDlg_ = new TPvxInfoDlg(this);
    service_ = new ServiceWindows(session_, *this);
    help_ = new HelpWindow(this);
    // The analysis' window and exports show the rings and drill runs kept in
    // the archive.
    setAnalysisExtensions(withDrillPage(withArchiveRings(AnalysisExtensions())));
    ConnectCommands();
}

void TForm1::CreateFrame() {
    // The live bar at the left edge, the document windows beside it.
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    gauge_ = new LiveBar(central);
    auto* area = new QMdiArea(central);
    area->setActivationOrder(QMdiArea::CreationOrder);
    layout->addWidget(gauge_);
    layout->addWidget(area, 1);
    setCentralWidget(central);
    statusPanel_ = new QLabel(Texts::StatusCredit(), this);
    statusPanel_->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(statusPanel_, 1);
    documents_ = new DocumentManager(
        *area, *actions_->Fenster1, session_, settings_.LiveSettings(),
        [this] { return settings_.UserName(); }, *this);
}

void TForm1::ConnectCommands() {
    MainActions& a = *actions_;
    auto on = [this](QAction* action, std::function<void()> command) {
        connect(action, &QAction::triggered, this, [this, command] { Guarded(command); });
    };
    DocumentManager& d = *documents_;
    DocumentCommands& c = *commands_;
    ServiceWindows& s = *service_;
    on(a.ActionDateiNeu, [&d] { d.DateiNeu(); });
    on(a.Oeffnen1, [&d] { d.Oeffnen(); });
    on(a.Speichern1, [&d] { d.Speichern(); });
    on(a.Speichernunter1, [&d] { d.SpeichernUnter(); });
    on(a.Drucken1, [&c] { c.Drucken(); });
    on(a.Druckereinrichten1, [&c] { c.DruckerEinrichten(); });
    on(a.ActionBeenden, [this] { close(); });
    on(a.Normal1, [&c] { c.Anzeige(0); });
    on(a.Schussbuendig1, [&c] { c.Anzeige(1); });
    on(a.ToolButton2, [&c, &a] { c.Anzeige(a.ModeToggle() ? 0 : 1); });
    on(a.Dateiheader1, [&c] { c.Zusatztext(); });
    on(a.Statistik1, [&c] { c.Statistik(); });
    on(a.AnalyseAnzeigen, [&d] { AnalyseAnzeigen(d); });
    on(a.CsvExportieren, [&d] { AlsCsvExportieren(d); });
    on(a.BerichtExportieren, [&d] { BerichtAlsPdf(d); });
    on(a.Vergleichen, [&d] { TrainingseinheitenVergleichen(d); });
    on(a.RingeImportieren, [&d] { RingeImportieren(d); });
    on(a.Uebung, [&d] { Uebung(d); });
    on(a.ArchivAnzeigen, [&d] { ArchivAnzeigen(d); });
    on(a.DateienAufnehmen, [&d] { DateienAufnehmen(d); });
    on(a.OrdnerAufnehmen, [&d] { OrdnerAufnehmen(d); });
    on(a.Connect1, [this] { session_.Reconnect(); });
    on(a.Speicher, [&s] { s.Speicherbaenke(); });
    on(a.Tongenerator1, [&s] { s.Tongenerator(); });
    on(a.Variableninhalte1, [&s] { s.Variableninhalte(); });
    on(a.Nullabgleich1, [&s] { s.Nullabgleich(); });
    on(a.Verstaerkung1, [&s] { s.Verstaerkung(); });
    on(a.ActionEinstellungen, [this] { Einstellungen(); });
    on(a.NaechstesFenster1, [&d] { d.NaechstesFenster(); });
    on(a.VorherigesFenster1, [&d] { d.VorherigesFenster(); });
    on(a.Ueberlappend1, [&d] { d.Ueberlappend(); });
    on(a.SymboleAnordnen1, [&d] { d.SymboleAnordnen(); });
    on(a.ActionHilfe, [this] { modalUi().showHelp(this, HelpTopics::Einleitung); });
    on(a.ActionInfo, [this] { infoDlg_->ShowModal(); });

    connect(&d, &DocumentManager::documentActivated, &a, &MainActions::DocumentActivated);
    connect(&d, &DocumentManager::documentClosed, &a, &MainActions::DocumentClosed);
    // A saved session enters the season archive (unless switched off there),
    // and the drill runs done on it go with it. Its take-ups are not measured
    // again where the document's analysis has them.
    connect(&d, &DocumentManager::saved, this, [this](const QString& path, TMDIChild* child) {
        if (const QString problem = ImportAfterSave(path, QString(), defaultArchiveSettingsPath(),
                                                    LiveAnalysis::existing(child->Dokument()));
            !problem.isEmpty()) {
            Ask(problem, Texts::kWarnung, MessageButtons::Ok);
            return;
        }
        const DrillRunsStore drills = DocumentDrills::of(child->Dokument()).store(path);
        if (!drills.ok()) {
            Ask(DrillTexts::RunsNotKept(ArchiveTexts::Problem(drills.archive)), Texts::kWarnung,
                MessageButtons::Ok);
        }
    });
    connect(&d, &DocumentManager::displayModeShown, &a, &MainActions::ShowDisplayMode);
    connect(&c, &DocumentCommands::displayModeShown, &a, &MainActions::ShowDisplayMode);

    connect(&settings_, &SettingsController::captionChanged, this, &QWidget::setWindowTitle);
    connect(&settings_, &SettingsController::portNumberChanged, this,
            [this](int number) { session_.ChangePort(ComPortName(number)); });
    connect(&settings_, &SettingsController::reopen, &d, &DocumentManager::Laden);
    connect(&settings_, &SettingsController::liveBarChanged, gauge_, &QWidget::setVisible);

    connect(&session_, &DeviceSession::ConnectionLost, this, [this](const QString& port) {
        Ask(Texts::ConnectionLost(port), Texts::kFehler, MessageButtons::Ok);
    });
    connect(&session_, &DeviceSession::ConnectionRestored, this, [this](const QString& port) {
        statusPanel_->setText(Texts::ConnectionRestored(port));
    });
    connect(&session_, &DeviceSession::HardwareAvailable, &a, &MainActions::SetHardwareEnabled);
    connect(&session_, &DeviceSession::ServiceAvailable, &a, &MainActions::EnableService);
    connect(&session_, &DeviceSession::LiveValue, this, &TForm1::ShowLiveValue);
    connect(&session_, &DeviceSession::StatusText, statusPanel_, &QLabel::setText);
}

TForm1::~TForm1() {
    // The line closes before the windows the session talks to go away.
    session_.Shutdown();
    SetComHandlerErrorDisplay(nullptr);
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
    settings_.Load();
    session_.SearchDevice();
    // Files named on the command line (a file manager opening a .pvo file)
    // open as "&Öffnen" would open them.
    for (const QString& path : startFiles_) {
        documents_->Laden(path);
    }
    if (!startDrill_.isEmpty()) {
        StartDrill();
    }
    started_ = true;
}

void TForm1::StartDrill() {
    QString why;
    const std::optional<Drill> drill = namedDrill(startDrill_, why);
    if (!drill) {
        Ask(why, Texts::kFehler, MessageButtons::Ok);
        return;
    }
    if (!startDrillFile_.isEmpty() && QFileInfo::exists(startDrillFile_)) {
        documents_->Laden(startDrillFile_);
    } else {
        documents_->NewDocument(startDrillFile_);
    }
    DrillWindow& window = Uebung(*documents_);
    window.offer(*drill);
    window.chooseDrill(drill->name);
    window.start();
}

void TForm1::Einstellungen() {
    const auto choice = form3_->Ask(
        session_.ComPort1().Port(), [this](const QString& name) { session_.ChangePort(name); },
        settings_.Current());
    if (!choice) {
        return;
    }
    session_.ConnectDevice();
    settings_.Apply(*choice);
    documents_->AlleAktualisieren();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!documents_->AlleSchliessenFragen()) {
        event->ignore();
        return;
    }
    // Nothing more may reach a document that is closing without being asked,
    // and a device paused by us is resumed before the line goes.
    session_.Shutdown();
    FormClose();
    documents_->GeaendertVergessen();
    event->accept();
}

void TForm1::FormClose() {
    // A failed write loses only this run's settings; the old file stays.
    settings_.Save(session_.ComPort1().Port(), documents_->OpenFiles());
}

QString TForm1::StatusText() const {
    return statusPanel_->text();
}

CaptureDocument* TForm1::CaptureTarget() {
    TMDIChild* active = documents_->Active();
    return active ? &active->Dokument() : nullptr;
}

void TForm1::NewCaptureTarget() {
    documents_->DateiNeu();
}

MessageAnswer TForm1::Ask(const QString& text, const QString& caption, MessageButtons buttons) {
    return modalUi().message(this, text, caption, buttons);
}

void TForm1::ShowLiveValue(uint32_t value) {
    // Above the device's tone threshold the bar turns the button-face colour.
    const bool above =
        static_cast<double>(value) > 254.0 * session_.Decoder().ToneThreshold / 254.0;
    gauge_->setForegroundColor(above ? palette().color(QPalette::Button) : QColor(0, 255, 0));
    gauge_->setValue(static_cast<int>(std::min<uint32_t>(value, LiveBar::kMax)));
}

void TForm1::Guarded(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& e) {
        modalUi().showError(this, e);
    }
}

}  // namespace ostrevik
