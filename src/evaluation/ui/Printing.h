#pragma once

#include "evaluation/PrinterRasters.h"
#include "evaluation/Statistics.h"
#include "measurement/MeasurementFile.h"
#include "measurement/Rasters.h"
#include "settings/DisplaySettings.h"

#include <QString>

class QPrinter;
class QWidget;

namespace ostrevik {

class TForm5;

// The printer of the program's run: chosen in the printer setup and the print
// dialogs and kept for every later job. Created on first use, at printer
// resolution; released when the application ends.
QPrinter& ProgramPrinter();

// "Drucker einrichten": the platform's printer setup dialog on the printer.
bool PrinterSetup(QWidget* parent, QPrinter& printer);

// "Drucken": asks for the page range, the copies and the printer (or a file)
// in the print dialog, then prints the document's completed records with the
// progress window shown. True when pages were printed; false when the user
// cancelled, the document has nothing to print, or the printer failed (the
// user has then been told).
bool DokumentDrucken(QWidget* parent, const QString& dateiname, const Dateiheader_t& kopf,
                     const Rasters_t& liste, const DisplaySettings& settings,
                     const QString& userName, TForm5& progress, QPrinter& printer);

// The statistics printout: the print dialog for the printer and the copies,
// then one page of the evaluation per copy in a job titled "Statistik". kopf
// is the active document's header at the moment of printing (may be null).
bool StatistikAusdrucken(QWidget* parent, const Statistik_t& statistik, const QString& userName,
                         const Dateiheader_t* kopf, QPrinter& printer);

}  // namespace ostrevik
