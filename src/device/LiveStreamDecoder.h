#pragma once

#include "common/Messages.h"
#include "measurement/CaptureDocument.h"

#include <QString>

#include <chrono>
#include <cstdint>

namespace ostrevik {

// What the decoder needs of the device link: the port's input queue and the
// byte primitives (which echo to the debug trace).
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
    // Grows whenever bytes arrive, also while another handler reads them.
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

// Device -> PC stream bytes.
inline constexpr uint8_t kRecordStart = 0x02;
inline constexpr uint8_t kStreamRecordEnd = 0x03;
inline constexpr uint8_t kBatteryReport = 0x2B;
inline constexpr uint8_t kBankReport = 0x04;
inline constexpr uint8_t kThresholdReport = 0x01;
// PC -> device: 0x11 pauses the stream and 0x13 resumes it (the reverse of
// the usual XON/XOFF meaning).
inline constexpr uint8_t kStreamPause = 0x11;
inline constexpr uint8_t kStreamResume = 0x13;

// Cuts the device's byte stream into records and feeds them into the active
// document's capture target; drives the live bar, shows the battery voltage,
// tracks bank and tone threshold, and pauses the device while the input queue
// is filling up. Runs on the user-interface thread as the port's
// received-bytes handler.
//
// The decoder also watches over the stream, so that the device is never left
// waiting for the program nor the program for the device: a record that gets
// no byte for longer than any live take-up pauses between two samples is
// taken as ended, and a pause of ours that is not lifted in time is lifted.
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

    LiveStreamDecoder(StreamLink& link, StreamHost& host);

    // The port's received-bytes event: count bytes are waiting.
    void ComPort1RxChar(int count);
    // The port closed with the main window's handlers attached.
    void PortClosed();

    // True between RecordStart and RecordEnd.
    bool InsideRecord() const { return StreamState == Sampling || StreamState == ExpectThreshold; }
    // True while ComPort1RxChar runs (also while it shows a question).
    bool Busy() const { return busy_; }
    // Records ended so far (by their end byte or by silence).
    uint64_t RecordsEnded() const { return recordsEnded_; }

    // A service exchange keeps the device from sending record bytes while
    // it waits for its reply: paused (0x11) unless it already is, and not
    // resumed by a received-bytes call until the last hold is released.
    void HoldStream();
    void ReleaseStream();
    // Waiting input was thrown away, or read as a reply: a two-byte message
    // begun before is not completed by a later byte, and a record end whose
    // start was lost still asks the device for the next record.
    void InputDiscarded();
    // The port was opened again: a pause that the closing cut short is
    // lifted, for the device may still be waiting for it.
    void PortOpened();
    // A service dialog has the port's received bytes for the time it is
    // open: the decoder hears nothing then, which is no silence of the
    // device.
    void SetAside(bool aside);

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

    static constexpr double kBatteryLowVolts = 1.8;

private:
    void HandleIdle(uint8_t b);
    void HandleMessage(uint8_t type, uint8_t value);
    void Battery(uint8_t value);
    void SendPause();
    void SendResume();
    void EndRecord();

    StreamLink& link_;
    StreamHost& host_;
    Clock::time_point (*clock_)() = &Clock::now;
    // A two-byte message whose second byte has not arrived yet (0: none). It
    // is completed by the next byte instead of by a stale value.
    uint8_t pendingMessage_ = 0;
    bool busy_ = false;
    int holds_ = 0;
    int asides_ = 0;
    uint64_t recordsEnded_ = 0;
    // The closing of the port found the device paused by us.
    bool resumeOwed_ = false;
    // Input was lost between records: a RecordEnd without its start may
    // follow, and the device then waits for Measure.
    bool startMayBeLost_ = false;
    Clock::time_point lastByte_{};  // the device was last heard of
    uint64_t lastArrivals_ = 0;
    Clock::time_point pausedSince_{};
};

}  // namespace ostrevik
