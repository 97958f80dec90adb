#pragma once

#include <QLocale>
#include <QString>

namespace ostrevik {

// The "general" number format of the program's texts: up to 15 significant
// digits, no trailing zeros, no thousands separators, the given locale's
// decimal separator (1.24 -> "1,24" in German, 0 -> "0").
QString formatGeneral(double value, const QLocale& locale);

}  // namespace ostrevik
