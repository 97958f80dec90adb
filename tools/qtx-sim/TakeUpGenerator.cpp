#include "TakeUpGenerator.h"

#include <algorithm>
#include <cmath>

namespace ostrevik::qtxsim {

namespace {

uint8_t toSample(double value) {
    const long rounded = std::lround(std::clamp(value, 0.0, 254.0));
    // 3 ends a record on the wire, so the device never sends it as a sample.
    return rounded == kRecordEnd ? uint8_t{4} : static_cast<uint8_t>(rounded);
}

}  // namespace

Bytes EncodeRecord(const Record& record) {
    Bytes bytes;
    bytes.reserve(record.samples.size() + 3);
    bytes.push_back(kRecordStart);
    bytes.push_back(record.threshold);
    bytes.insert(bytes.end(), record.samples.begin(), record.samples.end());
    bytes.push_back(kRecordEnd);
    return bytes;
}

std::vector<Record> DecodeRecords(const Bytes& stream) {
    std::vector<Record> records;
    size_t i = 0;
    while (i < stream.size()) {
        if (stream[i] != kRecordStart || i + 1 >= stream.size()) {
            ++i;
            continue;
        }
        Record record;
        record.threshold = stream[i + 1];
        size_t j = i + 2;
        while (j < stream.size() && stream[j] != kRecordEnd) {
            record.samples.push_back(stream[j]);
            ++j;
        }
        if (j >= stream.size()) {
            break;
        }
        records.push_back(std::move(record));
        i = j + 1;
    }
    return records;
}

int TakeUpGenerator::Uniform(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random_);
}

double TakeUpGenerator::Normal(double sigma) {
    return std::normal_distribution<double>(0.0, sigma)(random_);
}

uint8_t TakeUpGenerator::NoiseByte() {
    for (;;) {
        const auto b = static_cast<uint8_t>(Uniform(0, 255));
        if (b != kRecordStart && b != kBatteryReport && b != kBankReport && b != kThresholdReport) {
            return b;
        }
    }
}

bool TakeUpGenerator::Chance(double share) {
    return share > 0.0 && std::bernoulli_distribution(std::min(share, 1.0))(random_);
}

Record TakeUpGenerator::ShooterTakeUp(uint8_t threshold) {
    const ShooterModel& m = *shooter_;
    Record record;
    record.threshold = threshold;
    Bytes& s = record.samples;
    const int t = threshold;
    ShooterPull pull;
    // Every draw is made for every take-up, so that one habit's share does
    // not change which take-ups get the others.
    pull.shot = !Chance(m.noShot);
    const bool jerk = Chance(m.jerk);
    const bool release = Chance(m.release);
    const int shotMs =
        Uniform(std::min(m.shotLowMs, m.shotHighMs), std::max(m.shotLowMs, m.shotHighMs));
    const int holdMs =
        Uniform(std::min(m.holdLowMs, m.holdHighMs), std::max(m.holdLowMs, m.holdHighMs));

    // The rise to just below the tone threshold, then a steady finger there.
    constexpr int kRise = 10;
    const int shot = std::max(kRise + 2, shotMs / kSampleMs);
    const int tone = std::clamp(shot - holdMs / kSampleMs, kRise + 1, shot - 1);
    const double point = std::max(20.0, t - 12.0);
    for (int i = 1; i <= kRise; ++i) {
        s.push_back(toSample(10.0 + (point - 10.0) * i / kRise));
    }
    const auto tremor = [this] { return static_cast<double>(Uniform(-1, 1)); };
    if (!pull.shot) {
        // Aimed, not good enough: put down without reaching the threshold.
        for (int i = kRise; i < shot; ++i) {
            s.push_back(toSample(point + tremor()));
        }
        for (int i = 1; i <= 10; ++i) {
            s.push_back(toSample(point * (1.0 - i / 10.0) + 5.0));
        }
        lastPull_ = pull;
        return record;
    }
    for (int i = kRise; i < tone; ++i) {
        s.push_back(toSample(point + tremor()));
    }
    // At the pressure point: above the tone threshold until the shot.
    const double level = t + 4.0;
    const int jerkRaw = jerk ? static_cast<int>(std::lround(Uniform(28, 36) * 2.54)) : 0;
    constexpr int kJerkSamples = 10;  // the last 0.2 s
    for (int i = tone; i < shot; ++i) {
        const int fromEnd = shot - i;  // 1 for the sample before the shot
        const double rise = fromEnd <= kJerkSamples
                                ? jerkRaw * (kJerkSamples + 1 - fromEnd) / double(kJerkSamples)
                                : 0.0;
        s.push_back(toSample(level + rise + tremor()));
    }
    const double atShot = s.back();
    s.push_back(kShot);
    // Follow-through: held, or let go at once.
    constexpr int kFollow = 30;
    for (int k = 1; k <= kFollow; ++k) {
        const double kept = release ? std::max(0.2, 0.6 - 0.4 * (k - 1) / 24.0) : 1.0;
        s.push_back(toSample(atShot * kept - (release ? 0 : Uniform(0, 3))));
    }
    const double last = s.back();
    for (int i = 1; i <= 8; ++i) {
        s.push_back(toSample(last * (1.0 - i / 8.0) + 5.0));
    }
    pull.shotMs = shot * kSampleMs;
    pull.holdMs = (shot - tone) * kSampleMs;
    pull.jerk = jerk;
    pull.release = release;
    lastPull_ = pull;
    return record;
}

Record TakeUpGenerator::Next(uint8_t threshold) {
    if (shooter_) {
        return ShooterTakeUp(threshold);
    }
    Record record;
    record.threshold = threshold;
    Bytes& s = record.samples;
    const double t = threshold;

    // Rise from the slack trigger to the pressure point, fast at first.
    const double start = Uniform(5, 25);
    const double point = std::max(start + 10.0, t * (0.45 + 0.3 * Uniform(0, 100) / 100.0));
    const int rise = Uniform(8, 20);
    for (int i = 1; i <= rise; ++i) {
        const double x = static_cast<double>(i) / rise;
        s.push_back(
            toSample(start + (point - start) * (1.0 - (1.0 - x) * (1.0 - x)) + Normal(1.5)));
    }

    // Hold at the pressure point while aiming: tremor and a slow drift.
    const int hold = Uniform(15, 120);
    double drift = 0.0;
    for (int i = 0; i < hold; ++i) {
        drift = std::clamp(drift + Normal(0.6), -6.0, 6.0);
        s.push_back(toSample(point + drift + Normal(1.8)));
    }
    const double held = point + drift;

    const bool shot = std::bernoulli_distribution(shotProbability_)(random_);
    if (shot) {
        // Squeeze through the tone threshold; the shot breaks above it.
        const double peak = std::min(250.0, std::max(t + Uniform(8, 40), held + 10.0));
        const int squeeze = Uniform(8, 40);
        for (int i = 1; i <= squeeze; ++i) {
            const double x = static_cast<double>(i) / squeeze;
            s.push_back(toSample(held + (peak - held) * std::pow(x, 1.5) + Normal(1.2)));
        }
        s.push_back(kShot);
        // Follow-through: the finger stays on the trigger, then lets go.
        const int follow = Uniform(10, 30);
        for (int i = 0; i < follow; ++i) {
            const double x = static_cast<double>(i) / follow;
            s.push_back(toSample(peak * (1.0 - 0.35 * x * x) + Normal(2.0)));
        }
    } else {
        // Aim not good enough: a little more pressure, then released.
        const double top = std::min(250.0, t * (0.85 + 0.25 * Uniform(0, 100) / 100.0));
        const int squeeze = Uniform(5, 25);
        for (int i = 1; i <= squeeze; ++i) {
            const double x = static_cast<double>(i) / squeeze;
            s.push_back(toSample(held + (top - held) * x + Normal(1.5)));
        }
        const double rest = Uniform(0, 15);
        const int release = Uniform(8, 20);
        for (int i = 1; i <= release; ++i) {
            const double x = static_cast<double>(i) / release;
            s.push_back(toSample(top + (rest - top) * std::sqrt(x) + Normal(1.0)));
        }
    }
    if (length_ > 0) {
        FitHold(s, static_cast<size_t>(rise), static_cast<size_t>(hold));
    }
    return record;
}

void TakeUpGenerator::FitHold(Bytes& s, size_t holdBegin, size_t hold) {
    constexpr size_t kShortestHold = 5;
    const auto length = static_cast<size_t>(length_);
    const size_t holdEnd = holdBegin + hold;
    if (s.size() > length) {
        // The hold's last samples go: the squeeze starts from a little
        // earlier in the tremor.
        const size_t cut = std::min(s.size() - length, hold - std::min(hold, kShortestHold));
        s.erase(s.begin() + static_cast<std::ptrdiff_t>(holdEnd - cut),
                s.begin() + static_cast<std::ptrdiff_t>(holdEnd));
    } else if (s.size() < length) {
        // Held a little longer, trembling about where the hold ended.
        const double held = s[holdEnd - 1];
        Bytes more;
        for (size_t i = s.size(); i < length; ++i) {
            more.push_back(toSample(held + Normal(1.8)));
        }
        s.insert(s.begin() + static_cast<std::ptrdiff_t>(holdEnd), more.begin(), more.end());
    }
}

}  // namespace ostrevik::qtxsim
