#include "settings/DisplaySettings.h"

#include <algorithm>

namespace ostrevik {

DisplaySettings DisplaySettings::defaults() {
    DisplaySettings d;
    d.curveColor = 0x000000FF;  // red
    d.curveWidth = 3;
    d.shotColor = 0x00FF0000;  // blue
    d.shotWidth = 3;
    d.thresholdColor = 0x00FFFF00;  // aqua
    d.thresholdWidth = 3;
    d.timeScale = 2;
    d.secondsBeforeShot = 8;
    d.shotMarkerForm = 0;
    d.thresholdMarkerVisible = 1;
    return d;
}

int32_t secondsBeforeShotInUse(const DisplaySettings& settings) {
    return std::clamp(settings.secondsBeforeShot, -kMaxSecondsBeforeShot, kMaxSecondsBeforeShot);
}

float timeScaleFactor(uint32_t timeScale) {
    static constexpr std::array<float, kTimeScaleCount> kFactors = {0.2f, 0.4f, 1.0f,
                                                                    2.0f, 4.0f, 10.0f};
    return timeScale < kFactors.size() ? kFactors[timeScale] : 2.0f;
}

QColor colorFromRef(uint32_t colorRef) {
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

uint32_t colorToRef(const QColor& color) {
    return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
           (static_cast<uint32_t>(color.blue()) << 16);
}

}  // namespace ostrevik
