#pragma once

#include "device/ComPort.h"
#include "device/GuardedExchange.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

namespace ostrevik {

class DeviceLink;

// "Verstärkung": shows the device's working gain (1..240 to the user, index
// 0..239 on the wire), sends every choice at once and stores the value in the
// device's EEPROM on request. While it is shown, the live decoder gets no
// bytes.
class TFormVerstarkungDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFormVerstarkungDlg(DeviceLink& link, QWidget* parent = nullptr);

    // Reads the gain from the device (run on showing).
    void FormShow();
    // Puts the live decoder back (run on hiding).
    void FormHide();
    // A choice of the user in the list: SetGain with that index.
    void ComboBox1Select(int index);
    // "Wert in EPROM &speichern F7": StoreToEeprom, then close.
    void Button3Click();
    void ButtonHilfeClick();

    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* ButtonHilfe = nullptr;
    QPushButton* Button3 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SendOrReport(std::initializer_list<uint8_t> command);

    DeviceLink& link_;
    TCustomComPort& port_;
    // The live decoder is aside while the dialog is shown.
    std::optional<DecoderAside> aside_;
};

}  // namespace ostrevik
