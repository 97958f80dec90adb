// The document window reaching up into the analysis' windows, which include
// it: a cycle, refused.
#include "analysis/ui/AnalysisWindow.h"
