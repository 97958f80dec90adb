#pragma once

#include "archive/ArchiveError.h"
#include "drills/Drill.h"
#include "drills/DrillVerdict.h"

#include <QString>

namespace ostrevik {

class TrainingArchive;

// Why the personal bands of a drill could not be made: a drill with one
// does not start then, rather than judging against a band of a handful of
// take-ups.
struct BandRefusal {
    enum class Kind {
        None,
        Archive,  // the archive failed: `archive`
        TooFew,   // fewer archived take-ups with `metric` than the criterion asks
    };
    Kind kind = Kind::None;
    Metric metric = Metric::Schuss_ms;
    int found = 0;    // TooFew: the shooter's archived take-ups with a shot and the metric
    int needed = 0;   // TooFew: the criterion's count
    QString shooter;  // the header's name the shooter was looked for by
    ArchiveError archive;

    bool ok() const { return kind == Kind::None; }
};

struct BandsResult {
    PersonalBands bands;  // one per band criterion, when refusal.ok()
    BandRefusal refusal;
};

// The bands of a drill's personal criteria for the shooter of a
// measurement file (the file at `path`, empty for a document never saved,
// with that header name), each made of his latest archived take-ups but
// those of this file, as many as the criterion asks. A drill without a band
// needs none and reads nothing.
BandsResult personalBands(TrainingArchive& archive, const Drill& drill, const QString& path,
                          const QString& headerName);
// The same from the archive at archivePath (empty: the default one),
// without making it: no archive, no archived take-ups.
BandsResult personalBands(const QString& archivePath, const Drill& drill, const QString& path,
                          const QString& headerName);

}  // namespace ostrevik
