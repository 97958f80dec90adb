#pragma once

#include "device/ComPort.h"

#include <QComboBox>
#include <QPointer>

namespace ostrevik {

// Which property of a port the box offers; only the port name is used.
enum class TComProperty { cpNone, cpPort };

// The port-selection box of the settings dialog: a drop-down list that
// cannot be typed into, filled with the ports present. It remembers the
// name the user picked and gives it to the attached port component only when
// asked (ApplySettings), so choosing alone changes nothing.
class TComComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TComComboBox(QWidget* parent = nullptr);

    TComProperty ComProperty() const { return comProperty_; }
    // cpPort fills the items with the ports present.
    void SetComProperty(TComProperty property);

    TCustomComPort* ComPort() const { return comPort_; }
    // Attaches a port component (nullptr detaches). The component's current
    // port is looked up among the items (case-insensitive): found, it is
    // selected and remembered. Not found (a port that is not present right
    // now), nothing is selected but the component's name is remembered all
    // the same, so that applying without a choice of the user leaves the
    // port alone instead of switching it to some earlier selection.
    void SetComPort(TCustomComPort* port);
    // The same for a port known by its name only (its owner applies the
    // choice itself, from ComSelected()).
    void PresetName(const QString& name);

    // The remembered port name (empty until one was selected).
    const QString& ComSelected() const { return selected_; }

    // Sets the attached component's port to the remembered name; an open
    // port is reopened under it, and an error of that reaches the caller.
    // With no name remembered there is nothing to apply.
    void ApplySettings();

    // Lists the ports present anew (a USB adapter may have come or gone) and
    // selects the remembered name again when it is still there.
    void UpdateItems();

private:
    void ItemActivated(int index);
    void ComPortDestroyed();
    void SelectName(const QString& name);

    TComProperty comProperty_ = TComProperty::cpNone;
    QPointer<TCustomComPort> comPort_;
    QMetaObject::Connection destroyedConnection_;
    QString selected_;
};

}  // namespace ostrevik
