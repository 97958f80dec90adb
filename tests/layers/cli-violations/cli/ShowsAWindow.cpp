// A command that would open a window: refused twice.
#include <QMessageBox>
#include "analysis/ui/AnalysisWindow.h"
