#pragma once

#include <QString>

#include <map>
#include <optional>

namespace ostrevik {

// The score of a take-up that ended in a shot: the shot's decimal ring
// (0.0 to 10.9), where it hit and when, as a target or a coach gave them.
struct TakeUpScore {
    int takeUp = 0;  // the take-up's number in its session (from 1)
    double ring = 0.0;
    std::optional<double> x;  // mm from the target's centre
    std::optional<double> y;
    QString time;  // the shot's time as the target wrote it; empty without one

    bool operator==(const TakeUpScore&) const = default;
};

// A session's scores by take-up number.
using SessionScores = std::map<int, TakeUpScore>;

// The highest decimal ring a shot can score.
inline constexpr double kHighestRing = 10.9;

// A ring as tables and exports write it: one decimal and a decimal comma
// ("9,8", "10,0"); a value with hundredths keeps them ("9,85").
QString ringText(double ring);

}  // namespace ostrevik
