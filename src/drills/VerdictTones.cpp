#include "drills/VerdictTones.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ostrevik {
namespace {

// A note with a little of its third harmonic, which carries through ear
// protection better than a pure sine.
void appendNote(QByteArray& out, double hz, int ms) {
    constexpr double kAmplitude = 0.35 * 32767.0;
    constexpr int kFadeMs = 8;
    const int n = kToneSampleRate * ms / 1000;
    const int fade = kToneSampleRate * kFadeMs / 1000;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kToneSampleRate;
        const double phase = 2.0 * std::numbers::pi * hz * t;
        const double envelope =
            std::min({1.0, static_cast<double>(i) / fade, static_cast<double>(n - 1 - i) / fade});
        const double v =
            kAmplitude * envelope * (0.8 * std::sin(phase) + 0.2 * std::sin(3 * phase));
        const auto sample = static_cast<qint16>(std::lround(v));
        char bytes[2];
        qToLittleEndian(sample, bytes);
        out.append(bytes, 2);
    }
}

void appendSilence(QByteArray& out, int ms) {
    out.append(QByteArray(2 * (kToneSampleRate * ms / 1000), '\0'));
}

}  // namespace

QByteArray verdictTonePcm(VerdictTone tone) {
    QByteArray out;
    if (tone == VerdictTone::Passed) {
        appendNote(out, 880.0, 90);
        appendSilence(out, 40);
        appendNote(out, 1320.0, 120);
    } else {
        appendNote(out, 220.0, 350);
    }
    return out;
}

}  // namespace ostrevik
