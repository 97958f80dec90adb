#include "analysis/HeaderDate.h"

#include <QRegularExpression>

namespace ostrevik {

std::optional<QDate> parseHeaderDate(const QString& text, const QDate& today) {
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\.(\\d{2}|\\d{4})\\s*$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const int day = m.captured(1).toInt();
    const int month = m.captured(2).toInt();
    int year = m.captured(3).toInt();
    if (m.capturedLength(3) == 2) {
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
