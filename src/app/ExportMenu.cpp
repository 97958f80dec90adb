#include "app/ExportMenu.h"

#include "analysis/ui/ComparisonWindow.h"
#include "analysis/ui/ExportCommands.h"
#include "app/MainWindow.h"
#include "measurement/ui/DocumentWindow.h"

#include <QMenu>

namespace ostrevik {
namespace {

TrainingSession activeSession(TForm1& form) {
    const TMDIChild& child = *form.ActiveChild;
    return snapshotSession(child.Dateiname, child.Kopf, *child.Liste);
}

std::vector<TrainingSession> openSessions(TForm1& form) {
    std::vector<TrainingSession> sessions;
    for (const TMDIChild* child : form.DocumentWindows()) {
        sessions.push_back(snapshotSession(child->Dateiname, child->Kopf, *child->Liste));
    }
    return sessions;
}

// One comparison window for the program's run, made when first asked for.
TComparisonForm& comparisonWindow(TForm1& form) {
    if (auto* window = form.findChild<TComparisonForm*>()) {
        return *window;
    }
    return *new TComparisonForm(
        form.LiveSettings, [&form] { return openSessions(form); },
        [&form] { return form.Config.userName(); }, &form);
}

void compare(TForm1& form) {
    TComparisonForm& window = comparisonWindow(form);
    // Two or more open documents are compared as they are; otherwise the
    // sessions come from measurement files.
    if (form.DocumentWindows().size() >= 2) {
        window.GeoeffneteDokumente();
    } else if (!window.DateienWaehlen() && window.Comparison().sessions.empty()) {
        return;
    }
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

void AddExportCommands(QMenu& menu, TForm1& form) {
    menu.addSeparator();
    QAction* csv = menu.addAction(QStringLiteral("Als &CSV exportieren…"), &form, [&form] {
        if (form.ActiveChild) {
            CsvExportieren(&form, activeSession(form), form.LiveSettings);
        }
    });
    QAction* bericht = menu.addAction(QStringLiteral("&Bericht als PDF…"), &form, [&form] {
        if (form.ActiveChild) {
            const TrainingSession session = activeSession(form);
            BerichtExportieren(&form, {&session, 1}, form.LiveSettings, form.Config.userName());
        }
    });
    menu.addAction(QStringLiteral("Trainingseinheiten &vergleichen…"), &form,
                   [&form] { compare(form); });
    // The document commands need an active document, as the main window's
    // own ones do.
    QObject::connect(&menu, &QMenu::aboutToShow, &form, [&form, csv, bericht] {
        csv->setEnabled(form.ActiveChild != nullptr);
        bericht->setEnabled(form.ActiveChild != nullptr);
    });
}

}  // namespace ostrevik
