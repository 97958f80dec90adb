#pragma once

#include "common/ui/ProgramDialog.h"

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace ostrevik {

class DeviceSession;

// "Einstellungen Tongenerator QTX": reads whether the pitch of the device's
// tone falls or rises with the pressure, and sets it on OK.
class TPvxTongenDlg : public ProgramDialog {
    Q_OBJECT
public:
    explicit TPvxTongenDlg(DeviceSession& session, QWidget* parent = nullptr);

    // Reads the direction from the device (run on showing).
    void FormShow() override;
    // Sends the chosen direction and closes with OK.
    void OKBtnClick();

    // The selected item: 0 "fallend", 1 "steigend", -1 none.
    int ItemIndex() const;
    void SetItemIndex(int index);

    QGroupBox* RadioGroup1 = nullptr;
    QRadioButton* Fallend = nullptr;
    QRadioButton* Steigend = nullptr;
    QButtonGroup* Items = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* ButtonHilfe = nullptr;
    QPushButton* CancelBtn = nullptr;

private:
    DeviceSession& session_;
};

}  // namespace ostrevik
