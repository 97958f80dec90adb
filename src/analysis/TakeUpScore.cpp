#include "analysis/TakeUpScore.h"

#include "common/NumberFormat.h"

#include <cmath>

namespace ostrevik {

QString ringText(double ring) {
    const double tenths = ring * 10.0;
    const bool wholeTenths = std::fabs(tenths - std::round(tenths)) < 1e-6;
    return decimalCommaText(ring, wholeTenths ? 1 : 2);
}

}  // namespace ostrevik
