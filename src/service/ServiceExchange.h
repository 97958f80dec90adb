#pragma once

#include "device/ComPort.h"
#include "device/GuardedExchange.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <initializer_list>

namespace ostrevik {

// The service dialogs talk to the device directly through the port (their
// bytes never reach the debug trace) and judge the reply by its length.

class DeviceLink;

// One command with a reply of fixed length, as a guarded exchange that keeps
// the live stream whole: up to readLength bytes are read with one read after
// the fixed wait; the device answers with replyLength bytes (-1: readLength),
// and the rest of its answer is taken off the line before the handler is
// back.
//
// A closed port or a port that fails gives an empty reply: to the dialogs
// this is a device that does not answer, and they say so in their own words.
QByteArray ServiceExchange(DeviceLink& link, std::initializer_list<uint8_t> command, int readLength,
                           std::chrono::milliseconds wait, int replyLength = -1);

// The message of a port error as the program's standard error display shows it.
QString PortErrorText(const std::exception& error);

// --- The variables reply of ReadVariables --------------------------------

inline constexpr int kVariablesReplyLength = 10;
// Index of the working gain (0..239) and of the tone generator flag.
inline constexpr int kVariableGain = 2;
inline constexpr int kVariableToneFlag = 7;
// The gain is shown to the user as 1..240.
inline constexpr int kGainSteps = 240;

// --- Memory bank fill levels ----------------------------------------------

inline constexpr int kBankCount = 4;
inline constexpr int kBankCapacity = 33792;  // bytes per memory bank
inline constexpr int kBankLevelsReplyLength = 20;

// The four byte counts of a fill-level reply (16 bits, low byte first);
// the reply must hold at least eight bytes.
std::array<int, kBankCount> BankByteCounts(const QByteArray& reply);
// Fill level in percent; more than 100 for a count above the capacity.
double BankPercent(int byteCount);
// The position of the level bar: the percentage truncated, at most 100.
int BankBarPosition(int byteCount);
// "%6d Bytes = %6.2f%%" with a point as decimal separator.
QString BankLevelText(int byteCount);

}  // namespace ostrevik
