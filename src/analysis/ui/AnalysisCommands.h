#pragma once

#include <QStringList>

namespace ostrevik {

class ActiveDocuments;

// The commands of the menu "A&nalyse". Those of the active document do
// nothing without one.

// "Analyse anzeigen": the analysis window of the active document, opened or
// brought to the front.
void AnalyseAnzeigen(ActiveDocuments& documents);
// "Als CSV exportieren…" of the active document.
void AlsCsvExportieren(ActiveDocuments& documents);
// "Bericht als PDF…" of the active document.
void BerichtAlsPdf(ActiveDocuments& documents);
// "Trainingseinheiten vergleichen…": two or more open documents as they are,
// otherwise sessions from measurement files.
void TrainingseinheitenVergleichen(ActiveDocuments& documents);
// The sessions of these measurement files compared; a file that cannot be
// read is said so.
void DateienVergleichen(ActiveDocuments& documents, const QStringList& paths);

}  // namespace ostrevik
