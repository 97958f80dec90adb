#pragma once

#include "device/ComPort.h"
#include "device/GuardedExchange.h"

#include <QByteArray>
#include <QDialog>

#include <QStringList>
#include <optional>

class QPlainTextEdit;
class QPushButton;

namespace ostrevik {

class DeviceLink;

// "Variableninhalte": asks the device for its internal variables and lists
// eight of them. While it is shown, the live decoder gets no bytes.
class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(DeviceLink& link, QWidget* parent = nullptr);

    // Reads the variables (run on showing).
    void FormShow();
    // Puts the live decoder back (run on hiding).
    void FormHide();

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    DeviceLink& link_;
    TCustomComPort& port_;
    // The live decoder, aside from the showing until the hiding.
    std::optional<DecoderAside> savedRxChar_;
};

// The four lines shown for a ten-byte reply, the values unsigned, "\t" a tab.
QStringList VariablenZeilen(const QByteArray& reply);

}  // namespace ostrevik
