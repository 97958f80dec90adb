#include "service/ui/GainDialog.h"

#include "common/HelpTopics.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "device/DeviceSession.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace ostrevik {

namespace {

// Only the first nine bytes of the variables are needed; the gain is the third.
constexpr int kGainReadLength = 9;

}  // namespace

TFormVerstarkungDlg::TFormVerstarkungDlg(DeviceSession& session, QWidget* parent)
    : ProgramDialog(parent, HelpTopics::Verstaerkung), session_(session) {
    setWindowTitle(QStringLiteral("Verstärkung"));
    MakeFixedForm(311, 111);

    Label1 = new QLabel(QStringLiteral("Verstärkung: (1 - 240 )"), this);
    Label1->setGeometry(12, 16, 150, 16);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setGeometry(168, 12, 81, 22);
    for (int i = 1; i <= kGainSteps; ++i) {
        ComboBox1->addItem(QString::number(i));
    }
    ComboBox1->setCurrentIndex(0);
    Label1->setBuddy(ComboBox1);

    Button3 = new QPushButton(QStringLiteral("Wert in EPROM &speichern F7"), this);
    Button3->setGeometry(12, 44, 287, 25);
    Button3->setAutoDefault(false);
    Button1 = new QPushButton(QStringLiteral("&Ok"), this);
    Button1->setGeometry(12, 78, 140, 25);
    Button1->setDefault(true);
    ButtonHilfe = MakeHelpButton();
    ButtonHilfe->setGeometry(159, 78, 140, 25);
    ButtonHilfe->setAutoDefault(false);

    setTabOrder(ComboBox1, Button1);
    setTabOrder(Button1, ButtonHilfe);
    setTabOrder(ButtonHilfe, Button3);

    // activated: the user's choices only (also by arrow keys and the wheel);
    // selecting from the program sends nothing.
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) { ComboBox1Select(index); });
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
}

void TFormVerstarkungDlg::FormShow() {
    const QByteArray reply =
        session_.TryExchange(Exchanges::ReadVariables(kGainReadLength, kGainReadWait));
    const bool ok = reply.size() == kGainReadLength;
    ComboBox1->setEnabled(ok);
    Button3->setEnabled(ok);
    if (ok) {
        ComboBox1->setCurrentIndex(static_cast<uint8_t>(reply[kVariableGain]));
    } else {
        ComboBox1->setCurrentIndex(-1);
        modalUi().message(this,
                          QStringLiteral("Aktuelle Verstärkung kann nicht ausgelesen werden!\n\r"
                                         "möglicherweise ist das Gerät nicht angeschlossen!"),
                          Texts::kFehler, MessageButtons::Ok);
    }
    if (ComboBox1->isEnabled()) {
        ComboBox1->setFocus();
    } else {
        Button1->setFocus();
    }
}

void TFormVerstarkungDlg::SendOrReport(std::initializer_list<uint8_t> command) {
    try {
        session_.Send(command);
    } catch (const std::exception& e) {
        modalUi().showError(this, e);
    }
}

void TFormVerstarkungDlg::ComboBox1Select(int index) {
    if (index < 0 || index >= kGainSteps || !ComboBox1->isEnabled()) {
        return;
    }
    SendOrReport({Command::SetGain, static_cast<uint8_t>(index)});
}

void TFormVerstarkungDlg::Button3Click() {
    if (!Button3->isEnabled()) {
        return;  // F7 while the gain could not be read: nothing to store
    }
    SendOrReport({Command::StoreToEeprom});
    accept();
}

void TFormVerstarkungDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_F7:
            Button3Click();
            event->accept();
            return;
        case Qt::Key_Escape:
            // Escape presses "&Ok", the dialog's cancel button.
            Button1->click();
            event->accept();
            return;
        default:
            ProgramDialog::keyPressEvent(event);
    }
}

}  // namespace ostrevik
