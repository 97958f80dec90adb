#include "analysis/ui/AnalysisWindowCommand.h"

#include "analysis/ui/AnalysisWindow.h"
#include "app/MainWindow.h"
#include "measurement/ui/DocumentWindow.h"

#include <QAction>
#include <QMenu>

namespace ostrevik {

QAction* AddAnalysisWindowCommand(QMenu& menu, TForm1& form) {
    QAction* item = menu.addAction(QStringLiteral("Analyse an&zeigen"));
    item->setObjectName(QStringLiteral("AnalyseAnzeigen"));
    item->setEnabled(form.ActiveChild != nullptr);
    QObject::connect(&form, &TForm1::ActiveDocumentChanged, item,
                     [item](TMDIChild* child) { item->setEnabled(child != nullptr); });
    QObject::connect(item, &QAction::triggered, &form, [&form] {
        if (form.ActiveChild) {
            AnalysisWindow::openFor(*form.ActiveChild);
        }
    });
    return item;
}

}  // namespace ostrevik
