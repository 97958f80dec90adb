#include "service/ZeroCalibrationDialog.h"

#include "common/ModalUi.h"
#include "device/DeviceLink.h"
#include "service/ServiceExchange.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

namespace ostrevik {

namespace {

constexpr uint8_t kCalibrationEnd = 0x30;
constexpr int kStatusReplyLength = 2;

}  // namespace

TFormNullabgleichDlg::TFormNullabgleichDlg(DeviceLink& link, QWidget* parent)
    : QDialog(parent), link_(link), port_(link.Port()) {
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

void TFormNullabgleichDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TFormNullabgleichDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) {
        FormHide();
    }
}

void TFormNullabgleichDlg::FormShow() {
    step_ = 1;
    ProgressBar1->setValue(0);
    // Each calibration is judged by its own text only: an error reported by
    // an earlier one must not mark this one as failed.
    received_.clear();
    recordEndTaken_ = false;

    if (!aside_) {
        aside_.emplace(link_);
    }

    const QByteArray reply =
        ServiceExchange(link_, {Command::StatusRequest}, kStatusReplyLength, kReplyWait);
    aborted_ = reply.size() != kStatusReplyLength;
    if (aborted_) {
        modalUi().message(this,
                          QStringLiteral("Konnte den Nullabgleich nicht einleiten.\n\r"
                                         "Möglicherweise ist das Gerät nicht angeschlossen !"),
                          QStringLiteral("Fehler"), MessageButtons::Ok);
    } else {
        const MessageAnswer answer = modalUi().message(
            this, QStringLiteral("Bitte den Abzug während der Eichung nicht berühren !"),
            QStringLiteral("Meldung"), MessageButtons::OkCancel);
        if (answer != MessageAnswer::Ok) {
            // Idle until "&Abbrechen": nothing sent, the bar stands still.
            return;
        }
        try {
            // What came while the user read the question is the live
            // stream's, not the calibration's text; a record still under way
            // stays paused until the calibration is over.
            hold_.emplace(link_);
            WriteCommand(port_, {Command::StartZeroCalibration});
            port_.SetOnRxChar([this](TCustomComPort&, int count) { CalibrationRxChar(count); });
        } catch (const std::exception& e) {
            modalUi().message(this, PortErrorText(e), QStringLiteral("Ostrevik"),
                              MessageButtons::Ok);
            aborted_ = true;
        }
    }
    Timer1->start();
}

void TFormNullabgleichDlg::CalibrationRxChar(int count) {
    for (int i = 0; i < count; ++i) {
        char c = 0;
        try {
            if (port_.Read(&c, 1) != 1) {
                continue;
            }
        } catch (const EComPort&) {
            return;  // the port is gone; the main window tells the user
        }
        const auto b = static_cast<uint8_t>(c);
        if (b == kStreamRecordEnd) {
            // The device's text never holds it: a record ended here (the
            // trigger was touched), and the device waits for Measure.
            recordEndTaken_ = true;
        }
        if (b == kCalibrationEnd) {
            // The end byte may stand anywhere in the text. What follows it is
            // no longer the calibration's: a record the device begins at once
            // is left waiting for the live decoder.
            Timer1->stop();
            ProgressBar1->setValue(0);
            if (isVisible()) {
                accept();
            }
            return;
        } else {
            received_.append(c);
        }
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
    hold_.reset();
    aside_.reset();
    if (recordEndTaken_) {
        recordEndTaken_ = false;
        try {
            link_.SendMeasure();
        } catch (const EComPort&) {
            // The port's loss is reported by the main window.
        }
    }
    if (aborted_) {
        return;
    }
    if (received_.contains("Fehler")) {
        modalUi().message(this, QStringLiteral("Bei der Eichung ist ein Fehler aufgetreten"),
                          QStringLiteral("Fehler"), MessageButtons::Ok);
        return;
    }
    const MessageAnswer answer = modalUi().message(
        this, QStringLiteral("Eichung erfolgreich beendet!\r\nWerte ins EEPROM speichern?"),
        QStringLiteral("Meldung"), MessageButtons::YesNo);
    if (answer == MessageAnswer::Yes) {
        try {
            WriteCommand(port_, {Command::StoreToEeprom});
        } catch (const std::exception& e) {
            modalUi().message(this, PortErrorText(e), QStringLiteral("Ostrevik"),
                              MessageButtons::Ok);
        }
    }
}

}  // namespace ostrevik
