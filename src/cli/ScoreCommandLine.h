#pragma once

#include "cli/CommandCall.h"

namespace ostrevik {

// The rings' commands, each on the archive --archive names or the default
// one. Each returns the exit code: 0 on success, 1 when a file was refused,
// could not be read or written, or the shots and the take-ups do not pair up
// (the message on standard error), 2 for a wrong call.

// "--import-scores EIN.pvo RINGE.csv [--offset K]": a target's shot list
// as the rings of the session, the measurement file taken in first when the
// archive does not have it.
int ImportScoresCommand(const CommandCall& call);
// "--score-analysis EIN.pvo [EIN2.pvo …] AUS.csv": which metric and fault
// tag go with lower rings, over the scored take-ups of the sessions.
int ScoreAnalysisCommand(const CommandCall& call);

}  // namespace ostrevik
