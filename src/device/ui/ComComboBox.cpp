#include "device/ui/ComComboBox.h"

#include "device/EnumComPorts.h"

namespace ostrevik {

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    // activated() comes only from the user, not from selections made here.
    connect(this, &QComboBox::activated, this, &TComComboBox::ItemActivated);
}

void TComComboBox::SetComProperty(TComProperty property) {
    comProperty_ = property;
    UpdateItems();
}

void TComComboBox::UpdateItems() {
    QStringList names;
    if (comProperty_ == TComProperty::cpPort) {
        EnumComPorts(names);
    }
    const QSignalBlocker blocker(this);
    clear();
    addItems(names);
    SelectName(selected_);
}

void TComComboBox::SetComPort(TCustomComPort* port) {
    if (destroyedConnection_) {
        disconnect(destroyedConnection_);
    }
    comPort_ = port;
    if (port == nullptr) {
        return;
    }
    destroyedConnection_ =
        connect(port, &QObject::destroyed, this, &TComComboBox::ComPortDestroyed);
    PresetName(port->Port());
}

void TComComboBox::PresetName(const QString& name) {
    const int index = findText(name, Qt::MatchFixedString);  // case-insensitive
    if (index >= 0) {
        setCurrentIndex(index);
        selected_ = itemText(index);
    } else {
        setCurrentIndex(-1);
        selected_ = name;
    }
}

void TComComboBox::ApplySettings() {
    if (comPort_ && !selected_.isEmpty()) {
        comPort_->SetPort(selected_);
    }
}

void TComComboBox::ItemActivated(int index) {
    if (index >= 0) {
        selected_ = itemText(index);
    }
}

void TComComboBox::ComPortDestroyed() {
    comPort_ = nullptr;
    destroyedConnection_ = {};
    setCurrentIndex(count() > 0 ? 0 : -1);
}

void TComComboBox::SelectName(const QString& name) {
    setCurrentIndex(name.isEmpty() ? -1 : findText(name, Qt::MatchFixedString));
}

}  // namespace ostrevik
