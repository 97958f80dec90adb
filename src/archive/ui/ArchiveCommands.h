#pragma once

namespace ostrevik {

class ActiveDocuments;
class TArchiveForm;

// The commands of the submenu "Trainingsarchiv" of the menu "A&nalyse", over
// the program's documents: the archive window shown (one for the program's
// run), files or a folder taken into the archive through it.
void ArchivAnzeigen(ActiveDocuments& documents);
void DateienAufnehmen(ActiveDocuments& documents);
void OrdnerAufnehmen(ActiveDocuments& documents);

// The archive window, made when first asked for.
TArchiveForm& ArchiveWindow(ActiveDocuments& documents);

}  // namespace ostrevik
