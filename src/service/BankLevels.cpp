#include "service/BankLevels.h"

#include <algorithm>

namespace ostrevik {

std::array<int, kBankCount> BankByteCounts(const QByteArray& reply) {
    std::array<int, kBankCount> counts{};
    for (int i = 0; i < kBankCount && 2 * i + 1 < reply.size(); ++i) {
        const auto low = static_cast<uint8_t>(reply[2 * i]);
        const auto high = static_cast<uint8_t>(reply[2 * i + 1]);
        counts[static_cast<size_t>(i)] = low | (high << 8);
    }
    return counts;
}

double BankPercent(int byteCount) {
    return byteCount * 100.0 / kBankCapacity;
}

int BankBarPosition(int byteCount) {
    return std::clamp(static_cast<int>(BankPercent(byteCount)), 0, 100);
}

QString BankLevelText(int byteCount) {
    // asprintf formats without the locale: always a decimal point.
    return QString::asprintf("%6d Bytes = %6.2f%%", byteCount, BankPercent(byteCount));
}

}  // namespace ostrevik
