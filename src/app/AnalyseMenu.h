#pragma once

class QMenu;

namespace ostrevik {

class TForm1;

// The top-level menu "A&nalyse" of the coach's analysis, placed right after
// "Statistik F4". Its command groups (the analysis window, the exports and
// the comparison of sessions) add their items in CreateAnalyseMenu, each
// through a function of its own unit, so that the main window only creates
// the menu.
QMenu* CreateAnalyseMenu(TForm1& form);

}  // namespace ostrevik
