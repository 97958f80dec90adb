#pragma once

#include "settings/DisplaySettings.h"

namespace ostrevik {

class TMDIChild;

// What a document window needs of the main window. The main window keeps
// `ActiveChild`, enables or disables its document commands, shows the display
// mode in its menu and toolbar, and owns the save routine with its file-name
// dialog and the live display settings that every document draws with.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;

    // The window became active: it is ActiveChild now; the document
    // commands are enabled and the display-mode button is shown up.
    virtual void DocumentActivated(TMDIChild* child) = 0;
    // The window closes: ActiveChild is none; the document commands are
    // disabled (memory banks and service stay as they are).
    virtual void DocumentClosed(TMDIChild* child) = 0;
    // 0: "Normal" checked, button up; 1: "Schussbündig" checked, button
    // down; any other value changes nothing.
    virtual void ShowDisplayMode(int mode) = 0;
    // The save command's routine: asks for a file name first while the
    // document is untitled, then saves. True when the document was saved.
    virtual bool SaveDocument(TMDIChild* child) = 0;
    // The live display settings shared by every document; they outlive the
    // document windows.
    virtual const DisplaySettings& Settings() const = 0;
};

}  // namespace ostrevik
