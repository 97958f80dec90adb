// Any byte sequence as a drill file: reading it must neither crash nor let
// through a drill that breaks the format's rules, every refusal must have
// its words, and a drill read must be written and read back as itself and
// judge a take-up without a fault.
#include "FuzzCheck.h"
#include "drills/DrillFile.h"
#include "drills/DrillTexts.h"
#include "drills/DrillVerdict.h"

#include <cmath>
#include <cstdint>

using namespace ostrevik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const DrillRead read = parseDrill(bytes);
    if (read.error.failed()) {
        check(!DrillTexts::FileProblem(read.error).isEmpty());
        return 0;
    }
    const Drill& d = read.drill;
    check(validateDrill(d).ok());
    check(d.takeUps >= 1 && d.takeUps <= kDrillMaxTakeUps);
    check(!d.criteria.empty());
    const DrillRead again = parseDrill(drillJson(d));
    check(again.error.ok() && again.drill == d);

    // A take-up with every metric, from the input's first bytes, and its
    // bands: each criterion is met or named once among the misses.
    TakeUpMetrics t;
    t.shotIndex = 1;
    PersonalBands bands;
    for (Metric m : kMetrics) {
        const double v = size > 0 ? data[static_cast<size_t>(m) % size] * 40.0 : 0.0;
        t.setValue(m, v);
        bands.push_back(makePersonalBand(m, std::vector<double>{v, v + 1.0, v + 7.0}, 1.5));
    }
    t.Zucken = size % 2 == 0;
    const TakeUpVerdict v = judgeTakeUp(d, t, bands);
    check(v.judged && v.missed.size() <= d.criteria.size());
    check(v.passed == v.missed.empty());
    for (const MissedCriterion& m : v.missed) {
        check(!DrillTexts::Missed(m).isEmpty());
        check(!m.value || std::isfinite(*m.value));
    }
    return 0;
}
