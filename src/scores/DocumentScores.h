#pragma once

#include "analysis/AnalysisSettings.h"
#include "analysis/ScoreStatistics.h"
#include "analysis/TakeUpScore.h"
#include "analysis/TrainingReport.h"
#include "analysis/TrainingSession.h"
#include "archive/ArchiveError.h"
#include "archive/ArchiveImport.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace ostrevik {

class TrainingArchive;

// The rings of a measurement file's take-ups as the archive holds them, put
// onto the records given (their fingerprints in order, see followRecords)
// and keyed by their numbers: for a file read whole, or a document. Empty
// when the archive does not have the file. False with what went wrong in
// `error` when the archive fails.
bool scoresOfFile(TrainingArchive& archive, const QString& path, std::span<const uint64_t> records,
                  SessionScores& out, ArchiveError& error);

// The same from the archive at archivePath (empty: the default one) without
// making it: no archive, no rings.
bool scoresOfFile(const QString& archivePath, const QString& path,
                  std::span<const uint64_t> records, SessionScores& out, ArchiveError& error);

// The take-ups with a shot and a ring of sessions (files read whole, or
// documents), each analysed with these settings as the report and the
// exports analyse it, and the number of sessions among them with a ring.
struct ScoredSessions {
    std::vector<ScoredTakeUp> takeUps;
    int sessions = 0;
};
bool scoredTakeUpsOf(const QString& archivePath, std::span<const TrainingSession> sessions,
                     int secondsBeforeShot, const AnalysisSettings& settings, ScoredSessions& out,
                     ArchiveError& error);

// The page "Ringe" of a training report over its sessions, when a shot of
// them has a ring in the archive at archivePath (empty: the default one).
std::optional<ReportPage> trainingScorePage(const QString& archivePath,
                                            std::span<const TrainingSession> sessions,
                                            int secondsBeforeShot, const AnalysisSettings& settings,
                                            ArchiveError& error);

// Whether a ring typed in or imported was kept, and why not.
struct RingStore {
    enum class Kind {
        Stored,
        SaveFirst,    // the document is not saved, or lacks the take-up as saved
        NotImported,  // its file is not in the archive, and saved files are not taken in
        Archive,      // the archive failed or is read-only: `archive`
        Refused,      // the archive refused the file: `refused`
    };
    Kind kind = Kind::Stored;
    ArchiveError archive;
    FileImport refused;

    bool ok() const { return kind == Kind::Stored; }
};

// The rings of an open document: read from the archive under its file's
// session and kept on the document's records while take-ups are added or
// removed; rings typed in or imported are written there. A document has
// rings only once its file is saved and in the archive.
class DocumentScores {
public:
    // archivePath empty: the default archive; settingsPath empty: the
    // archive's settings in their default place (whether saved files are
    // taken in by themselves).
    explicit DocumentScores(QString archivePath = {}, QString settingsPath = {});
    ~DocumentScores();
    DocumentScores(const DocumentScores&) = delete;
    DocumentScores& operator=(const DocumentScores&) = delete;

    // Reads the rings of the file at path (none for a document never saved)
    // anew and puts them onto the records. True when the rings shown change.
    bool reload(const QString& path, bool saved, std::span<const uint64_t> records);
    // The document's records changed (a take-up added or removed): the rings
    // read go with their records. True when the rings shown change.
    bool follow(std::span<const uint64_t> records);

    // By the document's take-up numbers (from 1).
    const SessionScores& scores() const { return scores_; }
    // Why the rings cannot be read (a damaged archive); kind None otherwise.
    const ArchiveError& problem() const { return problem_; }

    // Writes the ring of the document's take-up `number` (none removes it)
    // for the document's file at path. The file must be saved and hold the
    // take-up as the document has it; it is taken into the archive first
    // when it is not there yet (unless the coach switched that off).
    // Says whether it was written; when not, nothing is written
    // (ArchiveTexts::RingNotStored tells the user why).
    RingStore store(const QString& path, bool saved, std::span<const uint64_t> records, int number,
                    const std::optional<TakeUpScore>& score);
    // Replaces every ring of the file's session by these (keyed by the
    // document's take-up numbers): a target's shot list imported.
    RingStore storeAll(const QString& path, bool saved, std::span<const uint64_t> records,
                       const SessionScores& scores);

private:
    bool openArchive(bool create, ArchiveError& error);
    // The session of the file, taken in first where needed, and its
    // records as the archive has them; the reason when there is none.
    RingStore prepareSession(const QString& path, bool saved);
    // The archive's take-up number of the document's take-up `number`.
    std::optional<int> archiveNumber(std::span<const uint64_t> records, int number) const;

    QString archivePath_;
    QString settingsPath_;
    std::unique_ptr<TrainingArchive> archive_;
    std::optional<qint64> session_;
    SessionScores stored_;  // as the archive keeps them, by its numbers
    SessionScores scores_;  // on the document's records
    ArchiveError problem_;
    // The file's records as last taken in, while the file stays as it was.
    QString filePath_;
    std::vector<uint64_t> fileRecords_;
    qint64 fileSize_ = -1;
    QDateTime fileTime_;
    qint64 fileSession_ = 0;
};

}  // namespace ostrevik
