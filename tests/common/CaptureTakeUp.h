#pragma once

#include "measurement/MeasurementDocument.h"

#include <cstdint>

namespace ostrevik::test {

// A take-up into a document as the device sends it: the threshold 100,
// `before` samples at `hold`, the shot (when there is one), `after` samples
// at `kept`, the end.
inline void captureTakeUp(MeasurementDocument& d, int before, uint8_t hold, bool shot, int after,
                          uint8_t kept) {
    d.RecordStarted();
    d.SetCaptureThreshold(100, false);
    for (int i = 0; i < before; ++i) {
        d.AppendCaptureSample(hold);
    }
    if (shot) {
        d.AppendCaptureSample(255);
    }
    for (int i = 0; i < after; ++i) {
        d.AppendCaptureSample(kept);
    }
    d.RecordEnded();
}

}  // namespace ostrevik::test
