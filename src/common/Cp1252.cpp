#include "common/Cp1252.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ostrevik {
namespace {

// 0x80..0x9F differ from Latin-1; the five unassigned codes pass through as
// the C1 control characters of the same value, as Windows converts them.
constexpr std::array<char16_t, 32> kHighTable = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t decodeByte(unsigned char b) {
    if (b >= 0x80 && b <= 0x9F) {
        return kHighTable[b - 0x80];
    }
    return static_cast<char16_t>(b);
}

char encodeChar(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<char>(c);
    }
    const auto it = std::find(kHighTable.begin(), kHighTable.end(), c);
    if (it != kHighTable.end()) {
        return static_cast<char>(0x80 + (it - kHighTable.begin()));
    }
    return '?';
}

}  // namespace

QString fromCp1252(const char* data, qsizetype size) {
    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        out.append(QChar(decodeByte(static_cast<unsigned char>(data[i]))));
    }
    return out;
}

QString fromCp1252(const QByteArray& bytes) {
    return fromCp1252(bytes.constData(), bytes.size());
}

QByteArray toCp1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text) {
        out.append(encodeChar(c.unicode()));
    }
    return out;
}

QString fromCp1252Field(const char* field, qsizetype fieldSize) {
    const void* zero = std::memchr(field, 0, static_cast<size_t>(fieldSize));
    const qsizetype length = zero ? static_cast<const char*>(zero) - field : fieldSize;
    return fromCp1252(field, length);
}

void toCp1252Field(const QString& text, char* field, qsizetype fieldSize, qsizetype maxChars) {
    const qsizetype limit = std::min(maxChars, fieldSize - 1);
    QByteArray bytes = toCp1252(text.left(limit));
    std::memcpy(field, bytes.constData(), static_cast<size_t>(bytes.size()));
    field[bytes.size()] = 0;
}

}  // namespace ostrevik
