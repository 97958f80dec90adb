#include "analysis/HeaderDate.h"

#include <QStringList>

namespace ostrevik {
namespace {

// A field of one or two digits (day, month) or of two or four (year).
int numberField(const QString& field, bool year) {
    const qsizetype n = field.size();
    if (year ? (n != 2 && n != 4) : (n < 1 || n > 2)) {
        return -1;
    }
    for (const QChar c : field) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return -1;
        }
    }
    return field.toInt();
}

}  // namespace

std::optional<QDate> parseHeaderDate(const QString& text, const QDate& today) {
    const QStringList fields = text.trimmed().split(QLatin1Char('.'));
    if (fields.size() != 3) {
        return std::nullopt;
    }
    const int day = numberField(fields[0], false);
    const int month = numberField(fields[1], false);
    int year = numberField(fields[2], true);
    if (day < 0 || month < 0 || year < 0) {
        return std::nullopt;
    }
    if (fields[2].size() == 2) {
        const int century = (today.isValid() ? today.year() : 2000) / 100 * 100;
        year += century;
        if (today.isValid() && year > today.year() + 1) {
            year -= 100;
        }
    }
    const QDate date(year, month, day);
    if (!date.isValid()) {
        return std::nullopt;
    }
    return date;
}

}  // namespace ostrevik
