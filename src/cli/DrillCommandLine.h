#pragma once

#include "cli/CommandCall.h"

namespace ostrevik {

// The drills' commands. Each returns the exit code: 0 on success, 1 when a
// file or drill could not be read or written or a personal band cannot be
// made (the message on standard error), 2 for a wrong call.

// "--drill-check ÜBUNG EIN.pvo AUS.csv": every take-up of the file judged by
// the drill (a built-in or own drill's name, or a drill file), its bands
// from the archive --archive names or the default one.
int DrillCheckCommand(const CommandCall& call);
// "--drill-list": the built-in and own drills, the damaged ones with why.
int DrillListCommand(const CommandCall& call);

}  // namespace ostrevik
