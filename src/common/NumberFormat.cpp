#include "common/NumberFormat.h"

namespace ostrevik {

QString formatGeneral(double value, const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(value, 'g', 15);
}

}  // namespace ostrevik
