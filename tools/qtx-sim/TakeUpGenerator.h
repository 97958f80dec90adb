#pragma once

#include "QtxProtocol.h"

#include <random>

namespace ostrevik::qtxsim {

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

    Record Next(uint8_t threshold);

    // Bytes that mean nothing between records (no record start, no report),
    // as a noisy line might deliver them.
    uint8_t NoiseByte();
    int Uniform(int low, int high);  // inclusive

private:
    double Normal(double sigma);
    // Makes record s (its hold at [holdBegin, holdBegin + hold)) length_ long.
    void FitHold(Bytes& s, size_t holdBegin, size_t hold);

    std::mt19937 random_;
    double shotProbability_ = 0.85;
    int length_ = 0;
};

}  // namespace ostrevik::qtxsim
