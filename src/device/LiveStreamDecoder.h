#pragma once

#include "common/Messages.h"
#include "measurement/CaptureDocument.h"

#include <QString>

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
class LiveStreamDecoder {
public:
    enum State : uint8_t { Sampling = 1, ExpectThreshold = 2, Idle = 3 };

    LiveStreamDecoder(StreamLink& link, StreamHost& host);

    // The port's received-bytes event: count bytes are waiting.
    void ComPort1RxChar(int count);
    // The port closed with the main window's handlers attached.
    void PortClosed();

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

    StreamLink& link_;
    StreamHost& host_;
    // A two-byte message whose second byte has not arrived yet (0: none). It
    // is completed by the next byte instead of by a stale value.
    uint8_t pendingMessage_ = 0;
};

}  // namespace ostrevik
