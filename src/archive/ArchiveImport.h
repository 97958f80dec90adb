#pragma once

#include "analysis/AnalysisSettings.h"
#include "archive/ArchiveError.h"

#include <QString>
#include <QStringList>

class QFileInfo;

#include <cstdint>
#include <functional>
#include <vector>

namespace ostrevik {

class LiveAnalysis;

// The path a file is kept under in the archive: its canonical path (links
// resolved), or its absolute path while it does not exist.
QString absolutePath(const QFileInfo& info);

class TrainingArchive;

enum class ImportOutcome { Added, Updated, Unchanged, Refused };

// Why a measurement file was refused.
enum class ImportRefusal {
    None,
    Missing,     // no file at the path
    TooLarge,    // beyond what the program opens
    Unreadable,  // the system refused to read it (its words in `detail`)
    WrongType,   // no measurement file of this program
};

// What became of one measurement file.
struct FileImport {
    QString path;  // as found, absolute
    ImportOutcome outcome = ImportOutcome::Refused;
    bool moved = false;  // an archived session whose file had vanished, found here by its hash
    ImportRefusal refusal = ImportRefusal::None;  // why it was refused
    QString detail;                               // the system's words for Unreadable
    qint64 sessionId = 0;                         // the session it is (0 when refused)
};

struct ImportSummary {
    int added = 0;
    int updated = 0;  // moved files included
    int moved = 0;
    int unchanged = 0;
    std::vector<FileImport> refused;
    // Set when the archive itself could not be written (locked, damaged,
    // full, the server gone): the import stopped there, every file taken
    // before it stays, and notTaken holds the file under way (rolled back)
    // and those after it.
    ArchiveError archiveError;
    QStringList notTaken;

    bool ok() const { return refused.empty() && archiveError.ok(); }
};

// The measurement files named: files as they are, folders with every *.pvo
// file beneath them (any case of the suffix, sorted, symbolic links to
// folders not followed). Paths that do not exist are left in `missing`.
QStringList collectMeasurementFiles(const QStringList& paths, QStringList& missing);

// Takes files and folders into the archive. A file whose path and content
// the archive knows is unchanged; a known path with new content updates its
// session; a new path whose content the archive holds for a file that no
// longer exists is that session moved; a copy of an archived file is
// unchanged; anything else is added. Each file is one transaction. The
// measurement files are only read. `progress` (optional) is told after each
// file and may return false to stop.
ImportSummary importPaths(TrainingArchive& archive, const QStringList& paths,
                          const AnalysisSettings& settings,
                          const std::function<bool(int done, int total)>& progress = {});

// Takes one measurement file into the archive as importPaths does, and
// tells what became of it (its session when not refused). `records`, when
// given, gets the fingerprints of the file's records as read. archiveError
// is set when the archive itself failed or is read-only. `known`, when given,
// is the analysis of a document just saved to path: taken as it is when the
// file read holds the same records and it was made with these settings, so
// the take-ups are not measured twice.
FileImport importFile(TrainingArchive& archive, const QString& path,
                      const AnalysisSettings& settings, ArchiveError& archiveError,
                      std::vector<uint64_t>* records = nullptr,
                      const LiveAnalysis* known = nullptr);

}  // namespace ostrevik
