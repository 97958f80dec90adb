#include "scores/DocumentRings.h"

#include "analysis/LiveAnalysis.h"
#include "measurement/MeasurementDocument.h"
#include "scores/ScoreFile.h"

#include <utility>

namespace ostrevik {

DocumentRings::DocumentRings(MeasurementDocument& document, QString archivePath,
                             QString settingsPath, QObject* parent)
    : QObject(parent),
      document_(&document),
      live_(&LiveAnalysis::of(document)),
      scores_(std::move(archivePath), std::move(settingsPath)) {}

void DocumentRings::reload() {
    if (document_ && live_ &&
        scores_.reload(document_->Dateiname, !document_->Unbenannt, live_->fingerprints())) {
        emit changed();
    }
}

void DocumentRings::follow() {
    if (live_ && scores_.follow(live_->fingerprints())) {
        emit changed();
    }
}

RingEntry DocumentRings::enter(int listIndex, const QString& text) {
    RingEntry entry;
    if (!document_ || !live_ || listIndex < 0 ||
        listIndex >= static_cast<int>(live_->analysis().rows.size())) {
        entry.outcome = RingEntry::Outcome::NoTakeUp;
        return entry;
    }
    std::optional<TakeUpScore> score;
    const QString typed = text.trimmed();
    if (!typed.isEmpty()) {
        const std::optional<double> ring = readDecimal(typed);
        if (!ring || *ring < 0.0 || *ring > kHighestRing + 1e-9) {
            entry.outcome = RingEntry::Outcome::NotARing;
            return entry;
        }
        const int number = listIndex + 1;
        const auto it = scores().find(number);
        score = it != scores().end() ? it->second : TakeUpScore{};
        score->takeUp = number;
        score->ring = *ring;
    }
    entry.store = scores_.store(document_->Dateiname, !document_->Unbenannt, live_->fingerprints(),
                                listIndex + 1, score);
    if (!entry.store.ok()) {
        entry.outcome = RingEntry::Outcome::NotKept;
        return entry;
    }
    emit changed();
    return entry;
}

RingStore DocumentRings::importList(const SessionScores& scores) {
    if (!document_ || !live_) {
        return {};
    }
    const RingStore store = scores_.storeAll(document_->Dateiname, !document_->Unbenannt,
                                             live_->fingerprints(), scores);
    if (store.ok()) {
        emit changed();
    }
    return store;
}

}  // namespace ostrevik
