#pragma once

#include "device/DeviceProtocol.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace ostrevik {

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
