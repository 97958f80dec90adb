#include "device/LiveStreamDecoder.h"

#include "common/NumberFormat.h"

#include <QLocale>

#include <algorithm>

namespace ostrevik {

LiveStreamDecoder::LiveStreamDecoder(StreamLink& link, StreamHost& host)
    : link_(link), host_(host) {}

void LiveStreamDecoder::SendPause() {
    link_.SendByte(kStreamPause);
    StreamPaused = true;
    pausedSince_ = clock_();
}

void LiveStreamDecoder::SendResume() {
    link_.SendByte(kStreamResume);
    StreamPaused = false;
    // The device's silence while paused says nothing about its record.
    lastByte_ = clock_();
}

void LiveStreamDecoder::ComPort1RxChar(int count) {
    struct BusyScope {
        bool& flag;
        bool before;
        explicit BusyScope(bool& f) : flag(f), before(f) { flag = true; }
        ~BusyScope() { flag = before; }
    } busy(busy_);

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
        lastByte_ = clock_();
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
                    EndRecord();
                } else {
                    if (CaptureDocument* doc = host_.ActiveDocument()) {
                        doc->AppendCaptureSample(b);
                    }
                    host_.ShowLiveValue(b);
                }
                break;
        }
    }
    // A hold of a service exchange ends with the exchange, not here.
    if (holds_ == 0 && StreamPaused && link_.InputCount() == 0) {
        SendResume();
    }
    if (CaptureDocument* doc = host_.ActiveDocument()) {
        doc->BatchDone();
    }
}

void LiveStreamDecoder::EndRecord() {
    StreamState = Idle;
    ++recordsEnded_;
    if (CaptureDocument* doc = host_.ActiveDocument()) {
        doc->RecordEnded();
    }
    link_.SendMeasure();
    host_.ShowLiveValue(0);
}

void LiveStreamDecoder::HandleIdle(uint8_t b) {
    switch (b) {
        case kStreamRecordEnd:
            // The end of a record whose start was thrown away: the device
            // waits for Measure all the same.
            if (startMayBeLost_) {
                startMayBeLost_ = false;
                link_.SendMeasure();
            }
            break;
        case kRecordStart:
            startMayBeLost_ = false;
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
    startMayBeLost_ = false;
    holds_ = 0;
    if (StreamPaused) {
        // Closed while paused by us (or lost): the flag must not keep the
        // next connection from ever pausing or resuming the device.
        StreamPaused = false;
        resumeOwed_ = true;
    }
}

void LiveStreamDecoder::PortOpened() {
    if (resumeOwed_) {
        resumeOwed_ = false;
        SendResume();
    }
}

void LiveStreamDecoder::SetAside(bool aside) {
    asides_ = std::max(asides_ + (aside ? 1 : -1), 0);
    // The silence is counted from the moment the decoder listens again.
    lastByte_ = clock_();
}

void LiveStreamDecoder::HoldStream() {
    if (holds_++ == 0 && !StreamPaused) {
        SendPause();
    }
}

void LiveStreamDecoder::ReleaseStream() {
    if (holds_ == 0 || --holds_ > 0) {
        return;
    }
    // Bytes still waiting keep the flow-control pause: the next received-bytes
    // call lifts it once it has emptied the queue, as for any pause.
    if (StreamPaused && link_.InputCount() == 0) {
        SendResume();
    }
}

void LiveStreamDecoder::InputDiscarded() {
    pendingMessage_ = 0;
    if (StreamState == Idle) {
        startMayBeLost_ = true;
    }
}

void LiveStreamDecoder::Watch(Clock::time_point now) {
    if (!link_.Connected()) {
        return;
    }
    // Also while a question of the decoder is open: the device then waits
    // for nothing, and what it sends meanwhile waits in the input queue.
    if (StreamPaused && holds_ == 0 && now - pausedSince_ >= kPauseLimit) {
        SendResume();
    }
    // Bytes that another handler reads (a service dialog's) are no silence
    // of the device either.
    if (const uint64_t arrivals = link_.ArrivalCount(); arrivals != lastArrivals_) {
        lastArrivals_ = arrivals;
        lastByte_ = now;
    }
    if (busy_ || holds_ > 0 || asides_ > 0 || StreamPaused || !InsideRecord()) {
        return;
    }
    if (now - lastByte_ < kRecordSilence || link_.InputCount() > 0) {
        // Bytes waiting belong to a handler that is put aside for the moment
        // (a service dialog); they are the record's, not a silence.
        return;
    }
    pendingMessage_ = 0;
    EndRecord();
    // Should the record's rest come after all, its end asks for the next.
    startMayBeLost_ = true;
    if (CaptureDocument* doc = host_.ActiveDocument()) {
        doc->BatchDone();
    }
}

}  // namespace ostrevik
