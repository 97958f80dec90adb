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

}  // namespace ostrevik
