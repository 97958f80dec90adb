#pragma once

class QMenu;

namespace ostrevik {

class TForm1;

// The export commands of the menu "A&nalyse": "Als CSV exportieren…" and
// "Bericht als PDF…" for the active document, "Trainingseinheiten
// vergleichen…" for several measurement files or all open documents.
void AddExportCommands(QMenu& menu, TForm1& form);

}  // namespace ostrevik
