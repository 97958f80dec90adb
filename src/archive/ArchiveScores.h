#pragma once

#include "analysis/ScoreStatistics.h"
#include "analysis/TakeUpScore.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveSessions.h"

#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace ostrevik {

class TrainingArchive;

// The rings of the shots, kept in the archive by session and take-up number.

// The session whose measurement file lies at path (as the import stores
// paths: the canonical one); none when the archive has none there.
std::optional<qint64> sessionOfFile(TrainingArchive& archive, const QString& path,
                                    ArchiveError& error);

// The scores of a session by take-up number. False with what went wrong in
// `error` when the archive fails.
bool loadSessionScores(TrainingArchive& archive, qint64 sessionId, SessionScores& out,
                       ArchiveError& error);

// Replaces every score of a session by these, in one transaction: the
// import of a target's shot list. A score needs its take-up in the
// archive; one for a take-up it does not have refuses the whole change.
bool replaceSessionScores(TrainingArchive& archive, qint64 sessionId, const SessionScores& scores,
                          ArchiveError& error);

// Sets the score of one take-up, or removes it (none): a ring typed in.
bool setTakeUpScore(TrainingArchive& archive, qint64 sessionId, int takeUp,
                    const std::optional<TakeUpScore>& score, ArchiveError& error);

// Moves a session's scores onto its records as they are now (their
// fingerprints in order, see followRecords): for a changed file taken in
// again. Part of the caller's transaction.
bool followSessionRecords(TrainingArchive& archive, qint64 sessionId, const SessionScores& before,
                          std::span<const uint64_t> records, ArchiveError& error);

// The take-ups with a shot and a ring of the sessions a filter chooses,
// with the metrics and tags the archive holds for them (the tags as judged
// when the session was taken in).
struct ArchivedScores {
    std::vector<ScoredTakeUp> takeUps;
    int sessions = 0;  // sessions with at least one of them
};
bool loadArchivedScores(TrainingArchive& archive, const SessionFilter& filter, ArchivedScores& out,
                        ArchiveError& error);
// The same for sessions the caller has listed with `filter` already.
bool loadArchivedScores(TrainingArchive& archive, const SessionFilter& filter,
                        const std::vector<ArchivedSession>& sessions, ArchivedScores& out,
                        ArchiveError& error);

}  // namespace ostrevik
