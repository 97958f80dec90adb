#pragma once

#include <cstdint>
#include <vector>

// The QTX trainer's bytes on the wire, as the simulated device sees them.
namespace ostrevik::qtxsim {

using Bytes = std::vector<uint8_t>;

// PC -> device
inline constexpr uint8_t kSelectBank1 = 0x01;  // 0x01..0x04: select bank 1..4
inline constexpr uint8_t kSelectBank4 = 0x04;
inline constexpr uint8_t kMeasure = 0x6D;
inline constexpr uint8_t kStatusRequest = 0x2B;
inline constexpr uint8_t kPlayback = 0x70;
inline constexpr uint8_t kClearBank = 0x64;
inline constexpr uint8_t kStreamPause = 0x11;
inline constexpr uint8_t kStreamResume = 0x13;
inline constexpr uint8_t kReadVariables = 0x62;
inline constexpr uint8_t kSetGain = 0x65;  // + gain index 0..239
inline constexpr uint8_t kStoreToEeprom = 0x73;
inline constexpr uint8_t kStartZeroCalibration = 0x30;
inline constexpr uint8_t kReadBankLevels = 0x6B;
inline constexpr uint8_t kSetToneDirection = 0x75;  // + '0' falling / '1' rising

// device -> PC
inline constexpr uint8_t kRecordStart = 0x02;
inline constexpr uint8_t kRecordEnd = 0x03;
inline constexpr uint8_t kBatteryReport = 0x2B;
inline constexpr uint8_t kBankReport = 0x04;
inline constexpr uint8_t kThresholdReport = 0x01;
inline constexpr uint8_t kCalibrationEnd = 0x30;
inline constexpr uint8_t kShot = 255;

// Reply lengths the program relies on.
inline constexpr int kSelectBankReplyLength = 2;
inline constexpr int kStatusReplyLength = 2;
inline constexpr int kClearBankReplyLength = 1;
inline constexpr int kVariablesReplyLength = 10;
inline constexpr int kBankLevelsReplyLength = 20;

inline constexpr int kBankCount = 4;
inline constexpr int kBankCapacity = 33792;  // bytes per memory bank
inline constexpr int kSampleMs = 20;         // 50 samples per second
inline constexpr int kGainSteps = 240;

// One take-up as the device streams it: 0x02, threshold, samples, 0x03.
struct Record {
    uint8_t threshold = 0;
    Bytes samples;  // 0..254 pressure, 255 the shot; never 3

    bool operator==(const Record&) const = default;
};

Bytes EncodeRecord(const Record& record);
// Splits a record stream (as stored in a bank) into its records; bytes
// outside a record are skipped, an unfinished record at the end is dropped.
std::vector<Record> DecodeRecords(const Bytes& stream);

}  // namespace ostrevik::qtxsim
