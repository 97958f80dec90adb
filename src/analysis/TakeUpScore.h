#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace ostrevik {

class Rasters_t;

// The score of a take-up that ended in a shot: the shot's decimal ring
// (0.0 to 10.9), where it hit and when, as a target or a coach gave them.
struct TakeUpScore {
    int takeUp = 0;  // the take-up's number in its session (from 1)
    double ring = 0.0;
    std::optional<double> x;  // mm from the target's centre
    std::optional<double> y;
    QString time;  // the shot's time as the target wrote it; empty without one
    // The fingerprint of the record the ring was given for (recordFingerprint),
    // 0 when not known: it keeps the ring with its take-up when records
    // before it are removed and the take-ups are numbered anew.
    uint64_t record = 0;

    bool operator==(const TakeUpScore&) const = default;
};

// A session's scores by take-up number.
using SessionScores = std::map<int, TakeUpScore>;

// The highest decimal ring a shot can score.
inline constexpr double kHighestRing = 10.9;

// A ring as tables and exports write it: one decimal and a decimal comma
// ("9,8", "10,0"); a value with hundredths keeps them ("9,85").
QString ringText(double ring);

// What tells a record from the others of its session: a 64-bit FNV-1a hash
// of its tone threshold and samples, the same on every machine and in every
// run. Never 0.
uint64_t recordFingerprint(uint32_t threshold, std::span<const uint8_t> samples);
// The fingerprints of a document's completed records (all but the last, the
// capture target), in order.
std::vector<uint64_t> recordFingerprints(const Rasters_t& list);

// The scores moved onto records given by their fingerprints in order (record
// i is take-up number i + 1): a score stays at its number while the record
// there is still the one it was given for, else it moves to the next record
// with that fingerprint (a record before it was removed), else it is left
// out (its record is gone). A score without a fingerprint stays at its
// number. The scores returned carry the fingerprints of their new records.
SessionScores followRecords(const SessionScores& scores, std::span<const uint64_t> records);

}  // namespace ostrevik
