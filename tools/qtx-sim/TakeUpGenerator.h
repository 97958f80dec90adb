#pragma once

#include "QtxProtocol.h"

#include <optional>
#include <random>

namespace ostrevik::qtxsim {

// A shooter at a drill, with his habits as ranges and shares: every
// take-up's shot comes at a time drawn from one range and after a hold at
// the tone threshold drawn from another, and by chance with a jerk in the
// last 0.2 s before the shot, with the finger released at once after it, or
// put down without a shot. Each habit is marked plainly at thresholds up to
// 160 (a jerk rises 28 to 36 percentage points over the last 0.2 s, a
// smooth break less than 7; a released finger keeps about half the pressure
// at 160 ms and a fifth at 500 ms, a held one more than 95 %), so that a
// drill's verdicts come at rates known from the shares.
struct ShooterModel {
    int shotLowMs = 3000;  // the shot, from the take-up's first sample
    int shotHighMs = 8000;
    int holdLowMs = 1000;  // from the first sample at the tone threshold to the shot
    int holdHighMs = 4000;
    double jerk = 0.0;     // share of shots with a jerk
    double release = 0.0;  // share of shots with the finger released at once
    double noShot = 0.0;   // share of take-ups without a shot
};

// What the shooter did in one take-up (the times as they came out: a hold
// longer than the time to the shot allows is cut to it).
struct ShooterPull {
    bool shot = false;
    int shotMs = 0;
    int holdMs = 0;
    bool jerk = false;
    bool release = false;
};

// Plausible trigger pulls, reproducible from a seed. One take-up rises to the
// pressure point, holds it with the small tremor of a real finger, and then
// either squeezes through the tone threshold to the shot (255) with a short
// follow-through, or is released without a shot.
class TakeUpGenerator {
public:
    explicit TakeUpGenerator(uint32_t seed) : random_(seed) {}

    // Share of take-ups that end in a shot.
    void SetShotProbability(double probability) { shotProbability_ = probability; }
    // Samples of every take-up (its hold at the pressure point made longer
    // or shorter); 0: as long as each comes out. A length too short for the
    // rise, the squeeze and the follow-through gives the shortest hold.
    void SetLength(int samples) { length_ = samples; }

    // Take-ups of a shooter at a drill instead of the everyday ones.
    void SetShooter(const std::optional<ShooterModel>& shooter) { shooter_ = shooter; }
    // The shooter's last take-up.
    const ShooterPull& LastPull() const { return lastPull_; }

    Record Next(uint8_t threshold);

    // Bytes that mean nothing between records (no record start, no report),
    // as a noisy line might deliver them.
    uint8_t NoiseByte();
    int Uniform(int low, int high);  // inclusive

private:
    double Normal(double sigma);
    bool Chance(double share);
    Record ShooterTakeUp(uint8_t threshold);
    // Makes record s (its hold at [holdBegin, holdBegin + hold)) length_ long.
    void FitHold(Bytes& s, size_t holdBegin, size_t hold);

    std::mt19937 random_;
    double shotProbability_ = 0.85;
    int length_ = 0;
    std::optional<ShooterModel> shooter_;
    ShooterPull lastPull_;
};

}  // namespace ostrevik::qtxsim
