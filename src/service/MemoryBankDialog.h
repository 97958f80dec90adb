#pragma once

#include "device/ComPort.h"
#include "device/GuardedExchange.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <optional>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ostrevik {

class DeviceLink;

// "Speicherbänke QTX": the fill levels of the device's four memory banks, the
// choice of the bank the device works with, the read-out of that bank into the
// active document and its clearing. Unlike the other service dialogs it keeps
// the live decoder working while it is open: its own received-bytes handler
// passes every byte on to the decoder and reads the fill levels anew once a
// record has ended and the bytes have stopped (never in the middle of a
// record, whose bytes would be in the way of the reply).
class TPvxDatenLoggerDlg : public QDialog {
    Q_OBJECT
public:
    explicit TPvxDatenLoggerDlg(DeviceLink& device, QWidget* parent = nullptr);

    void FormShow();
    void FormHide();
    // Reads and shows the fill levels; installs the bank receiver when the
    // device answered.
    void Aktualisieren();
    // The port's received-bytes handler while the dialog is open.
    void BankRxChar(TCustomComPort& sender, int count);
    // A choice of bank, by the user or by Aktualisieren.
    void RadioGroup1Click();
    void ButtonAuslesenClick();
    void ButtonLoschenClick();
    void ButtonHilfeClick();

    // The selected bank item (0..3), -1 for none.
    int ItemIndex() const;

    QGroupBox* RadioGroup1 = nullptr;
    std::array<QRadioButton*, 4> Items{};
    QButtonGroup* ItemGroup = nullptr;
    std::array<QProgressBar*, 4> ProgressBars{};
    std::array<QLabel*, 4> StaticTexts{};
    QPushButton* Button1 = nullptr;
    QPushButton* ButtonAuslesen = nullptr;
    QPushButton* ButtonLoschen = nullptr;
    QPushButton* ButtonHilfe = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void SetConnected(bool connected);

    DeviceLink& device_;
    TCustomComPort& port_;
    // The live decoder, aside while the dialog is shown.
    std::optional<RxCharAside> aside_;
    // The decoder's count of ended records at the last refresh.
    uint64_t recordsAtRefresh_ = 0;
};

}  // namespace ostrevik
