#include "service/ui/ZeroCalibrationDialog.h"

#include "common/Texts.h"
#include "common/ui/ModalUi.h"

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace ostrevik {

TFormNullabgleichDlg::TFormNullabgleichDlg(DeviceSession& session, QWidget* parent)
    : ProgramDialog(parent), session_(session) {
    setWindowTitle(QStringLiteral("Nullpunkt-Eichung"));
    // No close box: the calibration ends by the device's answer or by
    // "&Abbrechen".
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    setFixedSize(327, 84);

    Label1 = new QLabel(QStringLiteral("Eichung läuft:"), this);
    Label1->setGeometry(8, 8, 120, 16);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(8, 26, 311, 17);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Button1 = new QPushButton(QStringLiteral("&Abbrechen"), this);
    Button1->setGeometry(126, 52, 75, 25);
    Button1->setDefault(true);

    Timer1 = new QTimer(this);
    Timer1->setInterval(10);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
}

void TFormNullabgleichDlg::FormShow() {
    step_ = 1;
    ProgressBar1->setValue(0);
    // Each calibration is judged by its own text only: an error reported by
    // an earlier one must not mark this one as failed.
    received_.clear();
    claim_.reset();

    const ExchangeRequest status = Exchanges::StatusRequest(Echo::Silent);
    aborted_ = !status.Answered(session_.TryExchange(status));
    if (aborted_) {
        modalUi().message(this,
                          QStringLiteral("Konnte den Nullabgleich nicht einleiten.\n\r"
                                         "Möglicherweise ist das Gerät nicht angeschlossen !"),
                          Texts::kFehler, MessageButtons::Ok);
    } else {
        const MessageAnswer answer = modalUi().message(
            this, QStringLiteral("Bitte den Abzug während der Eichung nicht berühren !"),
            Texts::kMeldung, MessageButtons::OkCancel);
        if (answer != MessageAnswer::Ok || !ClaimTheLine()) {
            // Idle until "&Abbrechen": nothing sent, the bar stands still.
            return;
        }
        try {
            session_.Send({Command::StartZeroCalibration});
        } catch (const std::exception& e) {
            claim_.reset();
            modalUi().showError(this, e);
            aborted_ = true;
        }
    }
    Timer1->start();
}

bool TFormNullabgleichDlg::ClaimTheLine() {
    for (;;) {
        // The device's record stream stands still while it calibrates, so
        // that no take-up begins in the middle of its text; one that began
        // before is waited for.
        claim_.emplace(session_, [this](uint8_t b) { CalibrationByte(b); });
        if (!claim_->Granted()) {
            // The line is gone, or a calibration typed into the trace has it.
            claim_.reset();
            return false;
        }
        if (!session_.Decoder().TakeUpUnderWay()) {
            return true;
        }
        claim_.reset();
        if (!WaitForTakeUpEnd()) {
            return false;
        }
    }
}

bool TFormNullabgleichDlg::WaitForTakeUpEnd() {
    if (!session_.TakeUpInFlight()) {
        return true;
    }
    const MessageAnswer answer = modalUi().message(this, Texts::CalibrationWaitsForTakeUp(),
                                                   Texts::kMeldung, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes) {
        return false;
    }
    // The take-up ends by its end byte, by the device's silence or with the
    // line; the dialog's own "&Abbrechen" ends the wait as well.
    QEventLoop wait;
    const auto ended = connect(&session_, &DeviceSession::RecordEnded, &wait, &QEventLoop::quit);
    const auto lost = connect(&session_, &DeviceSession::ConnectionLost, &wait, &QEventLoop::quit);
    QTimer poll;
    connect(&poll, &QTimer::timeout, &wait, [&] {
        if (!session_.TakeUpInFlight() || !isVisible() || !session_.Connected()) {
            wait.quit();
        }
    });
    poll.start(50);
    wait.exec();
    disconnect(ended);
    disconnect(lost);
    return isVisible() && !aborted_ && session_.Connected() && !session_.TakeUpInFlight();
}

void TFormNullabgleichDlg::CalibrationByte(uint8_t b) {
    if (b != Stream::CalibrationEnd) {
        received_.append(static_cast<char>(b));
        return;
    }
    // The end byte may stand anywhere in the text. What follows it is no
    // longer the calibration's.
    claim_.reset();
    Timer1->stop();
    ProgressBar1->setValue(0);
    if (isVisible()) {
        accept();
    }
}

void TFormNullabgleichDlg::Timer1Timer() {
    if (aborted_) {
        done(QDialog::Rejected);
    }
    const int position = ProgressBar1->value();
    if (position == ProgressBar1->minimum() || position == ProgressBar1->maximum()) {
        step_ = -step_;
    }
    ProgressBar1->setValue(
        std::clamp(position + step_, ProgressBar1->minimum(), ProgressBar1->maximum()));
}

void TFormNullabgleichDlg::Button1Click() {
    aborted_ = true;
    done(QDialog::Rejected);
}

void TFormNullabgleichDlg::reject() {
    Button1Click();
}

void TFormNullabgleichDlg::FormHide() {
    Timer1->stop();
    claim_.reset();
    if (aborted_) {
        return;
    }
    if (received_.contains("Fehler")) {
        modalUi().message(this, QStringLiteral("Bei der Eichung ist ein Fehler aufgetreten"),
                          Texts::kFehler, MessageButtons::Ok);
        return;
    }
    const MessageAnswer answer = modalUi().message(
        this, QStringLiteral("Eichung erfolgreich beendet!\r\nWerte ins EEPROM speichern?"),
        Texts::kMeldung, MessageButtons::YesNo);
    if (answer == MessageAnswer::Yes) {
        try {
            session_.Send({Command::StoreToEeprom});
        } catch (const std::exception& e) {
            modalUi().showError(this, e);
        }
    }
}

}  // namespace ostrevik
