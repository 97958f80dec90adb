#include "common/NumberFormat.h"

namespace ostrevik {

QString formatLongTime(const QTime& time, const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString withoutZone;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (quoted || c != QLatin1Char('t')) {
            withoutZone += c;
        }
    }
    return locale.toString(time, withoutZone.simplified());
}

QString formatGeneral(double value, const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(value, 'g', 15);
}

QString decimalCommaText(double value, int decimals) {
    QString text = QString::number(value, 'f', decimals);
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0.0) {
        text.remove(0, 1);  // "-0,0" reads as a fault where there is none
    }
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

QString withReaderMinus(QString text) {
    if (text.startsWith(QLatin1Char('-'))) {
        text.replace(0, 1, QChar(0x2212));
    }
    return text;
}

QString readerDecimalText(double value, int decimals) {
    return withReaderMinus(decimalCommaText(value, decimals));
}

}  // namespace ostrevik
