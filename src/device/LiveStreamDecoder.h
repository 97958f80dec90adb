#pragma once

#include "common/Messages.h"
#include "device/CaptureDocument.h"
#include "device/DeviceProtocol.h"
#include "device/SessionHost.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

namespace ostrevik {

// What the decoder needs of the line: the port's input queue and the byte
// primitives (which echo to the debug trace).
class StreamLink {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~StreamLink() = default;
    virtual int InputCount() = 0;
    virtual int InputBufferSize() const = 0;
    // Reads one byte (at once when one is waiting, otherwise waiting up to
    // 100 ms). False when none came.
    virtual bool ReadByte(uint8_t& b) = 0;
    virtual void SendByte(uint8_t b) = 0;
    virtual void SendMeasure() = 0;
    virtual void SetMemoryBank(int bank, bool send) = 0;
    // Whether the port is open (the decoder's watch does nothing otherwise).
    virtual bool Connected() const { return true; }
    // When the byte read last arrived on the line, and when bytes last
    // arrived at all (whoever read them); nullopt: the line cannot tell, and
    // the byte counts as arriving when it is read.
    virtual std::optional<Clock::time_point> ArrivalOfLastRead() const { return std::nullopt; }
    virtual std::optional<Clock::time_point> LastArrival() const { return std::nullopt; }
};

// Why the device's stream is paused. The device is paused while any reason
// holds; each is lifted by whoever set it (the watch lifts the decoder's own
// when they last too long).
enum class PauseReason : uint8_t {
    QueueFull = 1,    // the input queue is filling up
    Question = 2,     // a record starts while the user is asked for a window
    Exchange = 4,     // a command is being exchanged
    Key = 8,          // typed into the debug window, until the resume is typed
    Claim = 16,       // a dialog has the line (the zero calibration)
    LateAnswer = 32,  // an answer came too late for its exchange and is awaited
};

// Cuts the device's byte stream into records and feeds them into the active
// document's capture target; drives the live bar, shows the battery voltage,
// tracks bank and tone threshold, and pauses the device while the input queue
// is filling up. Runs on the user-interface thread; the device session hands
// it every byte that is not the reply of an exchange.
//
// What a byte read from the line is depends on where the decoder stands in
// the stream. Classify() alone decides it; the first line that holds wins:
//
// | While ...                                  | a byte is ...                        |
// |--------------------------------------------|--------------------------------------|
// | an answer is owed (it came after its wait) | LateAnswer: the answer's, dropped    |
// | the user is asked for a window             | HeldForWindow: kept, read once asked |
// | skipping the rest of a take-up whose start | after a pause of the line: read as   |
// | was not seen (the skip)                    | between records (the skip is over);  |
// |                                            | else 03: EndOfUnseen, other: Unseen  |
// | a report's value is due                    | ReportValue                          |
// | ExpectThreshold                            | Threshold                            |
// | Sampling                                   | 03: RecordEnd, other: Sample         |
// | between records, a dialog claims the line  | Claimed: the dialog's                |
// | between records                            | 02: RecordStart; 2B, 04, 01: Report; |
// |                                            | 03: StrayEnd; other: Ignored         |
//
// So a record begins only at a 02 read between records. The skip is entered
// wherever a take-up may be streaming whose start the decoder did not see:
// when the port opens (the trainer may be in the middle of a take-up) and
// when the line was lost. The rest of a take-up streams without a gap (a
// sample every 20 ms), while a new take-up begins only after a pause of the
// line; so the skip ends at the rest's end byte or at a pause of the line of
// Line::kQuiet, measured between the bytes' arrival times (not when they were
// read) and only while the device is not paused by the program. The device's
// tone threshold plays no part: another trainer, or a changed threshold,
// changes nothing.
//
// The decoder never shows a message from inside byte handling: the question
// for a window and the battery warning are asked later (OnQuestionDue, then
// AskPendingQuestions), and a record's bytes wait for the answer.
//
// The decoder also watches over the stream, so that the device is never left
// waiting for the program nor the program for the device: a record that gets
// no byte for longer than any live take-up pauses between two samples is
// taken as ended; a pause of ours that is not lifted in time is lifted; a
// device that has been silent for a long while is told again that the program
// is ready (a trainer that restarted, a battery change, has forgotten it).
class LiveStreamDecoder {
public:
    enum State : uint8_t { Sampling = 1, ExpectThreshold = 2, Idle = 3 };
    using Clock = std::chrono::steady_clock;

    // What a byte is; see the table above.
    enum class Role : uint8_t {
        LateAnswer,
        HeldForWindow,
        Unseen,
        EndOfUnseen,
        ReportValue,
        Threshold,
        Sample,
        RecordEnd,
        Claimed,
        RecordStart,
        Report,
        StrayEnd,
        Ignored,
    };

    // The device sends a sample every 20 ms: a second without a byte inside
    // a record means its end was lost (discarded, never sent).
    static constexpr std::chrono::milliseconds kRecordSilence{1000};
    // A pause of ours is lifted after this at the latest; the program keeps
    // up to 64 KiB waiting, far more than the device sends meanwhile.
    static constexpr std::chrono::milliseconds kPauseLimit{2000};
    // A device silent for this long between records is told again that the
    // program is ready. Measure says only that; a device that still knows it
    // is not disturbed by hearing it again, and a take-up under way is never
    // silent this long.
    static constexpr std::chrono::milliseconds kRearmSilence{4000};
    static constexpr double kBatteryLowVolts = 1.8;

    LiveStreamDecoder(StreamLink& link, SessionHost& host);

    // Who shows the live value (the pressure of each sample, 0 between
    // records) and the status text (the battery's voltage); nobody when unset.
    std::function<void(uint32_t)> LiveValueShown;
    std::function<void(const QString&)> StatusShown;

    // count bytes are waiting on the line.
    void ComPort1RxChar(int count);
    // What the byte is, arriving at `arrived`, where the decoder stands now.
    Role Classify(uint8_t b, Clock::time_point arrived) const;

    // True between RecordStart and RecordEnd.
    bool InsideRecord() const { return StreamState == Sampling || StreamState == ExpectThreshold; }
    // True while the rest of a take-up whose start was not seen may be
    // streaming.
    bool Skipping() const { return skipping_; }
    // A take-up is under way, seen or not.
    bool TakeUpUnderWay() const { return InsideRecord() || skipping_; }
    // True while ComPort1RxChar runs.
    bool Busy() const { return busy_; }
    // Called whenever a record has ended.
    std::function<void()> OnRecordEnded;

    // The device paused for a reason (sent unless it already is) and resumed
    // when the last reason is lifted and nothing waits on the line; bytes
    // that still wait keep the pause until a received-bytes call has taken
    // them. Pause either sets its reason and pauses the device or, when the
    // pause cannot be sent, leaves no trace.
    void Pause(PauseReason reason);
    void Release(PauseReason reason);
    // The user typed the resume byte: every pause but an owner's ends.
    void ResumeNow();
    // Pauses that only their owner lifts (an exchange's, a claim's, a
    // typed one, an awaited answer's).
    bool HeldByOwner() const;
    bool Paused(PauseReason reason) const { return (reasons_ & static_cast<uint8_t>(reason)) != 0; }

    // Bytes between records go to this receiver instead of being read as
    // messages (a dialog that holds a claim on the line); record bytes still
    // come here. None: the decoder reads them itself.
    using IdleReceiver = std::function<void(uint8_t)>;
    void SetIdleReceiver(IdleReceiver receiver) { idleReceiver_ = std::move(receiver); }
    bool Claimed() const { return static_cast<bool>(idleReceiver_); }

    // Bytes were taken off the line as a reply, the last of them arrived at
    // `arrived`: a report begun before is not completed by a later byte.
    void InputTaken(std::optional<Clock::time_point> arrived);
    // A take-up may be streaming whose start the decoder has not seen (the
    // port has just opened): skip up to its end or to a pause of the line.
    // Inside a record nothing changes.
    void SkipUnseenRest();
    // The line has been found quiet while the device was free to send: no
    // rest of a take-up is on its way.
    void LineQuiet();
    // An answer came too late for its exchange: what arrives until it is in
    // (`bytes` of it, then a quiet line) or until `until` is its, never the
    // stream's. `held`: the exchange paused the device, which stays paused
    // until then.
    void OweAnswer(int bytes, Clock::time_point until, bool held);
    bool AnswerOwed() const { return answerOwed_; }

    // The program has told the device to measure (Measure or Playback): from
    // now on it may begin a take-up at any moment.
    void NoteMeasure();
    bool DeviceMayStream() const { return mayStream_; }
    // The line is to be searched anew or opened elsewhere: whatever device
    // is found there has not been told anything yet.
    void ForgetDevice() { mayStream_ = false; }

    // The port closes (or was lost): a record under way is kept as a record
    // of its own with the samples received, the rest of it is skipped when
    // the line is back, and a pause of ours is owed its resume.
    void PortClosed();
    // The port was opened again; true when the device may have been left
    // paused and must be resumed before anything else is sent.
    bool ResumeOwed() const { return resumeOwed_; }
    void ResumeSent();

    // The question for a window and the battery warning wait to be asked.
    // OnQuestionDue is called when one is due; its owner calls
    // AskPendingQuestions from the event loop, never from inside byte
    // handling.
    std::function<void()> OnQuestionDue;
    bool QuestionPending() const { return windowQuestion_ || batteryWarningDue_; }
    void AskPendingQuestions();

    // Called regularly by a timer: ends what the line's silence ends (a
    // record whose end never came, the skip, an awaited answer), lifts a
    // pause of ours that has lasted too long, and tells a long silent device
    // again to measure.
    void Watch(Clock::time_point now);
    // For tests: the clock the decoder notes its times with.
    void SetClock(Clock::time_point (*clock)()) { clock_ = clock; }

    State StreamState = Idle;
    uint32_t ToneThreshold = 0;
    bool AskForWindow = true;
    bool StreamPaused = false;
    bool BatteryWarned = false;

private:
    void Process(uint8_t b, Clock::time_point arrived);
    void StartRecord();
    void HandleThreshold(uint8_t b);
    void HandleReport(uint8_t type, uint8_t value);
    void Battery(uint8_t value);
    void SendPause();
    void SendResume();
    void AskForNext();
    void QuestionDue();
    // The record ends; askForNext tells the device to send the next one.
    void EndRecord(bool askForNext);
    // Lifts the decoder's own pauses once the queue is empty.
    void LiftOwnPauses();
    void SettleOwedAnswer(Clock::time_point now);
    Clock::time_point LastHeard() const;

    StreamLink& link_;
    void showLiveValue(uint32_t value) const;
    void showStatus(const QString& text) const;

    SessionHost& host_;
    Clock::time_point (*clock_)() = &Clock::now;
    IdleReceiver idleReceiver_;
    // A report whose value byte has not arrived yet (0: none).
    uint8_t pendingReport_ = 0;
    bool busy_ = false;
    uint8_t reasons_ = 0;
    int samplesInRecord_ = 0;
    bool skipping_ = false;
    bool resumeOwed_ = false;
    bool mayStream_ = false;
    // The line was last heard: a byte arrived, or the device was resumed or
    // asked for its rest.
    Clock::time_point heardAt_{};
    // A take-up's byte (seen or skipped) last arrived.
    Clock::time_point takeUpHeardAt_{};
    Clock::time_point pausedSince_{};
    Clock::time_point measuredAt_{};
    // An answer that came too late for its exchange.
    bool answerOwed_ = false;
    int answerBytes_ = 0;
    Clock::time_point answerUntil_{};
    // The question for a window is open; the record's bytes wait here.
    bool windowQuestion_ = false;
    bool batteryWarningDue_ = false;
    bool asking_ = false;
    std::deque<std::pair<uint8_t, Clock::time_point>> heldForWindow_;
};

}  // namespace ostrevik
