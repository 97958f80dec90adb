#pragma once

#include <QByteArray>

#include <chrono>
#include <cstdint>

// Every byte the program sends to the QTX trainer and every message it expects
// from it, with the reply lengths and the fixed waits of the exchanges. No
// other file of the program writes a command byte of its own.
namespace ostrevik {

// PC -> device.
namespace Command {
inline constexpr uint8_t Measure = 0x6D;
inline constexpr uint8_t StatusRequest = 0x2B;
inline constexpr uint8_t Playback = 0x70;
inline constexpr uint8_t ClearBank = 0x64;
// 0x11 pauses the stream and 0x13 resumes it (the reverse of the usual
// XON/XOFF meaning).
inline constexpr uint8_t StreamPause = 0x11;
inline constexpr uint8_t StreamResume = 0x13;
inline constexpr uint8_t ReadVariables = 0x62;
inline constexpr uint8_t SetGain = 0x65;  // followed by the gain index 0..239
inline constexpr uint8_t StoreToEeprom = 0x73;
inline constexpr uint8_t StartZeroCalibration = 0x30;
inline constexpr uint8_t ReadBankLevels = 0x6B;
inline constexpr uint8_t SetToneDirection = 0x75;  // followed by ToneFalling or ToneRising
inline constexpr uint8_t ToneFalling = 0x30;       // the character '0'
inline constexpr uint8_t ToneRising = 0x31;        // the character '1'

// The bank byte of SelectBank: 0x01..0x04 select memory bank 1..4; 0x01 is
// also the probe of the port search.
constexpr uint8_t SelectBank(int bank) {
    return static_cast<uint8_t>(bank);
}
}  // namespace Command

// Device -> PC.
namespace Stream {
inline constexpr uint8_t RecordStart = 0x02;
inline constexpr uint8_t RecordEnd = 0x03;
inline constexpr uint8_t BatteryReport = 0x2B;  // followed by volts / 0.02
inline constexpr uint8_t BankReport = 0x04;     // followed by the bank
inline constexpr uint8_t ThresholdReport = 0x01;
inline constexpr uint8_t CalibrationEnd = 0x30;  // ends the zero calibration's text
}  // namespace Stream

inline constexpr int kBankCount = 4;
inline constexpr int kBankCapacity = 33792;  // bytes per memory bank
inline constexpr int kGainSteps = 240;       // gain index 0..239, shown as 1..240

// The variables of ReadVariables, one byte each.
inline constexpr int kVariablesReplyLength = 10;
inline constexpr int kVariableGain = 2;      // working gain index
inline constexpr int kVariableToneFlag = 7;  // bit 0: pitch rises with pressure
inline constexpr int kBankLevelsReplyLength = 20;

// The device's and the line's timing.
namespace Line {
using std::chrono::milliseconds;
// The device sends a sample every 20 ms inside a record.
inline constexpr milliseconds kSamplePeriod{20};
// A USB serial adapter hands received bytes to the PC when its latency timer
// runs out: 16 ms is the common setting.
inline constexpr milliseconds kAdapterLatency{16};
// Inside a take-up a byte arrives at least every sample period plus one
// latency (an adapter whose timer runs freely holds a sample up to a whole
// period); a line quiet for longer has nothing more of a take-up on its way,
// and the device is between take-ups.
inline constexpr milliseconds kQuiet = kSamplePeriod + kAdapterLatency + milliseconds(4);
// How long the program waits for a paused device to fall silent before it
// talks to it all the same: a device that keeps sending must not freeze the
// window.
inline constexpr milliseconds kDrainLimit{300};
// Output the program wrote is waited for (never thrown away) at most this long.
inline constexpr milliseconds kOutputLimit{500};
// An answer that missed its exchange's wait is awaited this long after it
// (the device held paused meanwhile), so that it never becomes the stream's.
inline constexpr milliseconds kLateAnswerLimit{1000};
}  // namespace Line

// The fixed waits between a command and the one read of its reply.
inline constexpr std::chrono::milliseconds kReplyWait{100};
inline constexpr std::chrono::milliseconds kGainReadWait{200};

// Whether the bytes of an exchange pass the debug trace: all of them (the
// program's own device operations), none (the service windows), or only the
// device's answer (a command typed into the trace, which is not echoed).
enum class Echo { Trace, Silent, ReplyOnly };

// One command with its reply: the bytes written, the fixed wait, the one read
// of up to readLength bytes, and the device's whole reply (replyLength, at
// least readLength), whose rest is taken off the line as well.
struct ExchangeRequest {
    QByteArray command;
    int readLength = 0;
    int replyLength = 0;
    std::chrono::milliseconds wait = kReplyWait;
    Echo echo = Echo::Silent;
    // The answer has no fixed length and is not read: everything that came
    // within the wait is the answer.
    bool answerUnread = false;

    // Whether a reply is the whole answer that was to be read.
    bool Answered(const QByteArray& reply) const { return reply.size() == readLength; }
};

namespace Exchanges {
// SelectBank for bank 1..4: two bytes, content not examined. The port search
// sends SelectBank 1 as its probe.
ExchangeRequest SelectBank(int bank);
ExchangeRequest StatusRequest(Echo echo);
ExchangeRequest ClearBank();
// The variables, of which the first readLength bytes are read.
ExchangeRequest ReadVariables(int readLength, std::chrono::milliseconds wait = kReplyWait);
ExchangeRequest ReadBankLevels();
// The answer to the tone direction is waited for and thrown away unread.
ExchangeRequest SetToneDirection(bool rising);
}  // namespace Exchanges

}  // namespace ostrevik
