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

    Record Next(uint8_t threshold);

    // Bytes that mean nothing between records (no record start, no report),
    // as a noisy line might deliver them.
    uint8_t NoiseByte();
    int Uniform(int low, int high);  // inclusive

private:
    double Normal(double sigma);

    std::mt19937 random_;
    double shotProbability_ = 0.85;
};

}  // namespace ostrevik::qtxsim
