#pragma once

#include "analysis/ui/AnalysisExtensions.h"

#include <QString>

namespace ostrevik {

// The report's page "Übung" (the drill runs kept with its sessions in the
// season archive at archivePath, empty: the default one) added to the
// analysis' exports.
AnalysisExtensions withDrillPage(AnalysisExtensions extensions,
                                 const QString& archivePath = QString());

}  // namespace ostrevik
