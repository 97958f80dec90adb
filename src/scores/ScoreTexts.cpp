#include "scores/ScoreTexts.h"

#include "archive/ArchiveTexts.h"
#include "scores/DocumentRings.h"
#include "scores/DocumentScores.h"

#include <QCoreApplication>

namespace ostrevik::ScoreTexts {
namespace {

// The texts' translation context.
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(ScoreTexts)
};

}  // namespace

QString SaveFirst() {
    return Tr::tr("Zum Eintragen der Ringe die Datei zuerst speichern.");
}

QString RingNotStored(const RingStore& store) {
    switch (store.kind) {
        case RingStore::Kind::Stored:
            return {};
        case RingStore::Kind::SaveFirst:
            return SaveFirst();
        case RingStore::Kind::NotImported:
            return Tr::tr(
                "Ringe werden im Trainingsarchiv gespeichert, und das Aufnehmen gespeicherter "
                "Dateien ist ausgeschaltet. Die Datei zuerst mit „Trainingsarchiv → Dateien "
                "aufnehmen…“ ins Archiv aufnehmen.");
        case RingStore::Kind::Archive:
            return ArchiveTexts::Problem(store.archive);
        case RingStore::Kind::Refused:
            return ArchiveTexts::Refusal(store.refused);
    }
    return {};
}

QString RingNotEntered(const RingEntry& entry, const QString& text) {
    switch (entry.outcome) {
        case RingEntry::Outcome::Kept:
        case RingEntry::Outcome::NoTakeUp:
            return {};
        case RingEntry::Outcome::NotARing:
            return Tr::tr("„%1“ ist kein Ring: ein Ring liegt zwischen 0,0 und 10,9.")
                .arg(text.trimmed());
        case RingEntry::Outcome::NotKept:
            return RingNotStored(entry.store);
    }
    return {};
}

}  // namespace ostrevik::ScoreTexts
