#pragma once

#include "analysis/ui/ActiveDocuments.h"
#include "measurement/ui/DocumentWindow.h"

namespace ostrevik::test {

// The program's documents as a menu command or window sees them: one
// document window, active, or none.
class OneDocument : public ActiveDocuments {
public:
    OneDocument() = default;
    explicit OneDocument(TMDIChild& document) : active(&document) {}

    TMDIChild* Active() const override { return active; }
    QList<TMDIChild*> All() const override {
        return active ? QList<TMDIChild*>{active} : QList<TMDIChild*>{};
    }
    void Open(const QString&) override {}
    const DisplaySettings& Display() const override { return display; }
    QString UserName() const override { return {}; }
    QWidget* DialogParent() const override { return active; }

    TMDIChild* active = nullptr;
    DisplaySettings display = DisplaySettings::defaults();
};

}  // namespace ostrevik::test
