#include "scores/ui/ScoreCommands.h"

#include "analysis/ui/ActiveDocuments.h"
#include "analysis/ui/AnalysisWindow.h"
#include "analysis/ui/RingKeeper.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "measurement/ui/DocumentWindow.h"
#include "scores/ScoreTexts.h"
#include "scores/ui/ScoreImportDialog.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ostrevik {
namespace {

struct Tr {
    Q_DECLARE_TR_FUNCTIONS(ScoreCommands)
};

}  // namespace

void RingeImportieren(ActiveDocuments& documents) {
    TMDIChild* child = documents.Active();
    if (!child) {
        return;
    }
    QWidget* parent = documents.DialogParent();
    // Rings are kept with the saved file's session: said before a file is
    // chosen, not after the coach has matched it.
    if (child->Unbenannt) {
        modalUi().message(parent, ScoreTexts::SaveFirst(), Texts::kMeldung, MessageButtons::Ok);
        return;
    }
    FileDialogRequest request;
    request.caption = Tr::tr("Ringe importieren: Schussliste der Scheibe");
    request.initialPath = QFileInfo(child->Dateiname).absolutePath();
    request.filter = Tr::tr("Schusslisten (*.csv *.txt);;Alle Dateien (*)");
    const QString path = modalUi().openFileName(parent, request);
    if (path.isEmpty()) {
        return;
    }
    // The window "Analyse" of the document analyses it, keeps its rings and
    // shows them once taken.
    AnalysisWindow* window = AnalysisWindow::openFor(*child);
    window->refresh();
    std::vector<TakeUpMetrics> shots;
    for (const TakeUpMetrics& m : window->analysis().rows) {
        if (m.hasShot()) {
            shots.push_back(m);
        }
    }
    ScoreImportDialog dialog(path, std::move(shots), static_cast<int>(window->scores().size()),
                             window);
    if (!dialog.file().ok()) {
        modalUi().message(window, dialog.file().error, Texts::kFehler, MessageButtons::Ok);
        return;
    }
    if (modalUi().execDialog(dialog) != QDialog::Accepted) {
        return;
    }
    const SessionScores scores = dialog.scores();
    if (!window->rings().importList(window, scores)) {
        return;
    }
    window->chooseTab(AnalysisWindow::kRingTab);
    modalUi().message(
        window,
        Tr::tr("%1 Ringe übernommen.").arg(scores.size()) +
            (dialog.file().skippedTotal() > 0 ? QLatin1Char('\n') + skippedLinesText(dialog.file())
                                              : QString()),
        Texts::kMeldung, MessageButtons::Ok);
}

}  // namespace ostrevik
