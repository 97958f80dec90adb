#pragma once

#include "common/ui/ProgramDialog.h"

#include <QTimer>

#include <array>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ostrevik {

class DeviceSession;

// "Speicherbänke QTX": the fill levels of the device's four memory banks, the
// choice of the bank the device works with, the read-out of that bank into the
// active document and its clearing. Take-ups measured while it is open reach
// the document, and the fill levels are read anew shortly after each has
// ended (never in the middle of a record).
class TPvxDatenLoggerDlg : public ProgramDialog {
    Q_OBJECT
public:
    explicit TPvxDatenLoggerDlg(DeviceSession& session, QWidget* parent = nullptr);

    void FormShow() override;
    void FormHide() override;
    // Reads and shows the fill levels; while the device answers, they are
    // renewed after every take-up.
    void Aktualisieren();
    // A choice of bank, by the user or by Aktualisieren.
    void RadioGroup1Click();
    void ButtonAuslesenClick();
    void ButtonLoschenClick();

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
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetConnected(bool connected);
    // A take-up has ended: the levels are renewed once the line is quiet.
    void RefreshSoon();

    DeviceSession& session_;
    // Renewing the levels after take-ups while the dialog is open and the
    // device answered.
    bool listening_ = false;
    QTimer refresh_;
};

}  // namespace ostrevik
