#pragma once

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>

namespace ostrevik {

// How curves are drawn. One live instance is shared by every renderer, by
// printing and by the settings dialog; the configuration file holds its
// persistent image (bytes 4..43 of the fixed block, in this field order).
struct DisplaySettings {
    uint32_t curveColor = 0;  // colours are 0x00BBGGRR, red in the lowest byte
    uint32_t curveWidth = 0;
    uint32_t shotColor = 0;
    uint32_t shotWidth = 0;
    uint32_t thresholdColor = 0;
    uint32_t thresholdWidth = 0;
    uint32_t timeScale = 0;  // index into the time-scale table
    int32_t secondsBeforeShot = 0;
    uint32_t shotMarkerForm = 0;  // 0 circle ("Kreis"), 1 cross ("Kreuz")
    uint8_t thresholdMarkerVisible = 0;
    std::array<uint8_t, 3> gap{};  // always written as zero

    static constexpr int kByteSize = 40;
    static DisplaySettings defaults();
    bool operator==(const DisplaySettings&) const = default;
};

// The time scale: seconds of one time-axis division, as offered in the
// settings dialog. Index 2 ("1,0") is the default.
inline constexpr int kTimeScaleCount = 6;
inline constexpr std::array<const char*, kTimeScaleCount> kTimeScaleLabels = {"5,0", "2,5",  "1,0",
                                                                              "0,5", "0,25", "0,1"};

// Time-axis divisions per second for a time-scale index (a 32-bit float, as
// the pixel arithmetic of the curves depends on its exact rounding). An index
// outside the table falls back to 0.5 s per division.
float timeScaleFactor(uint32_t timeScale);

// The seconds before the shot as the drawing uses them. The configuration
// file is taken without range checks; a damaged value is bounded here, far
// beyond the longest record, so that no pixel or sample arithmetic can
// overflow.
inline constexpr int32_t kMaxSecondsBeforeShot = 100000;
int32_t secondsBeforeShotInUse(const DisplaySettings& settings);

// 0x00BBGGRR <-> QColor.
QColor colorFromRef(uint32_t colorRef);
uint32_t colorToRef(const QColor& color);

}  // namespace ostrevik
