#include "service/ui/MemoryBankDialog.h"

#include "common/HelpTopics.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "device/DeviceSession.h"
#include "service/BankLevels.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace ostrevik {

TPvxDatenLoggerDlg::TPvxDatenLoggerDlg(DeviceSession& session, QWidget* parent)
    : ProgramDialog(parent, HelpTopics::Speicherbaenke), session_(session) {
    setWindowTitle(QStringLiteral("Speicherbänke QTX"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowContextHelpButtonHint);
    setFixedSize(507, 170);

    RadioGroup1 = new QGroupBox(QStringLiteral("Bankauswahl und Belegung"), this);
    RadioGroup1->setGeometry(8, 4, 491, 124);
    ItemGroup = new QButtonGroup(this);
    // The counts are right-aligned in fields of six characters; a fixed font
    // keeps the four lines aligned under each other.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (int i = 0; i < kBankCount; ++i) {
        const int y = 22 + 24 * i;
        auto* item = new QRadioButton(QString::number(i + 1), RadioGroup1);
        item->setGeometry(12, y, 44, 19);
        ItemGroup->addButton(item, i);
        Items[static_cast<size_t>(i)] = item;

        auto* bar = new QProgressBar(RadioGroup1);
        bar->setGeometry(60, y + 1, 220, 17);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        ProgressBars[static_cast<size_t>(i)] = bar;

        auto* text = new QLabel(QString::number(i + 1), RadioGroup1);
        text->setGeometry(292, y, 190, 19);
        text->setFont(fixed);
        StaticTexts[static_cast<size_t>(i)] = text;
    }
    ProgressBars[0]->setToolTip(QStringLiteral("Belegung Bank 1"));

    Button1 = new QPushButton(QStringLiteral("&Beenden"), this);
    Button1->setGeometry(8, 138, 75, 25);
    ButtonAuslesen = new QPushButton(QStringLiteral("&Auslesen"), this);
    ButtonAuslesen->setGeometry(140, 138, 75, 25);
    ButtonLoschen = new QPushButton(QStringLiteral("&Löschen"), this);
    ButtonLoschen->setGeometry(224, 138, 75, 25);
    ButtonHilfe = MakeHelpButton();
    ButtonHilfe->setGeometry(424, 138, 75, 25);
    for (QPushButton* b : {Button1, ButtonAuslesen, ButtonLoschen, ButtonHilfe}) {
        b->setAutoDefault(false);
    }

    // A changed selection counts as a click, whether the user or the
    // program made it; clicking the selected item again changes nothing.
    connect(ItemGroup, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            RadioGroup1Click();
        }
    });
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonAuslesen, &QPushButton::clicked, this, [this] { ButtonAuslesenClick(); });
    connect(ButtonLoschen, &QPushButton::clicked, this, [this] { ButtonLoschenClick(); });

    // About 100 ms after the bytes of a take-up have stopped.
    refresh_.setSingleShot(true);
    refresh_.setInterval(kReplyWait);
    connect(&refresh_, &QTimer::timeout, this, [this] {
        if (!listening_ || !isVisible()) {
            return;
        }
        if (session_.TakeUpInFlight()) {
            refresh_.start();  // the next one is already coming in
            return;
        }
        Aktualisieren();
    });
    connect(&session_, &DeviceSession::RecordEnded, this, [this] { RefreshSoon(); });
}

int TPvxDatenLoggerDlg::ItemIndex() const {
    return ItemGroup->checkedId();
}

void TPvxDatenLoggerDlg::FormShow() {
    Aktualisieren();
}

void TPvxDatenLoggerDlg::FormHide() {
    listening_ = false;
    refresh_.stop();
}

void TPvxDatenLoggerDlg::RefreshSoon() {
    if (listening_ && isVisible()) {
        refresh_.start();
    }
}

void TPvxDatenLoggerDlg::SetConnected(bool connected) {
    ButtonAuslesen->setEnabled(connected);
    ButtonLoschen->setEnabled(connected);
    RadioGroup1->setEnabled(connected);
}

void TPvxDatenLoggerDlg::Aktualisieren() {
    const QByteArray reply = session_.TryExchange(Exchanges::ReadBankLevels());
    if (reply.size() != kBankLevelsReplyLength) {
        listening_ = false;
        modalUi().message(this, Texts::NoConnectionBankLevels(), Texts::kFehler,
                          MessageButtons::Ok);
        SetConnected(false);
        for (QLabel* text : StaticTexts) {
            text->clear();
        }
        return;
    }
    SetConnected(true);
    const std::array<int, kBankCount> counts = BankByteCounts(reply);
    for (size_t i = 0; i < counts.size(); ++i) {
        ProgressBars[i]->setValue(BankBarPosition(counts[i]));
        StaticTexts[i]->setText(BankLevelText(counts[i]));
    }
    const int bank = session_.MemoryBank();
    if (bank >= 1 && bank <= kBankCount && ItemIndex() != bank - 1) {
        Items[static_cast<size_t>(bank - 1)]->setChecked(true);  // runs RadioGroup1Click
    }
    ButtonAuslesen->setFocus();
    listening_ = isVisible();
}

void TPvxDatenLoggerDlg::RadioGroup1Click() {
    const int index = ItemIndex();
    if (index < 0) {
        return;
    }
    try {
        session_.SetMemoryBank(index + 1, true);
    } catch (const std::exception& e) {
        modalUi().showError(this, e);
    }
}

void TPvxDatenLoggerDlg::ButtonAuslesenClick() {
    // The records come as an ordinary stream, after the dialog has closed.
    listening_ = false;
    try {
        session_.ReadOutBank();
    } catch (const std::exception& e) {
        modalUi().showError(this, e);
    }
    accept();
}

void TPvxDatenLoggerDlg::ButtonLoschenClick() {
    try {
        session_.ClearBankOnDevice();
    } catch (const std::exception& e) {
        modalUi().showError(this, e);
    }
    WaitWithoutEvents(kReplyWait);
    Aktualisieren();
}

void TPvxDatenLoggerDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        // No cancel button: Escape does not close this dialog.
        event->accept();
        return;
    }
    ProgramDialog::keyPressEvent(event);
}

}  // namespace ostrevik
