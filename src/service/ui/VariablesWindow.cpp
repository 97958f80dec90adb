#include "service/ui/VariablesWindow.h"

#include "device/DeviceSession.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace ostrevik {

QStringList VariablenZeilen(const QByteArray& reply) {
    auto value = [&reply](int i) {
        return i < reply.size() ? static_cast<int>(static_cast<uint8_t>(reply[i])) : 0;
    };
    return {
        QString::asprintf("p_null\t= %d\te_null\t= %d", value(0), value(1)),
        QString::asprintf("p_verst\t= %d\te_verst\t= %d", value(2), value(3)),
        QString::asprintf("ez0\t= %d\tabda\t= %d", value(4), value(5)),
        QStringLiteral("ändmark\t= %1\tFlag Tongenerator\t= %2").arg(value(6)).arg(value(7)),
    };
}

TForm8::TForm8(DeviceSession& session, QWidget* parent) : ProgramDialog(parent), session_(session) {
    setWindowTitle(QStringLiteral("Variableninhalte"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // Wide enough for the longest line in this platform's fonts.
    setFixedSize(340, 146);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(5, 5, 330, 97);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFocusPolicy(Qt::ClickFocus);
    // Tab stops a name wide, so that the values line up in columns.
    Memo1->setTabStopDistance(Memo1->fontMetrics().horizontalAdvance(QStringLiteral("ändmark")) +
                              12);
    Button1 = new QPushButton(QStringLiteral("&Schließen"), this);
    Button1->setGeometry(133, 112, 75, 25);
    Button1->setDefault(true);
    setTabOrder(Button1, Memo1);

    // Enter and Escape both close: "&Schließen" is default and cancel button.
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TForm8::FormShow() {
    Memo1->clear();
    // A closed port is a device that does not answer: it gets the same line.
    const QByteArray reply = session_.TryExchange(Exchanges::ReadVariables(kVariablesReplyLength));
    if (reply.size() < kVariablesReplyLength) {
        Memo1->appendPlainText(QStringLiteral("Konnte Variablen nicht auslesen!"));
    } else {
        for (const QString& line : VariablenZeilen(reply)) {
            Memo1->appendPlainText(line);
        }
    }
    // The exchange has taken the whole reply off the line; what follows it
    // is the live stream's and waits for the decoder.
    Button1->setFocus();
}

}  // namespace ostrevik
