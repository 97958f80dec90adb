#pragma once

#include "measurement/ui/DocumentHost.h"
#include "settings/DisplaySettings.h"

namespace ostrevik::test {

// A main window that is not there: a document window runs stand-alone with
// the default drawing settings, and saving through the host does nothing.
class NullDocumentHost : public DocumentHost {
public:
    void DocumentActivated(TMDIChild*) override {}
    void DocumentClosed(TMDIChild*) override {}
    void ShowDisplayMode(int) override {}
    bool SaveDocument(TMDIChild*) override { return false; }
    const DisplaySettings& Settings() const override { return settings; }

    DisplaySettings settings = DisplaySettings::defaults();
};

}  // namespace ostrevik::test
