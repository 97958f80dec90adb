#pragma once

#include "common/ui/ProgramDialog.h"

#include <cstdint>
#include <initializer_list>

class QComboBox;
class QLabel;
class QPushButton;

namespace ostrevik {

class DeviceSession;

// "Verstärkung": shows the device's working gain (1..240 to the user, index
// 0..239 on the wire), sends every choice at once and stores the value in the
// device's EEPROM on request. Take-ups arriving meanwhile reach the document.
class TFormVerstarkungDlg : public ProgramDialog {
    Q_OBJECT
public:
    explicit TFormVerstarkungDlg(DeviceSession& session, QWidget* parent = nullptr);

    // Reads the gain from the device (run on showing).
    void FormShow() override;
    // A choice of the user in the list: SetGain with that index.
    void ComboBox1Select(int index);
    // "Wert in EPROM &speichern F7": StoreToEeprom, then close.
    void Button3Click();

    QLabel* Label1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* ButtonHilfe = nullptr;
    QPushButton* Button3 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SendOrReport(std::initializer_list<uint8_t> command);

    DeviceSession& session_;
};

}  // namespace ostrevik
