#pragma once

class QMenu;

namespace ostrevik {

class TArchiveForm;
class TForm1;

// The submenu "Trainingsarchiv" of the menu "A&nalyse": "Archiv anzeigen…",
// "Dateien aufnehmen…" and "Ordner aufnehmen…", each showing the archive
// window (one for the program's run).
void AddArchiveCommands(QMenu& menu, TForm1& form);

// The archive window of the main window, made when first asked for.
TArchiveForm& ArchiveWindow(TForm1& form);

}  // namespace ostrevik
