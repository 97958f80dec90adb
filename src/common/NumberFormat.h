#pragma once

#include <QLocale>
#include <QString>

namespace ostrevik {

// The "general" number format of the program's texts: up to 15 significant
// digits, no trailing zeros, no thousands separators, the given locale's
// decimal separator (1.24 -> "1,24" in German, 0 -> "0").
QString formatGeneral(double value, const QLocale& locale);

// A fixed number of decimals with a decimal comma, whatever the locale, as
// German spreadsheets and readers expect: (-1.5, 1) -> "-1,5". A value that
// rounds to zero is written without a sign.
QString decimalCommaText(double value, int decimals);

}  // namespace ostrevik
