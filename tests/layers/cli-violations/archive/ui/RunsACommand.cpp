// A window that would call the command line: refused.
#include "cli/CommandLine.h"
