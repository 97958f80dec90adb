#pragma once

#include <QObject>

class QAction;
class QMainWindow;
class QMenu;

namespace ostrevik {

// Every command of the main window as one action, in its menu and on the
// toolbar, with the menus' captions, shortcuts and hints; their enabled
// states come from one function of the program's state. The main window
// connects what the actions do.
class MainActions : public QObject {
    Q_OBJECT
public:
    explicit MainActions(QMainWindow& window);

    // What the enabled states follow.
    struct State {
        bool document = false;  // a document window is active
        bool hardware = true;   // "Hardware &QTX": the port is open, or was never opened
        bool service = false;  // "Speicherbänke" and "Service": once connected or a document shown
    };
    // A document window became active: the document commands and, for good,
    // the memory banks and service; the display-mode button shows up.
    void DocumentActivated();
    // The active document window closed: the document commands are off.
    void DocumentClosed();
    void SetHardwareEnabled(bool enabled);
    void EnableService();

    // The display mode shown: 0 "Normal" checked and the button up, 1
    // "Schussbündig" checked and the button down; any other value changes
    // nothing.
    void ShowDisplayMode(int mode);
    // Mirrors the down state of the display-mode button.
    bool ModeToggle() const { return modeToggle_; }

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
    // The coach's analysis, exports and comparisons.
    QMenu* Analyse1 = nullptr;
    QAction* AnalyseAnzeigen = nullptr;
    QAction* CsvExportieren = nullptr;
    QAction* BerichtExportieren = nullptr;
    QAction* Vergleichen = nullptr;
    QAction* RingeImportieren = nullptr;
    QAction* Uebung = nullptr;
    QMenu* Trainingsarchiv = nullptr;
    QAction* ArchivAnzeigen = nullptr;
    QAction* DateienAufnehmen = nullptr;
    QAction* OrdnerAufnehmen = nullptr;
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
    // The toolbar's own buttons; the others share the menu's actions.
    QAction* ToolButton1 = nullptr;
    QAction* ToolButton2 = nullptr;
    QAction* ToolButton4 = nullptr;

private:
    void CreateMenus(QMainWindow& window);
    void CreateToolBar(QMainWindow& window);
    // The enabled states for this state, which becomes the current one.
    void Update(const State& state);
    // The display-mode button up again, as a new or no document shows.
    void ShowButtonUp();

    State state_;
    bool modeToggle_ = false;
};

}  // namespace ostrevik
