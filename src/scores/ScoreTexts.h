#pragma once

#include <QString>

namespace ostrevik {

struct RingEntry;
struct RingStore;

// The rings' words, written once: what the rings' functions report as data
// put into the German the analysis window, the archive window and the
// command line show. Through Qt's translation, the German text being the
// source.
namespace ScoreTexts {

// Why a ring typed in or imported could not be kept; empty when it was.
QString RingNotStored(const RingStore& store);
// Why a ring typed for a take-up was not kept; empty when it was.
QString RingNotEntered(const RingEntry& entry, const QString& text);
// A document must be saved before its rings can be kept.
QString SaveFirst();

}  // namespace ScoreTexts
}  // namespace ostrevik
