#pragma once

#include "archive/ArchiveError.h"

namespace ostrevik {

class TrainingArchive;

struct ArchiveCopySummary {
    int copied = 0;   // sessions taken over
    int present = 0;  // sessions the target had already (by their file's path)
    // Why the copy stopped; every session copied before it stays.
    ArchiveError error;
};

// Copies a whole archive into another, file to server and back: the
// sessions with their shooters (and the shooters' earlier names), tags,
// notes, take-ups, rings and file copies. A session the target has (by its
// file's path) is left as it is there, so a second run adds only what is
// missing. Each session is one transaction of the target.
ArchiveCopySummary copyArchive(TrainingArchive& from, TrainingArchive& to);

}  // namespace ostrevik
