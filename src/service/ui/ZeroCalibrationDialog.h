#pragma once

#include "common/ui/ProgramDialog.h"
#include "device/DeviceSession.h"

#include <QByteArray>

#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace ostrevik {

// "Nullpunkt-Eichung": starts the device's zero calibration after the user
// has confirmed that the trigger is left alone, shows a bar moving to and fro
// while the device works, collects the text the device sends until its end
// byte, and offers to store the result in the device's EEPROM when the text
// reports no error. A take-up under way when the calibration would start is
// waited for (the finger is on the trigger, and its bytes are the document's).
class TFormNullabgleichDlg : public ProgramDialog {
    Q_OBJECT
public:
    explicit TFormNullabgleichDlg(DeviceSession& session, QWidget* parent = nullptr);

    void FormShow() override;
    // Releases the line and evaluates a finished calibration.
    void FormHide() override;
    // A byte the device sends between records while the calibration runs.
    void CalibrationByte(uint8_t b);
    void Timer1Timer();
    // "&Abbrechen": close without evaluation; the device is not told.
    void Button1Click();

    // Every byte other than the end byte received during this calibration.
    const QByteArray& ReceivedText() const { return received_; }
    bool Aborted() const { return aborted_; }

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* Button1 = nullptr;
    QTimer* Timer1 = nullptr;

public slots:
    // Escape and the cancel button abort.
    void reject() override;

private:
    // Takes the line for the calibration, with the device's stream paused;
    // false when the user would not wait for a take-up under way.
    bool ClaimTheLine();
    // True when no take-up is under way (any more) and the dialog still waits
    // to start; asks the user whether to wait for one that is.
    bool WaitForTakeUpEnd();

    DeviceSession& session_;
    // The device's text while the calibration runs.
    std::optional<LineClaim> claim_;
    QByteArray received_;
    int step_ = 1;
    bool aborted_ = false;
};

}  // namespace ostrevik
