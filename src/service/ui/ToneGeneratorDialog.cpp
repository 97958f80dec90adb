#include "service/ui/ToneGeneratorDialog.h"

#include "common/HelpTopics.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "device/DeviceSession.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

namespace ostrevik {

namespace {

// The direction is in the eighth byte of the variables; the first eight
// are read.
constexpr int kToneReadLength = 8;

}  // namespace

TPvxTongenDlg::TPvxTongenDlg(DeviceSession& session, QWidget* parent)
    : ProgramDialog(parent, HelpTopics::EinstTongen), session_(session) {
    setWindowTitle(QStringLiteral("Einstellungen Tongenerator QTX"));
    MakeFixedForm(262, 139);

    RadioGroup1 = new QGroupBox(QStringLiteral("Frequenzverlauf bei Drucksteigerung"), this);
    RadioGroup1->setGeometry(8, 8, 246, 81);
    Fallend = new QRadioButton(QStringLiteral("fallend"), RadioGroup1);
    Fallend->setGeometry(16, 24, 200, 19);
    Steigend = new QRadioButton(QStringLiteral("steigend"), RadioGroup1);
    Steigend->setGeometry(16, 50, 200, 19);
    Items = new QButtonGroup(this);
    Items->addButton(Fallend, 0);
    Items->addButton(Steigend, 1);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(8, 104, 75, 25);
    OKBtn->setDefault(true);
    ButtonHilfe = MakeHelpButton();
    ButtonHilfe->setGeometry(93, 104, 75, 25);
    ButtonHilfe->setAutoDefault(false);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setGeometry(179, 104, 75, 25);
    CancelBtn->setAutoDefault(false);

    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

int TPvxTongenDlg::ItemIndex() const {
    return Items->checkedId();
}

void TPvxTongenDlg::SetItemIndex(int index) {
    if (QAbstractButton* button = Items->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; none is wanted here.
    Items->setExclusive(false);
    for (QAbstractButton* button : Items->buttons()) {
        button->setChecked(false);
    }
    Items->setExclusive(true);
}

void TPvxTongenDlg::FormShow() {
    const QByteArray reply = session_.TryExchange(Exchanges::ReadVariables(kToneReadLength));
    const bool ok = reply.size() == kToneReadLength;
    if (ok) {
        SetItemIndex(static_cast<uint8_t>(reply[kVariableToneFlag]) & 1);
    } else {
        modalUi().message(this, Texts::NoConnectionToneDirection(), Texts::kFehler,
                          MessageButtons::Ok);
        SetItemIndex(-1);
    }
    OKBtn->setEnabled(ok);
    RadioGroup1->setEnabled(ok);
}

void TPvxTongenDlg::OKBtnClick() {
    const int index = ItemIndex();
    if (!OKBtn->isEnabled() || index < 0) {
        return;  // Enter while the direction could not be read
    }
    try {
        // The device's acknowledgement is of no interest.
        session_.Exchange(Exchanges::SetToneDirection(index == 1));
    } catch (const std::exception& e) {
        modalUi().showError(this, e);
        return;
    }
    accept();
}

}  // namespace ostrevik
