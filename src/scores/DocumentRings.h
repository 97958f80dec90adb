#pragma once

#include "analysis/TakeUpScore.h"
#include "scores/DocumentScores.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace ostrevik {

class LiveAnalysis;
class MeasurementDocument;

// What became of a ring typed for a take-up.
struct RingEntry {
    enum class Outcome {
        Kept,
        NoTakeUp,  // the document has no such completed take-up
        NotARing,  // the text is no ring from 0,0 to 10,9
        NotKept,   // the archive did not keep it: `store` says why
    };
    Outcome outcome = Outcome::Kept;
    RingStore store;

    bool kept() const { return outcome == Outcome::Kept; }
};

// The rings of an open document as the coach keeps them: read from the season
// archive under the session of the document's file, kept on their take-ups
// while the document changes, and written to the archive when a ring is typed
// in or a target's list imported. The rings go with the take-ups by their
// records' fingerprints, which the document's live analysis keeps. Tells
// whoever shows them when the rings change.
class DocumentRings : public QObject {
    Q_OBJECT
public:
    // archivePath, settingsPath: the season archive and its settings (empty:
    // their default places).
    explicit DocumentRings(MeasurementDocument& document, QString archivePath = {},
                           QString settingsPath = {}, QObject* parent = nullptr);

    // By the document's take-up numbers (from 1).
    const SessionScores& scores() const { return scores_.scores(); }
    // Why the rings cannot be read (a damaged archive); kind None otherwise.
    const ArchiveError& problem() const { return scores_.problem(); }

    // Reads the rings anew: the file saved under another name, rings kept
    // by another window, the archive changed by another program.
    void reload();
    // After the document's take-ups changed: the rings stay with theirs.
    void follow();
    // A ring typed for the take-up of record listIndex: "9,8" or "9.8";
    // empty takes its ring away. A ring typed over an imported one keeps
    // where the shot hit and when.
    RingEntry enter(int listIndex, const QString& text);
    // Replaces the session's rings by these (a target's list, by take-up
    // number): all or none.
    RingStore importList(const SessionScores& scores);

signals:
    // The rings shown are others (or cannot be read any more).
    void changed();

private:
    QPointer<MeasurementDocument> document_;
    QPointer<LiveAnalysis> live_;
    DocumentScores scores_;
};

}  // namespace ostrevik
