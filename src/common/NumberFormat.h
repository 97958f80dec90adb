#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

namespace ostrevik {

// The "general" number format of the program's texts: up to 15 significant
// digits, no trailing zeros, no thousands separators, the given locale's
// decimal separator (1.24 -> "1,24" in German, 0 -> "0").
QString formatGeneral(double value, const QLocale& locale);

// A time in the locale's long time format, hours, minutes and seconds as the
// user's clock shows them, without the time zone that Qt's long format adds
// ("00:31:32", not "00:31:32 UTC").
QString formatLongTime(const QTime& time, const QLocale& locale);

// A fixed number of decimals with a decimal comma, whatever the locale, as
// German spreadsheets and readers expect: (-1.5, 1) -> "-1,5". A value that
// rounds to zero is written without a sign.
QString decimalCommaText(double value, int decimals);

// A figure for a reader rather than a spreadsheet: a leading hyphen becomes
// the real minus sign (U+2212), which a hyphen is not in print ("−0,42").
QString withReaderMinus(QString text);

// decimalCommaText with the reader's minus sign: (-0.42, 2) -> "−0,42".
QString readerDecimalText(double value, int decimals);

}  // namespace ostrevik
