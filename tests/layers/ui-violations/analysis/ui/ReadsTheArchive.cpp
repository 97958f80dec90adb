// The analysis' window reaching into the archive, which stands above the
// analysis: refused, though a window may include the core.
#include "archive/ArchiveDatabase.h"
// The core of its own folder and of those below it is allowed.
#include "analysis/Metrics.h"
#include "measurement/Raster.h"
