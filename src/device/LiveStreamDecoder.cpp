#include "device/LiveStreamDecoder.h"

#include "common/NumberFormat.h"

#include <QLocale>

namespace ostrevik {

LiveStreamDecoder::LiveStreamDecoder(StreamLink& link, StreamHost& host)
    : link_(link), host_(host) {}

void LiveStreamDecoder::SendPause() {
    link_.SendByte(kStreamPause);
    StreamPaused = true;
}

void LiveStreamDecoder::ComPort1RxChar(int count) {
    for (int pass = 0; pass < count; ++pass) {
        // Pause the device before the queue overflows; 80 % of the queue.
        const int waiting = link_.InputCount();
        if (waiting > 0.8 * link_.InputBufferSize() && !StreamPaused) {
            SendPause();
        }
        uint8_t b = 0;
        if (!link_.ReadByte(b)) {
            // Nothing came: the rest arrives with a later event.
            break;
        }
        if (pendingMessage_ != 0) {
            const uint8_t type = pendingMessage_;
            pendingMessage_ = 0;
            HandleMessage(type, b);
            continue;
        }
        switch (StreamState) {
            case Idle:
                HandleIdle(b);
                break;
            case ExpectThreshold:
                StreamState = Sampling;
                ToneThreshold = b;
                if (CaptureDocument* doc = host_.ActiveDocument()) {
                    doc->SetCaptureThreshold(b, false);
                }
                break;
            case Sampling:
                if (b == kStreamRecordEnd) {
                    StreamState = Idle;
                    if (CaptureDocument* doc = host_.ActiveDocument()) {
                        doc->RecordEnded();
                    }
                    link_.SendMeasure();
                    host_.ShowLiveValue(0);
                } else {
                    if (CaptureDocument* doc = host_.ActiveDocument()) {
                        doc->AppendCaptureSample(b);
                    }
                    host_.ShowLiveValue(b);
                }
                break;
        }
    }
    if (link_.InputCount() == 0 && StreamPaused) {
        link_.SendByte(kStreamResume);
        StreamPaused = false;
    }
    if (CaptureDocument* doc = host_.ActiveDocument()) {
        doc->BatchDone();
    }
}

void LiveStreamDecoder::HandleIdle(uint8_t b) {
    switch (b) {
        case kRecordStart:
            if (CaptureDocument* doc = host_.ActiveDocument()) {
                doc->RecordStarted();
            } else if (AskForWindow) {
                // The device waits while the user decides.
                SendPause();
                const MessageAnswer a =
                    host_.Ask(QStringLiteral("Kein Fenster geöffnet!\n\rNeues öffnen?"),
                              QStringLiteral("Meldung Ostrevik"), MessageButtons::YesNo);
                if (a == MessageAnswer::Yes) {
                    host_.NewDocument();
                } else {
                    AskForWindow = false;
                }
            }
            StreamState = ExpectThreshold;
            break;
        case kBatteryReport:
        case kBankReport:
        case kThresholdReport: {
            uint8_t value = 0;
            if (link_.ReadByte(value)) {
                HandleMessage(b, value);
            } else {
                pendingMessage_ = b;
            }
            break;
        }
        default:
            break;  // anything else between records means nothing
    }
}

void LiveStreamDecoder::HandleMessage(uint8_t type, uint8_t value) {
    switch (type) {
        case kBatteryReport:
            Battery(value);
            break;
        case kBankReport:
            link_.SetMemoryBank(value, false);
            break;
        case kThresholdReport:
            ToneThreshold = value;
            if (CaptureDocument* doc = host_.ActiveDocument()) {
                doc->SetCaptureThreshold(value, true);
            }
            break;
        default:
            break;
    }
}

void LiveStreamDecoder::Battery(uint8_t value) {
    // The voltage is compared as it is shown (15 significant digits), so that
    // 90 x 0.02 reads exactly 1.8 and neither warns nor re-arms.
    const QString shown = formatGeneral(value * 0.02, QLocale::system());
    const double volts = formatGeneral(value * 0.02, QLocale::c()).toDouble();
    if (volts < kBatteryLowVolts && !BatteryWarned) {
        BatteryWarned = true;
        host_.Ask(QStringLiteral("Batterie-Spannung zu niedrig"),
                  QStringLiteral("Meldung Ostrevik"), MessageButtons::Ok);
    } else if (volts > kBatteryLowVolts) {
        BatteryWarned = false;
    }
    host_.ShowStatusText(QStringLiteral("Batteriespannung: ") + shown + QStringLiteral(" V"));
}

void LiveStreamDecoder::PortClosed() {
    StreamState = Idle;
    pendingMessage_ = 0;
}

}  // namespace ostrevik
