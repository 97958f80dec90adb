#pragma once

#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveError.h"
#include "drills/Drill.h"
#include "drills/DrillVerdict.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

namespace ostrevik {

class DrillRun;
class MeasurementDocument;

// The drill as a run kept it: the drill file's object under "uebung" and
// the personal bands it was judged by under "baender", so that a run read
// back years later still says what the goals were, whatever became of the
// drill's file and the shooter's archive since.
QByteArray keptDrillText(const Drill& drill, const PersonalBands& bands);
struct KeptDrill {
    Drill drill;
    PersonalBands bands;
};
// Nothing when the text is no kept drill.
std::optional<KeptDrill> keptDrill(const QByteArray& text);

// A run as the archive keeps it.
ArchivedDrillRun archivedRun(const DrillRun& run);

// What became of a document's drill runs when its file was saved.
struct DrillRunsStore {
    enum class Kind {
        Stored,       // every run written (or there were none)
        NotArchived,  // the file is not in the archive (not taken in)
        Archive,      // the archive failed or is read-only: `archive`
    };
    Kind kind = Kind::Stored;
    ArchiveError archive;
    int runs = 0;  // runs written

    bool ok() const { return kind != Kind::Archive; }
};

// The drill runs done on one open document while the program runs, kept as
// they stand so that they go into the archive with the document's file each
// time it is saved, also after the drill window has moved on to another
// run. Lives as long as the document.
class DocumentDrills : public QObject {
    Q_OBJECT
public:
    static DocumentDrills& of(MeasurementDocument& document);

    // Follows a run on this document until it is gone.
    void follow(const DrillRun& run);
    const std::vector<ArchivedDrillRun>& runs() const { return runs_; }

    // Writes the runs into the archive (empty: the default one) under the
    // session of the file at path, the document as just saved there; each
    // verdict goes with its record as the document has it now.
    DrillRunsStore store(const QString& path, const QString& archivePath = {});

private:
    explicit DocumentDrills(MeasurementDocument& document);
    void update(const DrillRun& run);

    MeasurementDocument& document_;
    std::vector<ArchivedDrillRun> runs_;
};

// The shooter's earlier runs of a drill in the archive, to set a run's
// result beside them: how many, and their take-ups judged and passed.
struct EarlierRuns {
    int runs = 0;
    int judged = 0;
    int passed = 0;
    bool operator==(const EarlierRuns&) const = default;
};
// Of the shooter of the file at path (empty for a document never saved,
// with that header name), every run kept of the drill of that name but the
// one kept under `leaveOut` (the run itself, once saved). None when the
// archive at archivePath (empty: the default) is missing, does not know the
// shooter, or fails (`error`).
std::optional<EarlierRuns> earlierRuns(const QString& archivePath, const QString& drillName,
                                       const QString& path, const QString& headerName,
                                       const QString& leaveOut, ArchiveError& error);

// A run started on a document and followed by its DocumentDrills.
DrillRun* startDrillRun(MeasurementDocument& document, Drill drill, PersonalBands bands,
                        QObject* parent);

}  // namespace ostrevik
