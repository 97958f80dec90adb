#pragma once

#include <QByteArray>

namespace ostrevik {

// The two sounds a drill may give with each verdict, made here rather than
// read from files: two short rising notes for a pass, one low, longer note
// for a miss, told apart by pitch, number and length alike, so that a
// shooter with his ears protected hears which it was.
enum class VerdictTone { Passed, Failed };

// 16-bit signed mono samples, little-endian, at this rate.
inline constexpr int kToneSampleRate = 22050;

// The tone's samples, faded in and out so that it does not click.
QByteArray verdictTonePcm(VerdictTone tone);

}  // namespace ostrevik
