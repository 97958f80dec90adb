#include "analysis/ui/AnalysisCommands.h"

#include "analysis/LiveAnalysis.h"
#include "measurement/MeasurementDocument.h"

#include "analysis/ui/ActiveDocuments.h"
#include "analysis/ui/AnalysisWindow.h"
#include "analysis/ui/ComparisonWindow.h"
#include "analysis/ui/ExportCommands.h"
#include "measurement/ui/DocumentWindow.h"

namespace ostrevik {

namespace {

// The document as it stands, with its live analysis: the exports, the
// report and the comparison read the figures the window "Analyse" shows
// instead of measuring every take-up again.
TrainingSession sessionOf(TMDIChild& child) {
    MeasurementDocument& document = child.Dokument();
    TrainingSession session = snapshotSession(document.Dateiname, document.Kopf, document.Liste());
    const LiveAnalysis& live = LiveAnalysis::of(document);
    session.Analyse = std::make_shared<const SessionAnalysis>(live.analysis());
    session.AnalyseSekunden = live.secondsUsed();
    return session;
}

// One comparison window for the program's run, made when first asked for.
TComparisonForm& comparisonWindow(ActiveDocuments& documents) {
    QWidget* parent = documents.DialogParent();
    if (auto* window = parent->findChild<TComparisonForm*>()) {
        return *window;
    }
    return *new TComparisonForm(
        documents.Display(),
        [&documents] {
            std::vector<TrainingSession> sessions;
            for (TMDIChild* child : documents.All()) {
                sessions.push_back(sessionOf(*child));
            }
            return sessions;
        },
        [&documents] { return documents.UserName(); }, parent);
}

}  // namespace

void AnalyseAnzeigen(ActiveDocuments& documents) {
    if (TMDIChild* child = documents.Active()) {
        AnalysisWindow::openFor(*child);
    }
}

void AlsCsvExportieren(ActiveDocuments& documents) {
    if (TMDIChild* child = documents.Active()) {
        CsvExportieren(documents.DialogParent(), sessionOf(*child), documents.Display());
    }
}

void BerichtAlsPdf(ActiveDocuments& documents) {
    if (TMDIChild* child = documents.Active()) {
        const TrainingSession session = sessionOf(*child);
        BerichtExportieren(documents.DialogParent(), {&session, 1}, documents.Display(),
                           documents.UserName());
    }
}

void DateienVergleichen(ActiveDocuments& documents, const QStringList& paths) {
    TComparisonForm& window = comparisonWindow(documents);
    window.DateienZeigen(paths);
    window.show();
    window.raise();
    window.activateWindow();
}

void TrainingseinheitenVergleichen(ActiveDocuments& documents) {
    TComparisonForm& window = comparisonWindow(documents);
    if (documents.All().size() >= 2) {
        window.GeoeffneteDokumente();
    } else if (!window.DateienWaehlen() && window.Comparison().sessions.empty()) {
        return;
    }
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace ostrevik
