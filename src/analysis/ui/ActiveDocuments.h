#pragma once

#include "settings/DisplaySettings.h"

#include <QList>
#include <QString>

class QWidget;

namespace ostrevik {

class TMDIChild;

// What the analysis, export and comparison commands need of the program: the
// documents, the live drawing settings, the user named in reports and the
// window their dialogs belong to.
class ActiveDocuments {
public:
    virtual ~ActiveDocuments() = default;
    // The active document window, or none.
    virtual TMDIChild* Active() const = 0;
    // Every open document window, in the frame's order.
    virtual QList<TMDIChild*> All() const = 0;
    // Opens a measurement file as a document, as "&Öffnen" would.
    virtual void Open(const QString& path) = 0;
    virtual const DisplaySettings& Display() const = 0;
    virtual QString UserName() const = 0;
    virtual QWidget* DialogParent() const = 0;
};

}  // namespace ostrevik
