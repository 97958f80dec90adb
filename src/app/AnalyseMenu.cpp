#include "app/AnalyseMenu.h"

#include "analysis/ui/AnalysisWindowCommand.h"
#include "app/ArchiveMenu.h"
#include "app/ExportMenu.h"
#include "app/MainWindow.h"

#include <QMenu>
#include <QMenuBar>

namespace ostrevik {

QMenu* CreateAnalyseMenu(TForm1& form) {
    QMenu* menu = form.menuBar()->addMenu(QStringLiteral("A&nalyse"));
    // Command groups add their items here.
    AddAnalysisWindowCommand(*menu, form);
    AddExportCommands(*menu, form);
    AddArchiveCommands(*menu, form);
    return menu;
}

}  // namespace ostrevik
