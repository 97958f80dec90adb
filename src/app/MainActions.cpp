#include "app/MainActions.h"

#include "app/ToolbarIcons.h"
#include "common/Texts.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWidget>

namespace ostrevik {

MainActions::MainActions(QMainWindow& window) : QObject(&window) {
    CreateMenus(window);
    CreateToolBar(window);
    Update(state_);
}

void MainActions::CreateMenus(QMainWindow& window) {
    QMenuBar* bar = window.menuBar();
    auto add = [](QMenu* menu, const QString& text, QKeySequence key = {}) {
        QAction* action = menu->addAction(text);
        action->setShortcut(key);
        return action;
    };
    auto command = [bar](const QString& text, QKeySequence key = {}) {
        QAction* action = bar->addAction(text);
        action->setShortcut(key);
        return action;
    };

    Datei1 = bar->addMenu(QStringLiteral("&Datei"));
    ActionDateiNeu = add(Datei1, QStringLiteral("Datei neu"), Qt::Key_F2);
    Oeffnen1 = add(Datei1, QStringLiteral("&Öffnen"));
    Speichern1 = add(Datei1, QStringLiteral("&Speichern"));
    Speichernunter1 = add(Datei1, QStringLiteral("Speichern &unter"));
    Datei1->addSeparator();
    Drucken1 = add(Datei1, QStringLiteral("&Drucken"));
    Druckereinrichten1 = add(Datei1, QStringLiteral("Drucker &einrichten"));
    Datei1->addSeparator();
    ActionBeenden = add(Datei1, QStringLiteral("Ende"));

    Anzeige1 = bar->addMenu(QStringLiteral("Anzeige"));
    Normal1 = add(Anzeige1, QStringLiteral("Normal"), QKeySequence(Qt::CTRL | Qt::Key_N));
    Normal1->setCheckable(true);
    Normal1->setChecked(true);
    Schussbuendig1 =
        add(Anzeige1, QStringLiteral("Schussbündig"), QKeySequence(Qt::CTRL | Qt::Key_S));
    Schussbuendig1->setCheckable(true);

    Dateiheader1 = command(QStringLiteral("Zusatztext F3"), Qt::Key_F3);
    Statistik1 = command(QStringLiteral("Statistik F4"), Qt::Key_F4);

    Analyse1 = bar->addMenu(tr("A&nalyse"));
    AnalyseAnzeigen = add(Analyse1, tr("Analyse an&zeigen"));
    AnalyseAnzeigen->setObjectName(QStringLiteral("AnalyseAnzeigen"));
    Analyse1->addSeparator();
    CsvExportieren = add(Analyse1, tr("Als &CSV exportieren…"));
    BerichtExportieren = add(Analyse1, tr("&Bericht als PDF…"));
    Vergleichen = add(Analyse1, tr("Trainingseinheiten &vergleichen…"));
    RingeImportieren = add(Analyse1, tr("&Ringe importieren…"));
    RingeImportieren->setObjectName(QStringLiteral("RingeImportieren"));
    Uebung = add(Analyse1, tr("&Übung…"), Qt::Key_F9);
    Uebung->setObjectName(QStringLiteral("Uebung"));
    Analyse1->addSeparator();
    Trainingsarchiv = Analyse1->addMenu(tr("Trainings&archiv"));
    Trainingsarchiv->setObjectName(QStringLiteral("Trainingsarchiv"));
    ArchivAnzeigen = add(Trainingsarchiv, tr("Archiv &anzeigen…"));
    DateienAufnehmen = add(Trainingsarchiv, tr("&Dateien aufnehmen…"));
    OrdnerAufnehmen = add(Trainingsarchiv, tr("&Ordner aufnehmen…"));

    Lesegert1 = bar->addMenu(QStringLiteral("Hardware &QTX"));
    Connect1 = add(Lesegert1, QStringLiteral("Connect "), Qt::Key_F5);
    Speicher = add(Lesegert1, QStringLiteral("Speicherbänke"), Qt::Key_F6);
    Lesegert1->addSeparator();
    Intern1 = Lesegert1->addMenu(QStringLiteral("Service"));
    Tongenerator1 = add(Intern1, QStringLiteral("Tongenerator"));
    Variableninhalte1 = add(Intern1, QStringLiteral("Variableninhalte anzeigen"));
    Variableninhalte1->setVisible(false);
    Nullabgleich1 = add(Intern1, QStringLiteral("Nullabgleich"));
    Verstaerkung1 = add(Intern1, QStringLiteral("Verstärkung"), Qt::Key_F7);
    // Kept for the device's service staff; it has no function in the program.
    Rueckstellung1 = add(Intern1, QStringLiteral("Rückstellung auf Auslieferungszustand"));
    Rueckstellung1->setVisible(false);

    ActionEinstellungen = command(QStringLiteral("&Einstellungen F8"), Qt::Key_F8);

    Fenster1 = bar->addMenu(QStringLiteral("&Fenster"));
    NaechstesFenster1 = add(Fenster1, QStringLiteral("Nächstes Fenster"));
    VorherigesFenster1 = add(Fenster1, QStringLiteral("Vorheriges Fenster"));
    Fenster1->addSeparator();
    Ueberlappend1 = add(Fenster1, QStringLiteral("Überlappend"));
    SymboleAnordnen1 = add(Fenster1, QStringLiteral("Symbole Anordnen"));
    Fenster1->addSeparator();

    ActionHilfe = command(Texts::kHilfeButton, Qt::Key_F1);
    ActionInfo = command(QStringLiteral("Info"));

    // Shortcuts work wherever the focus is inside the main window, also in a
    // document window.
    for (QAction* a : {ActionDateiNeu, Normal1, Schussbuendig1, Dateiheader1, Statistik1, Connect1,
                       Speicher, Verstaerkung1, ActionEinstellungen, ActionHilfe, Uebung}) {
        a->setShortcutContext(Qt::WindowShortcut);
        window.addAction(a);
    }
}

void MainActions::CreateToolBar(QMainWindow& window) {
    QToolBar* tools = window.addToolBar(tr("Werkzeugleiste"));
    tools->setMovable(false);
    tools->setIconSize(QSize(32, 32));
    tools->setFixedHeight(43);
    // Toolbar buttons share the menu commands but carry their own hints.
    auto add = [tools](ToolbarImage image, const QString& hint, QAction* shared) {
        QAction* button = new QAction(tools);
        button->setIcon(toolbarIcon(image));
        button->setToolTip(hint);
        tools->addAction(button);
        if (auto* w = tools->widgetForAction(button)) {
            w->setFixedSize(39, 38);
        }
        if (shared) {
            connect(button, &QAction::triggered, shared, &QAction::trigger);
        }
        return button;
    };
    ToolButton1 = add(ToolbarImage::Beenden, QStringLiteral("Programm beenden"), ActionBeenden);
    add(ToolbarImage::DateiNeu, QStringLiteral("Datei neu"), ActionDateiNeu);
    ToolButton2 =
        add(ToolbarImage::Anzeige, QStringLiteral("Anzeige schussbündig / normal"), nullptr);
    ToolButton2->setCheckable(true);
    add(ToolbarImage::Einstellungen, QStringLiteral("Einstellungen"), ActionEinstellungen);
    ToolButton4 = add(ToolbarImage::Hilfe, QStringLiteral("Hilfe"), ActionHilfe);
    add(ToolbarImage::Info, QStringLiteral("Info"), ActionInfo);
}

void MainActions::Update(const State& state) {
    state_ = state;
    const bool doc = state.document;
    for (QAction* a :
         {Speichern1, Speichernunter1, Drucken1, Dateiheader1, Statistik1, Normal1, Schussbuendig1,
          ToolButton2, AnalyseAnzeigen, CsvExportieren, BerichtExportieren, RingeImportieren}) {
        a->setEnabled(doc);
    }
    Anzeige1->menuAction()->setEnabled(doc);
    Fenster1->menuAction()->setEnabled(doc);
    for (QAction* a : Fenster1->actions()) {
        a->setEnabled(doc);
    }
    // An item of a disabled menu cannot be reached by its shortcut either.
    const bool service = state.hardware && state.service;
    Lesegert1->menuAction()->setEnabled(state.hardware);
    Connect1->setEnabled(state.hardware);
    Speicher->setEnabled(service);
    Intern1->menuAction()->setEnabled(service);
    for (QAction* a : {Tongenerator1, Variableninhalte1, Nullabgleich1, Verstaerkung1}) {
        a->setEnabled(service);
    }
}

void MainActions::DocumentActivated() {
    State state = state_;
    state.document = state.service = true;
    Update(state);
    ShowButtonUp();
}

void MainActions::DocumentClosed() {
    State state = state_;
    state.document = false;
    Update(state);
    ShowButtonUp();
}

void MainActions::SetHardwareEnabled(bool enabled) {
    State state = state_;
    state.hardware = enabled;
    Update(state);
}

void MainActions::EnableService() {
    State state = state_;
    state.service = true;
    Update(state);
}

void MainActions::ShowDisplayMode(int mode) {
    if (mode != 0 && mode != 1) {
        return;
    }
    Normal1->setChecked(mode == 0);
    Schussbuendig1->setChecked(mode == 1);
    modeToggle_ = mode == 1;
    ToolButton2->setChecked(modeToggle_);
}

void MainActions::ShowButtonUp() {
    modeToggle_ = false;
    ToolButton2->setChecked(false);
}

}  // namespace ostrevik
