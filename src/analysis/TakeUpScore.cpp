#include "analysis/TakeUpScore.h"

#include "common/NumberFormat.h"
#include "measurement/Rasters.h"

#include <cmath>
#include <set>

namespace ostrevik {

QString ringText(double ring) {
    const double tenths = ring * 10.0;
    const bool wholeTenths = std::fabs(tenths - std::round(tenths)) < 1e-6;
    return decimalCommaText(ring, wholeTenths ? 1 : 2);
}

uint64_t recordFingerprint(uint32_t threshold, std::span<const uint8_t> samples) {
    constexpr uint64_t kPrime = 0x100000001B3ull;
    uint64_t h = 0xCBF29CE484222325ull;
    auto add = [&h](uint8_t byte) {
        h ^= byte;
        h *= kPrime;
    };
    // The threshold is a byte on the device; its length marks where the
    // samples begin.
    add(static_cast<uint8_t>(threshold & 0xFF));
    for (uint8_t v : samples) {
        add(v);
    }
    return h == 0 ? 1 : h;
}

std::vector<uint64_t> recordFingerprints(const Rasters_t& list) {
    std::vector<uint64_t> out;
    const int completed = std::max(list.Anzahl() - 1, 0);
    out.reserve(static_cast<size_t>(completed));
    for (int i = 0; i < completed; ++i) {
        const Raster_t& r = list.Datensatz(i);
        out.push_back(recordFingerprint(r.Tonschwelle, r.Werte));
    }
    return out;
}

SessionScores followRecords(const SessionScores& scores, std::span<const uint64_t> records) {
    SessionScores out;
    std::set<int> taken;
    int searchFrom = 0;  // records keep their order: a moved score looks after the last one
    for (const auto& [number, score] : scores) {
        const int at = number - 1;
        int target = -1;
        if (at >= 0 && at < static_cast<int>(records.size()) &&
            (score.record == 0 || records[static_cast<size_t>(at)] == score.record) &&
            !taken.contains(at)) {
            target = at;
        } else if (score.record != 0) {
            for (int pass = 0; pass < 2 && target < 0; ++pass) {
                const int first = pass == 0 ? searchFrom : 0;
                for (int i = first; i < static_cast<int>(records.size()); ++i) {
                    if (records[static_cast<size_t>(i)] == score.record && !taken.contains(i)) {
                        target = i;
                        break;
                    }
                }
            }
        }
        if (target < 0) {
            continue;
        }
        taken.insert(target);
        searchFrom = target + 1;
        TakeUpScore moved = score;
        moved.takeUp = target + 1;
        moved.record = records[static_cast<size_t>(target)];
        out[moved.takeUp] = moved;
    }
    return out;
}

}  // namespace ostrevik
