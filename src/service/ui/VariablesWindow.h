#pragma once

#include "common/ui/ProgramDialog.h"

#include <QByteArray>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace ostrevik {

class DeviceSession;

// "Variableninhalte": asks the device for its internal variables and lists
// eight of them.
class TForm8 : public ProgramDialog {
    Q_OBJECT
public:
    explicit TForm8(DeviceSession& session, QWidget* parent = nullptr);

    // Reads the variables (run on showing).
    void FormShow() override;

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;

private:
    DeviceSession& session_;
};

// The four lines shown for a ten-byte reply, the values unsigned, "\t" a tab.
QStringList VariablenZeilen(const QByteArray& reply);

}  // namespace ostrevik
