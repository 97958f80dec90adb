#pragma once

#include "common/Messages.h"
#include "device/CaptureDocument.h"
#include "device/DeviceProtocol.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

namespace ostrevik {

// What the decoder needs of the line: the port's input queue and the byte
// primitives (which echo to the debug trace).
class StreamLink {
public:
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
    // Grows whenever bytes arrive, also while an exchange reads them.
    virtual uint64_t ArrivalCount() const { return 0; }
};

// What the decoder needs of the main window.
class StreamHost {
public:
    virtual ~StreamHost() = default;
    // The active document window, or nullptr.
    virtual CaptureDocument* ActiveDocument() = 0;
    virtual MessageAnswer Ask(const QString& text, const QString& caption,
                              MessageButtons buttons) = 0;
    // The "Datei neu" command (it makes the new window the active one).
    virtual void NewDocument() = 0;
    virtual void ShowLiveValue(uint32_t value) = 0;
    virtual void ShowStatusText(const QString& text) = 0;
};

// Why the device's stream is paused. The device is paused while any reason
// holds; each is lifted by whoever set it (the watch lifts the ones of the
// decoder that last too long).
enum class PauseReason : uint8_t {
    QueueFull = 1,  // the input queue is filling up
    Question = 2,   // a record starts while the user is asked for a window
    Exchange = 4,   // a command is being exchanged inside a record
    Key = 8,        // typed into the debug window
    Claim = 16,     // a dialog has the line (the zero calibration)
};

// Cuts the device's byte stream into records and feeds them into the active
// document's capture target; drives the live bar, shows the battery voltage,
// tracks bank and tone threshold, and pauses the device while the input queue
// is filling up. Runs on the user-interface thread; the device session hands
// it every byte that is not the reply of an exchange.
//
// The decoder also watches over the stream, so that the device is never left
// waiting for the program nor the program for the device: a record that gets
// no byte for longer than any live take-up pauses between two samples is
// taken as ended, and a pause of ours that is not lifted in time is lifted.
// Where a record may be under way whose start it did not see (after such a
// silence, after the line was lost, after an answer was thrown away unread),
// it skips to that record's end instead of reading its samples as messages.
class LiveStreamDecoder {
public:
    enum State : uint8_t { Sampling = 1, ExpectThreshold = 2, Idle = 3 };
    using Clock = std::chrono::steady_clock;

    // The device sends a sample every 20 ms: a second without a byte inside
    // a record means its end was lost (discarded, never sent).
    static constexpr std::chrono::milliseconds kRecordSilence{1000};
    // A pause of ours is lifted after this at the latest; the program keeps
    // up to 64 KiB waiting, far more than the device sends meanwhile.
    static constexpr std::chrono::milliseconds kPauseLimit{2000};
    static constexpr double kBatteryLowVolts = 1.8;

    LiveStreamDecoder(StreamLink& link, StreamHost& host);

    // count bytes are waiting on the line.
    void ComPort1RxChar(int count);

    // True between RecordStart and RecordEnd.
    bool InsideRecord() const { return StreamState == Sampling || StreamState == ExpectThreshold; }
    // True while bytes are skipped up to the end of a record whose start was
    // not seen.
    bool Skipping() const { return skipping_; }
    // True while ComPort1RxChar runs (also while it shows a question).
    bool Busy() const { return busy_; }
    // Called whenever a record has ended.
    std::function<void()> OnRecordEnded;

    // The device paused for a reason (sent unless it already is) and resumed
    // when the last reason is lifted and nothing waits on the line; bytes
    // that still wait keep the pause until a received-bytes call has taken
    // them.
    void Pause(PauseReason reason);
    void Release(PauseReason reason);
    // The user typed the resume byte: every pause but an exchange's ends.
    void ResumeNow();
    // Pauses that only their owner lifts (an exchange's, a claim's).
    bool HeldByOwner() const;
    bool Paused(PauseReason reason) const { return (reasons_ & static_cast<uint8_t>(reason)) != 0; }

    // Bytes between records go to this receiver instead of being read as
    // messages (a dialog that holds a claim on the line); record bytes still
    // come here. None: the decoder reads them itself.
    using IdleReceiver = std::function<void(uint8_t)>;
    void SetIdleReceiver(IdleReceiver receiver) { idleReceiver_ = std::move(receiver); }
    const IdleReceiver& GetIdleReceiver() const { return idleReceiver_; }

    // A byte was taken off the line as part of a reply: a two-byte message
    // begun before is not completed by a later byte.
    void InputTaken() { pendingMessage_ = 0; }
    // Bytes that may have begun a record were thrown away or read as an
    // answer: skip up to the end of that record.
    void Resync();
    // Whether a byte is the device's tone threshold as last reported: with
    // the start byte before it, it begins a record.
    bool IsDeviceThreshold(uint8_t value) const;
    // The port closes (or was lost): a record under way is kept as a record
    // of its own with the samples received, the rest of it is skipped when
    // the line is back, and a pause of ours is owed its resume.
    void PortClosed();
    // The port was opened again; true when the device may have been left
    // paused and must be resumed before anything else is sent.
    bool ResumeOwed() const { return resumeOwed_; }
    void ResumeSent() { resumeOwed_ = false; }

    // Called regularly by a timer: ends a record that went silent (its
    // samples stay as a finished record, Measure is sent), and lifts a pause
    // of ours that has lasted too long.
    void Watch(Clock::time_point now);
    // For tests: the clock the decoder notes its times with.
    void SetClock(Clock::time_point (*clock)()) { clock_ = clock; }

    State StreamState = Idle;
    uint32_t ToneThreshold = 0;
    bool AskForWindow = true;
    bool StreamPaused = false;
    bool BatteryWarned = false;

private:
    void HandleIdle(uint8_t b);
    void StartRecord();
    void HandleThreshold(uint8_t b);
    void HandleMessage(uint8_t type, uint8_t value);
    void Skip(uint8_t b);
    void Battery(uint8_t value);
    void SendPause();
    void SendResume();
    // The record ends; ask tells the device to send the next one.
    void EndRecord(bool askForNext);

    StreamLink& link_;
    StreamHost& host_;
    Clock::time_point (*clock_)() = &Clock::now;
    IdleReceiver idleReceiver_;
    // A two-byte message whose second byte has not arrived yet (0: none). It
    // is completed by the next byte instead of by a stale value.
    uint8_t pendingMessage_ = 0;
    bool busy_ = false;
    uint8_t reasons_ = 0;
    int samplesInRecord_ = 0;
    bool thresholdKnown_ = false;
    // Skipping: the byte before, and a threshold the device reported meanwhile.
    bool skipping_ = false;
    uint8_t skippedBefore_ = 0;
    int reportedThreshold_ = -1;
    bool resumeOwed_ = false;
    Clock::time_point lastByte_{};  // the device was last heard of
    uint64_t lastArrivals_ = 0;
    Clock::time_point pausedSince_{};
};

}  // namespace ostrevik
