#include "analysis/ui/AnalysisExtensions.h"

#include "analysis/ui/RingKeeper.h"

namespace ostrevik {
namespace {

AnalysisExtensions& extensionsSet() {
    static AnalysisExtensions extensions;
    return extensions;
}

}  // namespace

const AnalysisExtensions& analysisExtensions() {
    return extensionsSet();
}

void setAnalysisExtensions(AnalysisExtensions extensions) {
    extensionsSet() = std::move(extensions);
}

RingKeeper* makeRingKeeper(const AnalysisExtensions& extensions, MeasurementDocument& document,
                           QObject* parent) {
    if (extensions.ringKeeper) {
        return extensions.ringKeeper(document, parent);
    }
    return new NoRings(parent);
}

}  // namespace ostrevik
