#pragma once

namespace ostrevik {

class ActiveDocuments;

// "Ringe importieren…" of the menu "A&nalyse": a target's shot list for the
// active document, mapped and matched in its dialog, kept in the archive;
// the document's window "Analyse" then shows them in its tab "Ringe".
// Nothing without an active document.
void RingeImportieren(ActiveDocuments& documents);

}  // namespace ostrevik
