#pragma once

#include "device/ComPort.h"
#include "device/GuardedExchange.h"

#include <QByteArray>
#include <QDialog>

#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace ostrevik {

class DeviceLink;

// "Nullpunkt-Eichung": starts the device's zero calibration after the user
// has confirmed that the trigger is left alone, shows a bar moving to and fro
// while the device works, collects the text the device sends until its end
// byte, and offers to store the result in the device's EEPROM when the text
// reports no error.
class TFormNullabgleichDlg : public QDialog {
    Q_OBJECT
public:
    explicit TFormNullabgleichDlg(DeviceLink& link, QWidget* parent = nullptr);

    void FormShow();
    // Puts the live decoder back and evaluates a finished calibration.
    void FormHide();
    // The port's received-bytes handler while the calibration runs.
    void CalibrationRxChar(int count);
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

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    DeviceLink& link_;
    TCustomComPort& port_;
    // The live decoder is aside while the dialog is shown.
    std::optional<DecoderAside> aside_;
    std::optional<StreamHold> hold_;
    // The calibration receiver took a record's end byte.
    bool recordEndTaken_ = false;
    QByteArray received_;
    int step_ = 1;
    bool aborted_ = false;
};

}  // namespace ostrevik
