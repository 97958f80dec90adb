#include "device/LiveStreamDecoder.h"

#include "common/NumberFormat.h"
#include "common/Texts.h"

#include <QLocale>

#include <algorithm>

namespace ostrevik {

namespace {

constexpr uint8_t bit(PauseReason reason) {
    return static_cast<uint8_t>(reason);
}

// The pauses the decoder sets itself; the watch lifts them when they last
// too long.
constexpr uint8_t kOwnPauses = bit(PauseReason::QueueFull) | bit(PauseReason::Question);
// Pauses that last as long as their owner needs them.
constexpr uint8_t kOwnedPauses = bit(PauseReason::Exchange) | bit(PauseReason::Claim) |
                                 bit(PauseReason::Key) | bit(PauseReason::LateAnswer);

}  // namespace

LiveStreamDecoder::LiveStreamDecoder(StreamLink& link, SessionHost& host)
    : link_(link), host_(host) {}

void LiveStreamDecoder::showLiveValue(uint32_t value) const {
    if (LiveValueShown) {
        LiveValueShown(value);
    }
}

void LiveStreamDecoder::showStatus(const QString& text) const {
    if (StatusShown) {
        StatusShown(text);
    }
}

// --- pauses ---------------------------------------------------------------------

void LiveStreamDecoder::SendPause() {
    link_.SendByte(Command::StreamPause);
    StreamPaused = true;
    pausedSince_ = clock_();
}

void LiveStreamDecoder::SendResume() {
    link_.SendByte(Command::StreamResume);
    StreamPaused = false;
    // The device's silence while paused says nothing about its record.
    heardAt_ = std::max(heardAt_, clock_());
}

void LiveStreamDecoder::Pause(PauseReason reason) {
    const uint8_t before = reasons_;
    reasons_ |= bit(reason);
    if (StreamPaused) {
        return;
    }
    try {
        SendPause();
    } catch (...) {
        reasons_ = before;  // not paused: nothing may wait for its release
        throw;
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
    // The typed resume is the owner of the typed pause.
    reasons_ &= static_cast<uint8_t>(kOwnedPauses & ~bit(PauseReason::Key));
    if (reasons_ == 0 && StreamPaused) {
        SendResume();
    }
}

void LiveStreamDecoder::LiftOwnPauses() {
    if ((reasons_ & kOwnPauses) == 0 || link_.InputCount() != 0) {
        return;
    }
    uint8_t lifted = bit(PauseReason::QueueFull);
    if (!windowQuestion_) {
        lifted |= bit(PauseReason::Question);
    }
    reasons_ &= static_cast<uint8_t>(~lifted);
    if (reasons_ == 0 && StreamPaused) {
        SendResume();
    }
}

void LiveStreamDecoder::ResumeSent() {
    resumeOwed_ = false;
    heardAt_ = std::max(heardAt_, clock_());
}

// --- reading ----------------------------------------------------------------------

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
            break;  // nothing came: the rest arrives with a later event
        }
        Process(b, link_.ArrivalOfLastRead().value_or(clock_()));
    }
    LiftOwnPauses();
    SettleOwedAnswer(clock_());
    if (CaptureDocument* doc = host_.CaptureTarget()) {
        doc->BatchDone();
    }
}

LiveStreamDecoder::Role LiveStreamDecoder::Classify(uint8_t b, Clock::time_point arrived) const {
    if (answerOwed_ && arrived <= answerUntil_) {
        return Role::LateAnswer;
    }
    if (windowQuestion_) {
        return Role::HeldForWindow;
    }
    if (skipping_) {
        // A pause of the line ends the skip; one of the program's own pauses
        // of the device does not.
        const bool lineWasQuiet = !StreamPaused && arrived - heardAt_ >= Line::kQuiet;
        if (!lineWasQuiet) {
            return b == Stream::RecordEnd ? Role::EndOfUnseen : Role::Unseen;
        }
    }
    if (pendingReport_ != 0) {
        return Role::ReportValue;
    }
    if (StreamState == ExpectThreshold) {
        return Role::Threshold;
    }
    if (StreamState == Sampling) {
        return b == Stream::RecordEnd ? Role::RecordEnd : Role::Sample;
    }
    if (idleReceiver_) {
        return Role::Claimed;
    }
    switch (b) {
        case Stream::RecordStart:
            return Role::RecordStart;
        case Stream::BatteryReport:
        case Stream::BankReport:
        case Stream::ThresholdReport:
            return Role::Report;
        case Stream::RecordEnd:
            return Role::StrayEnd;
        default:
            return Role::Ignored;
    }
}

void LiveStreamDecoder::Process(uint8_t b, Clock::time_point arrived) {
    const Role role = Classify(b, arrived);
    if (role == Role::HeldForWindow) {
        // Heard when it is read after the question, in its place.
        heldForWindow_.emplace_back(b, arrived);
        return;
    }
    if (skipping_ && role != Role::Unseen && role != Role::EndOfUnseen &&
        role != Role::LateAnswer) {
        skipping_ = false;  // the line paused: the rest is over
    }
    heardAt_ = std::max(heardAt_, arrived);
    if (role != Role::LateAnswer && role != Role::Claimed && role != Role::Report &&
        role != Role::ReportValue && role != Role::Ignored) {
        takeUpHeardAt_ = std::max(takeUpHeardAt_, arrived);
    }
    switch (role) {
        case Role::LateAnswer:
            --answerBytes_;
            break;
        case Role::HeldForWindow:
            break;
        case Role::Unseen:
            mayStream_ = true;
            break;
        case Role::EndOfUnseen:
            // The take-up whose start was not seen is over; the device waits
            // for the program to ask for the next one.
            skipping_ = false;
            mayStream_ = true;
            AskForNext();
            break;
        case Role::ReportValue: {
            const uint8_t type = pendingReport_;
            pendingReport_ = 0;
            HandleReport(type, b);
            break;
        }
        case Role::Threshold:
            HandleThreshold(b);
            break;
        case Role::Sample:
            ++samplesInRecord_;
            if (CaptureDocument* doc = host_.CaptureTarget()) {
                doc->AppendCaptureSample(b);
            }
            showLiveValue(b);
            break;
        case Role::RecordEnd:
            EndRecord(true);
            break;
        case Role::Claimed: {
            // A copy: the receiver may end the claim.
            const IdleReceiver receiver = idleReceiver_;
            receiver(b);
            break;
        }
        case Role::RecordStart:
            mayStream_ = true;
            StartRecord();
            break;
        case Role::Report:
            // Its value is the next byte, whenever it comes.
            pendingReport_ = b;
            break;
        case Role::StrayEnd:
            // The end of a record whose start was not seen: the device now
            // waits to be asked for the next one.
            AskForNext();
            break;
        case Role::Ignored:
            break;  // anything else between records means nothing
    }
}

void LiveStreamDecoder::AskForNext() {
    link_.SendMeasure();
    NoteMeasure();
}

void LiveStreamDecoder::NoteMeasure() {
    mayStream_ = true;
    measuredAt_ = clock_();
}

void LiveStreamDecoder::EndRecord(bool askForNext) {
    StreamState = Idle;
    samplesInRecord_ = 0;
    if (CaptureDocument* doc = host_.CaptureTarget()) {
        doc->RecordEnded();
    }
    if (askForNext) {
        AskForNext();
    }
    showLiveValue(0);
    if (OnRecordEnded) {
        OnRecordEnded();
    }
}

void LiveStreamDecoder::StartRecord() {
    samplesInRecord_ = 0;
    StreamState = ExpectThreshold;
    if (CaptureDocument* doc = host_.CaptureTarget()) {
        doc->RecordStarted();
    } else if (AskForWindow) {
        // The device waits while the user decides, and what it had sent
        // waits for the answer.
        Pause(PauseReason::Question);
        windowQuestion_ = true;
        QuestionDue();
    }
}

void LiveStreamDecoder::HandleThreshold(uint8_t b) {
    StreamState = Sampling;
    ToneThreshold = b;
    if (CaptureDocument* doc = host_.CaptureTarget()) {
        doc->SetCaptureThreshold(b, false);
    }
}

void LiveStreamDecoder::HandleReport(uint8_t type, uint8_t value) {
    switch (type) {
        case Stream::BatteryReport:
            Battery(value);
            break;
        case Stream::BankReport:
            link_.SetMemoryBank(value, false);
            break;
        case Stream::ThresholdReport:
            ToneThreshold = value;
            if (CaptureDocument* doc = host_.CaptureTarget()) {
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
        batteryWarningDue_ = true;
        QuestionDue();
    } else if (volts > kBatteryLowVolts) {
        BatteryWarned = false;
    }
    showStatus(QStringLiteral("Batteriespannung: ") + shown + QStringLiteral(" V"));
}

// --- questions ----------------------------------------------------------------------

void LiveStreamDecoder::QuestionDue() {
    if (OnQuestionDue) {
        OnQuestionDue();
    }
}

void LiveStreamDecoder::AskPendingQuestions() {
    if (asking_) {
        return;  // the call under way asks what has come meanwhile
    }
    struct AskingScope {
        bool& flag;
        explicit AskingScope(bool& f) : flag(f) { flag = true; }
        ~AskingScope() { flag = false; }
    } asking(asking_);

    for (;;) {
        if (batteryWarningDue_) {
            batteryWarningDue_ = false;
            host_.Ask(QStringLiteral("Batterie-Spannung zu niedrig"), Texts::kMeldungOstrevik,
                      MessageButtons::Ok);
            continue;
        }
        if (!windowQuestion_) {
            return;
        }
        const MessageAnswer answer =
            host_.Ask(QStringLiteral("Kein Fenster geöffnet!\n\rNeues öffnen?"),
                      Texts::kMeldungOstrevik, MessageButtons::YesNo);
        if (answer == MessageAnswer::Yes) {
            host_.NewCaptureTarget();
        } else {
            AskForWindow = false;
        }
        windowQuestion_ = false;
        {
            // The record's bytes, in their order, now that it has a place.
            const bool busyBefore = busy_;
            busy_ = true;
            std::deque<std::pair<uint8_t, Clock::time_point>> held;
            held.swap(heldForWindow_);
            try {
                for (const auto& [b, arrived] : held) {
                    Process(b, arrived);
                }
            } catch (...) {
                busy_ = busyBefore;
                throw;
            }
            busy_ = busyBefore;
        }
        if (!windowQuestion_) {
            Release(PauseReason::Question);
        }
        if (CaptureDocument* doc = host_.CaptureTarget()) {
            doc->BatchDone();
        }
    }
}

// --- the line's state ----------------------------------------------------------

void LiveStreamDecoder::InputTaken(std::optional<Clock::time_point> arrived) {
    pendingReport_ = 0;
    if (arrived) {
        heardAt_ = std::max(heardAt_, *arrived);
    }
}

void LiveStreamDecoder::SkipUnseenRest() {
    pendingReport_ = 0;
    if (InsideRecord()) {
        return;  // the record itself goes on
    }
    skipping_ = true;
    // Its rest, if any, comes within a pause's length from now.
    heardAt_ = std::max(heardAt_, clock_());
}

void LiveStreamDecoder::LineQuiet() {
    skipping_ = false;
}

void LiveStreamDecoder::OweAnswer(int bytes, Clock::time_point until, bool held) {
    answerOwed_ = true;
    answerBytes_ = bytes;
    answerUntil_ = until;
    pendingReport_ = 0;
    if (held) {
        if (StreamPaused) {
            reasons_ |= bit(PauseReason::LateAnswer);
        } else {
            Pause(PauseReason::LateAnswer);
        }
    }
}

LiveStreamDecoder::Clock::time_point LiveStreamDecoder::LastHeard() const {
    return std::max(heardAt_, link_.LastArrival().value_or(Clock::time_point{}));
}

void LiveStreamDecoder::SettleOwedAnswer(Clock::time_point now) {
    if (!answerOwed_) {
        return;
    }
    // In when all of it came and the line is quiet after it (a device held
    // paused sends nothing else), or given up at the limit.
    const bool complete =
        answerBytes_ <= 0 && now - LastHeard() >= Line::kQuiet && link_.InputCount() == 0;
    if (!complete && now < answerUntil_) {
        return;
    }
    answerOwed_ = false;
    Release(PauseReason::LateAnswer);
}

void LiveStreamDecoder::PortClosed() {
    // The take-up cut by the closing is a record of its own: the next one,
    // after the line is back, must not be appended to it.
    if (InsideRecord() && samplesInRecord_ > 0) {
        EndRecord(false);
    }
    StreamState = Idle;
    samplesInRecord_ = 0;
    pendingReport_ = 0;
    reasons_ = 0;
    answerOwed_ = false;
    heldForWindow_.clear();
    showLiveValue(0);
    // Whatever the device sends when the line is back may be the rest of a
    // record it went on with meanwhile.
    SkipUnseenRest();
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
    SettleOwedAnswer(now);
    // Also while the question for a window is open: the device then waits
    // for nothing, and what it sends meanwhile waits for the answer.
    if (StreamPaused && !HeldByOwner() && now - pausedSince_ >= kPauseLimit) {
        reasons_ = 0;
        SendResume();
    }
    // While the device is paused, a dialog has a claim on the line (a zero
    // calibration measures nothing), an answer is awaited or a question is
    // open, the device's silence means nothing.
    if (busy_ || StreamPaused || idleReceiver_ || windowQuestion_ || answerOwed_ ||
        link_.InputCount() > 0) {
        return;
    }
    const Clock::time_point heard = LastHeard();
    if (now - heard < Line::kQuiet) {
        return;
    }
    skipping_ = false;  // no rest of a take-up is on its way
    if (InsideRecord()) {
        if (now - heard < kRecordSilence) {
            return;
        }
        pendingReport_ = 0;
        if (samplesInRecord_ > 0) {
            EndRecord(true);
        } else {
            StreamState = Idle;
            AskForNext();
        }
        if (CaptureDocument* doc = host_.CaptureTarget()) {
            doc->BatchDone();
        }
        return;
    }
    // Answers to commands and reports between records (a restarted device
    // may send them) say nothing of whether the device still knows that the
    // program is ready: only its take-ups do.
    if (mayStream_ && now - std::max(takeUpHeardAt_, measuredAt_) >= kRearmSilence) {
        AskForNext();
    }
}

}  // namespace ostrevik
