#pragma once

class QAction;
class QMenu;

namespace ostrevik {

class TForm1;

// "Analyse anzeigen" in the menu "A&nalyse": opens the analysis window of the
// active document, or brings it to the front. Enabled while a document
// window is active.
QAction* AddAnalysisWindowCommand(QMenu& menu, TForm1& form);

}  // namespace ostrevik
