#include "app/DocumentCommands.h"

#include "analysis/ui/ActiveDocuments.h"
#include "common/ui/ModalUi.h"
#include "evaluation/ui/PrintProgress.h"
#include "evaluation/ui/Printing.h"
#include "evaluation/ui/StatisticsDialog.h"
#include "measurement/ui/DocumentWindow.h"
#include "measurement/ui/FileHeaderDialog.h"

namespace ostrevik {

DocumentCommands::DocumentCommands(ActiveDocuments& documents, QWidget& window)
    : QObject(&window), documents_(documents), window_(window) {
    form4_ = new TForm4(&window);
    form5_ = new TForm5(&window);
    statistik_ = new TPvxStatistikDlg(&window);
    statistik_->setQuelle([this] {
        StatistikQuelle q;
        q.Anwender = documents_.UserName();
        if (const TMDIChild* child = documents_.Active()) {
            q.Dateiname = child->Dateiname;
            q.Kopf = &child->Kopf;
            q.Liste = child->Liste;
        }
        return q;
    });
}

void DocumentCommands::Drucken() {
    if (const TMDIChild* child = documents_.Active()) {
        DokumentDrucken(&window_, child->Dateiname, child->Kopf, *child->Liste,
                        documents_.Display(), documents_.UserName(), *form5_, ProgramPrinter());
    }
}

void DocumentCommands::DruckerEinrichten() {
    PrinterSetup(&window_, ProgramPrinter());
}

void DocumentCommands::Zusatztext() {
    if (TMDIChild* child = documents_.Active()) {
        ZusatztextBearbeiten(*form4_, *child);
    }
}

void DocumentCommands::Statistik() {
    modalUi().execDialog(*statistik_);
}

void DocumentCommands::Anzeige(int mode) {
    // A document reports the mode it now shows to its host itself.
    if (TMDIChild* child = documents_.Active()) {
        child->AnzeigeModus(mode);
        return;
    }
    emit displayModeShown(mode);
}

}  // namespace ostrevik
