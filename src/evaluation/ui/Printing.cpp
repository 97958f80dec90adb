#include "evaluation/ui/Printing.h"

#include "common/AtomicFile.h"
#include "common/PdfCheck.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "evaluation/StatisticsPrintout.h"
#include "evaluation/ui/PrintProgress.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPrinter>

#include <algorithm>
#include <memory>
#include <optional>

namespace ostrevik {
namespace {

std::unique_ptr<QPrinter>& programPrinterSlot() {
    static std::unique_ptr<QPrinter> printer;
    return printer;
}

// Copies are printed as repeated runs in one job, so the printer must not
// multiply the pages again: its own count goes back to 1 once read.
int32_t kopienUebernehmen(QPrinter& printer) {
    const int kopien = std::max(printer.copyCount(), 1);
    printer.setCopyCount(1);
    return kopien;
}

void druckFehlerMelden(QWidget* parent) {
    modalUi().message(parent, Texts::PrintFailed(), Texts::kFehler, MessageButtons::Ok);
}

// Printing to a file: the printer writes a temporary file beside the one
// chosen, which takes the chosen name only once it has arrived whole on disk;
// a full disk leaves the earlier file of that name as it was. The printer
// keeps the chosen name for the next dialog.
class DruckDatei {
public:
    explicit DruckDatei(QPrinter& printer) : printer_(printer) {
        if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) {
            return;
        }
        gewaehlt_ = printer.outputFileName();
        zwischen_.emplace(gewaehlt_);
        if (zwischen_->isValid()) {
            printer.setOutputFileName(zwischen_->temporaryPath());
        }
    }
    ~DruckDatei() {
        if (!gewaehlt_.isEmpty()) {
            printer_.setOutputFileName(gewaehlt_);
        }
    }
    DruckDatei(const DruckDatei&) = delete;
    DruckDatei& operator=(const DruckDatei&) = delete;

    // False when not even the temporary file could be made.
    bool bereit() const { return !zwischen_ || zwischen_->isValid(); }

    // After a job that printed: the file into place, or the job failed.
    DruckErgebnis abschliessen(DruckErgebnis ergebnis) {
        if (!zwischen_ || ergebnis != DruckErgebnis::Gedruckt) {
            return ergebnis;
        }
        return zwischen_->commit(pdfIncompleteReason).ok ? ergebnis : DruckErgebnis::DruckerFehler;
    }

private:
    QPrinter& printer_;
    QString gewaehlt_;
    std::optional<TemporaryFileBeside> zwischen_;
};

}  // namespace

QPrinter& ProgramPrinter() {
    auto& slot = programPrinterSlot();
    if (!slot) {
        slot = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The printer's plugin must not outlive the application object.
        qAddPostRoutine([] { programPrinterSlot().reset(); });
    }
    return *slot;
}

bool PrinterSetup(QWidget* parent, QPrinter& printer) {
    return modalUi().printerSetup(parent, printer);
}

bool DokumentDrucken(QWidget* parent, const QString& dateiname, const Dateiheader_t& kopf,
                     const Rasters_t& liste, const DisplaySettings& settings,
                     const QString& userName, TForm5& progress, QPrinter& printer) {
    PrinterRasters_t job(liste, &settings, kDruckSeitenSpalten, kDruckSeitenZeilen);
    const int32_t seiten = job.SeitenAnzahl();
    const int32_t hoechste = std::max(seiten, 1);

    // Each print starts with the whole document selected; the printer and
    // its other choices stay as the last dialog left them.
    printer.setDocName(QString());
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(1, hoechste);
    if (!modalUi().printDialog(parent, printer, 1, hoechste, true)) {
        return false;
    }

    job.Kopien = kopienUebernehmen(printer);
    DruckDatei datei(printer);
    if (!datei.bereit()) {
        druckFehlerMelden(parent);
        return false;
    }
    int32_t von = 0;
    int32_t bis = 0;
    if (printer.printRange() == QPrinter::PageRange) {
        von = printer.fromPage();
        bis = printer.toPage();
    }
    job.KopfDaten = {userName, kopf.name(), kopf.datum(), kopf.text(), dateiname};
    job.Drucker = &printer;
    job.Fortschritt = [&progress](const QString& text) { progress.FortschrittZeigen(text); };

    // The window opens with the first page's text rather than the last
    // job's.
    const std::vector<DruckSeite_t> bereich =
        DruckPlan(liste.Anzahl() - 1, kDruckSeitenSpalten * kDruckSeitenZeilen, von, bis, 1);
    if (!bereich.empty()) {
        progress.FortschrittZeigen(QStringLiteral("Drucke Seite 1 von %1").arg(bereich.size()));
    }

    DruckErgebnis ergebnis = DruckErgebnis::NichtsZuDrucken;
    {
        DruckFortschrittAnzeige anzeige(progress);
        ergebnis = datei.abschliessen(job.Drucken(von, bis));
    }
    if (ergebnis == DruckErgebnis::DruckerFehler) {
        druckFehlerMelden(parent);
    }
    return ergebnis == DruckErgebnis::Gedruckt;
}

bool StatistikAusdrucken(QWidget* parent, const Statistik_t& statistik, const QString& userName,
                         const Dateiheader_t* kopf, QPrinter& printer) {
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(1, 1);
    // One page: printer and copies, no page range to choose.
    if (!modalUi().printDialog(parent, printer, 1, 1, false)) {
        return false;
    }
    const int32_t kopien = kopienUebernehmen(printer);
    printer.setDocName(QStringLiteral("Statistik"));
    DruckDatei datei(printer);
    if (!datei.bereit()) {
        druckFehlerMelden(parent);
        return false;
    }
    // The date line names the moment of printing, not that of the evaluation.
    const StatistikSeite_t seite =
        StatistikSeite(statistik, userName, kopf, QDateTime::currentDateTime(), QLocale());
    const DruckErgebnis ergebnis = datei.abschliessen(StatistikDrucken(printer, seite, kopien));
    if (ergebnis == DruckErgebnis::DruckerFehler) {
        druckFehlerMelden(parent);
    }
    return ergebnis == DruckErgebnis::Gedruckt;
}

}  // namespace ostrevik
