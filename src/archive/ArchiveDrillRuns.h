#pragma once

#include "archive/ArchiveError.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveSessions.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ostrevik {

class TrainingArchive;

// The drill runs of a session as the archive keeps them. The archive knows
// nothing of drills: a run is a name, the drill's own text as it was judged
// by, and per take-up a verdict with the names of the criteria missed; the
// drills write and read it.

// A take-up's verdict in a run.
struct ArchivedDrillVerdict {
    int takeUp = 0;       // its number in the session (from 1)
    uint64_t record = 0;  // its record's fingerprint: the verdict goes with it
    // Passed or not; none when not judged (no shot).
    std::optional<bool> passed;
    QStringList missed;  // the criteria missed, by name ("Schuss_ms", "Zucken")

    bool operator==(const ArchivedDrillVerdict&) const = default;
};

struct ArchivedDrillRun {
    // The run's own key, the same each time its session is saved.
    QString key;
    QString name;           // the drill's name
    QString drill;          // the drill as judged by, in the text of a drill file
    QString started;        // when it began, ISO 8601
    bool finished = false;  // every take-up of the drill done
    std::vector<ArchivedDrillVerdict> verdicts;  // in the run's order

    bool operator==(const ArchivedDrillRun&) const = default;
};

// Writes a run for the session, in place of one kept before under its key
// (the file saved again while or after the run went on). One transaction.
bool storeDrillRun(TrainingArchive& archive, qint64 sessionId, const ArchivedDrillRun& run,
                   ArchiveError& error);

// The runs of a session, in the order they began.
bool loadDrillRuns(TrainingArchive& archive, qint64 sessionId, std::vector<ArchivedDrillRun>& out,
                   ArchiveError& error);

// The verdicts moved onto the records given by their fingerprints in order
// (as rings follow them); a verdict whose record is gone is left out.
std::vector<ArchivedDrillVerdict> followDrillVerdicts(
    const std::vector<ArchivedDrillVerdict>& verdicts, std::span<const uint64_t> records);

// Moves a session's verdicts onto its records as they are now: for a
// changed file taken in again. Part of the caller's transaction.
bool followDrillRecords(TrainingArchive& archive, qint64 sessionId,
                        std::span<const uint64_t> records, ArchiveError& error);

// A run with the session it belongs to: for the lists of a shooter's runs.
struct SessionDrillRun {
    ArchivedSession session;
    ArchivedDrillRun run;
};

// Every run of the sessions a filter chooses, in date order of the sessions
// and then in the order the runs began; `drillName`, when given, only the
// runs of that drill.
bool loadSessionDrillRuns(TrainingArchive& archive, const SessionFilter& filter,
                          std::vector<SessionDrillRun>& out, ArchiveError& error,
                          const QString& drillName = {});

// "--archive-drills": Datum;Datei;Uebung;Nr;Bestanden;Nicht_erfuellt, one
// line per take-up of each run in the order given: Bestanden 1 or 0, empty
// when not judged; Nicht_erfuellt the criteria missed, joined by ",".
QByteArray drillRunsCsv(const std::vector<SessionDrillRun>& runs);

// Puts the pass rate of a drill into the figures of the progress' sessions
// (ProgressMetric::passRate), which `filter` chose: per session the share of
// its take-ups judged in runs of that drill that passed, in %, with its 95 %
// interval as for any mean. A session without such a run has none.
bool loadDrillPassRates(TrainingArchive& archive, const SessionFilter& filter,
                        const QString& drillName, ProgressData& data, ArchiveError& error);

// The names of the drills with runs in the sessions listed with `filter`,
// sorted.
QStringList drillNamesRun(TrainingArchive& archive, const SessionFilter& filter,
                          const std::vector<ArchivedSession>& sessions, ArchiveError& error);

}  // namespace ostrevik
