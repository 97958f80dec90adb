#include "device/LiveStreamDecoder.h"

#include "common/NumberFormat.h"
#include "common/Texts.h"

#include <QLocale>

namespace ostrevik {

namespace {

constexpr uint8_t bit(PauseReason reason) {
    return static_cast<uint8_t>(reason);
}

// The pauses the decoder sets itself; the watch lifts them when they last
// too long.
constexpr uint8_t kOwnPauses = bit(PauseReason::QueueFull) | bit(PauseReason::Question);
// Pauses that last as long as their owner needs them.
constexpr uint8_t kOwnedPauses = bit(PauseReason::Exchange) | bit(PauseReason::Claim);

}  // namespace

LiveStreamDecoder::LiveStreamDecoder(StreamLink& link, StreamHost& host)
    : link_(link), host_(host) {}

void LiveStreamDecoder::SendPause() {
    link_.SendByte(Command::StreamPause);
    StreamPaused = true;
    pausedSince_ = clock_();
}

void LiveStreamDecoder::SendResume() {
    link_.SendByte(Command::StreamResume);
    StreamPaused = false;
    // The device's silence while paused says nothing about its record.
    lastByte_ = clock_();
}

void LiveStreamDecoder::Pause(PauseReason reason) {
    reasons_ |= bit(reason);
    if (!StreamPaused) {
        SendPause();
    }
}

void LiveStreamDecoder::Release(PauseReason reason) {
    if ((reasons_ & bit(reason)) == 0) {
        return;
    }
    reasons_ &= static_cast<uint8_t>(~bit(reason));
    if (reasons_ != 0 || !StreamPaused) {
        return;
    }
    if (link_.InputCount() == 0) {
        SendResume();
    } else {
        // The next received-bytes call lifts it once it has taken them.
        reasons_ |= bit(PauseReason::QueueFull);
    }
}

bool LiveStreamDecoder::HeldByOwner() const {
    return (reasons_ & kOwnedPauses) != 0;
}

void LiveStreamDecoder::ResumeNow() {
    reasons_ &= kOwnedPauses;
    if (reasons_ == 0 && StreamPaused) {
        SendResume();
    }
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
            Pause(PauseReason::QueueFull);
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
        if (skipping_) {
            Skip(b);
            continue;
        }
        switch (StreamState) {
            case Idle:
                HandleIdle(b);
                break;
            case ExpectThreshold:
                HandleThreshold(b);
                break;
            case Sampling:
                if (b == Stream::RecordEnd) {
                    EndRecord(true);
                } else {
                    ++samplesInRecord_;
                    if (CaptureDocument* doc = host_.ActiveDocument()) {
                        doc->AppendCaptureSample(b);
                    }
                    host_.ShowLiveValue(b);
                }
                break;
        }
    }
    // The decoder's own pauses end once the queue is empty; an exchange's
    // ends with the exchange.
    if ((reasons_ & kOwnPauses) != 0 && link_.InputCount() == 0) {
        reasons_ &= static_cast<uint8_t>(~kOwnPauses);
        if (reasons_ == 0 && StreamPaused) {
            SendResume();
        }
    }
    if (CaptureDocument* doc = host_.ActiveDocument()) {
        doc->BatchDone();
    }
}

void LiveStreamDecoder::EndRecord(bool askForNext) {
    StreamState = Idle;
    samplesInRecord_ = 0;
    if (CaptureDocument* doc = host_.ActiveDocument()) {
        doc->RecordEnded();
    }
    if (askForNext) {
        link_.SendMeasure();
    }
    host_.ShowLiveValue(0);
    if (OnRecordEnded) {
        OnRecordEnded();
    }
}

void LiveStreamDecoder::StartRecord() {
    samplesInRecord_ = 0;
    if (CaptureDocument* doc = host_.ActiveDocument()) {
        doc->RecordStarted();
    } else if (AskForWindow) {
        // The device waits while the user decides.
        Pause(PauseReason::Question);
        const MessageAnswer a = host_.Ask(QStringLiteral("Kein Fenster geöffnet!\n\rNeues öffnen?"),
                                          Texts::kMeldungOstrevik, MessageButtons::YesNo);
        if (a == MessageAnswer::Yes) {
            host_.NewDocument();
        } else {
            AskForWindow = false;
        }
    }
    StreamState = ExpectThreshold;
}

void LiveStreamDecoder::HandleThreshold(uint8_t b) {
    StreamState = Sampling;
    ToneThreshold = b;
    thresholdKnown_ = true;
    if (CaptureDocument* doc = host_.ActiveDocument()) {
        doc->SetCaptureThreshold(b, false);
    }
}

void LiveStreamDecoder::HandleIdle(uint8_t b) {
    if (b == Stream::RecordStart) {
        StartRecord();
        return;
    }
    if (idleReceiver_) {
        // A dialog has a claim on what the device says between records.
        IdleReceiver receiver = idleReceiver_;
        receiver(b);
        return;
    }
    switch (b) {
        case Stream::BatteryReport:
        case Stream::BankReport:
        case Stream::ThresholdReport: {
            uint8_t value = 0;
            if (link_.ReadByte(value)) {
                HandleMessage(b, value);
            } else {
                pendingMessage_ = b;
            }
            break;
        }
        case Stream::RecordEnd:
            // The end of a record whose start was not seen: the device now
            // waits to be asked for the next one.
            link_.SendMeasure();
            break;
        default:
            break;  // anything else between records means nothing
    }
}

void LiveStreamDecoder::HandleMessage(uint8_t type, uint8_t value) {
    switch (type) {
        case Stream::BatteryReport:
            Battery(value);
            break;
        case Stream::BankReport:
            link_.SetMemoryBank(value, false);
            break;
        case Stream::ThresholdReport:
            ToneThreshold = value;
            thresholdKnown_ = true;
            if (CaptureDocument* doc = host_.ActiveDocument()) {
                doc->SetCaptureThreshold(value, true);
            }
            break;
        default:
            break;
    }
}

bool LiveStreamDecoder::IsDeviceThreshold(uint8_t value) const {
    return thresholdKnown_ &&
           (value == ToneThreshold || static_cast<int>(value) == reportedThreshold_);
}

void LiveStreamDecoder::Resync() {
    pendingMessage_ = 0;
    if (InsideRecord()) {
        return;  // the record itself goes on; only a record not seen is skipped
    }
    skipping_ = true;
    skippedBefore_ = 0;
    reportedThreshold_ = -1;
    // The rest of such a record is waited for a second from now.
    lastByte_ = clock_();
}

void LiveStreamDecoder::Skip(uint8_t b) {
    const uint8_t before = skippedBefore_;
    skippedBefore_ = b;
    if (before == Stream::RecordStart) {
        // A record start carries the device's tone threshold: a start byte
        // followed by it begins a record; inside a record's rest a sample of
        // 2 is not followed by a jump to exactly the threshold.
        const bool knownThreshold = !thresholdKnown_ || IsDeviceThreshold(b);
        if (knownThreshold) {
            skipping_ = false;
            StartRecord();
            HandleThreshold(b);
            return;
        }
    }
    if (b == Stream::RecordEnd) {
        // The record whose start was not seen is over; the device waits for
        // the program to ask for the next one.
        skipping_ = false;
        link_.SendMeasure();
        return;
    }
    if (before == Stream::ThresholdReport) {
        reportedThreshold_ = b;
    }
}

void LiveStreamDecoder::Battery(uint8_t value) {
    // The voltage is compared as it is shown (15 significant digits), so that
    // 90 x 0.02 reads exactly 1.8 and neither warns nor re-arms.
    const QString shown = formatGeneral(value * 0.02, QLocale::system());
    const double volts = formatGeneral(value * 0.02, QLocale::c()).toDouble();
    if (volts < kBatteryLowVolts && !BatteryWarned) {
        BatteryWarned = true;
        host_.Ask(QStringLiteral("Batterie-Spannung zu niedrig"), Texts::kMeldungOstrevik,
                  MessageButtons::Ok);
    } else if (volts > kBatteryLowVolts) {
        BatteryWarned = false;
    }
    host_.ShowStatusText(QStringLiteral("Batteriespannung: ") + shown + QStringLiteral(" V"));
}

void LiveStreamDecoder::PortClosed() {
    // The take-up cut by the closing is a record of its own: the next one,
    // after the line is back, must not be appended to it.
    if (InsideRecord() && samplesInRecord_ > 0) {
        EndRecord(false);
    }
    StreamState = Idle;
    samplesInRecord_ = 0;
    pendingMessage_ = 0;
    reasons_ = 0;
    host_.ShowLiveValue(0);
    // Whatever the device sends when the line is back may be the rest of a
    // record it went on with meanwhile.
    Resync();
    if (StreamPaused) {
        // Closed while paused by us: the flag must not keep the next
        // connection from ever pausing or resuming the device.
        StreamPaused = false;
        resumeOwed_ = true;
    }
}

void LiveStreamDecoder::Watch(Clock::time_point now) {
    if (!link_.Connected()) {
        return;
    }
    // Also while a question of the decoder is open: the device then waits
    // for nothing, and what it sends meanwhile waits in the input queue.
    if (StreamPaused && !HeldByOwner() && now - pausedSince_ >= kPauseLimit) {
        reasons_ = 0;
        SendResume();
    }
    // Bytes that an exchange reads are no silence of the device either.
    if (const uint64_t arrivals = link_.ArrivalCount(); arrivals != lastArrivals_) {
        lastArrivals_ = arrivals;
        lastByte_ = now;
    }
    // While a dialog has a claim on the line the device works for it (a zero
    // calibration measures nothing): its silence ends no record.
    if (busy_ || StreamPaused || idleReceiver_ || now - lastByte_ < kRecordSilence ||
        link_.InputCount() > 0) {
        return;
    }
    if (skipping_) {
        // A second of silence: no rest of a record is on its way any more.
        skipping_ = false;
        return;
    }
    if (!InsideRecord()) {
        return;
    }
    pendingMessage_ = 0;
    if (samplesInRecord_ > 0) {
        EndRecord(true);
    } else {
        StreamState = Idle;
        link_.SendMeasure();
    }
    // Should the record's rest come after all, it is skipped.
    Resync();
    if (CaptureDocument* doc = host_.ActiveDocument()) {
        doc->BatchDone();
    }
}

}  // namespace ostrevik
