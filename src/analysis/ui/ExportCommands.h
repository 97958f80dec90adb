#pragma once

#include "analysis/TrainingSession.h"
#include "settings/DisplaySettings.h"

#include <QString>

#include <span>

class QWidget;

namespace ostrevik {

// The dialogs around the exports, shared by the menu and the comparison
// window: each asks for the file name, writes, and tells the user when
// writing failed.

// "Als CSV exportieren…": one name in the save dialog gives NAME-takeups.csv
// and NAME-samples.csv; files of those names are replaced only after asking.
// True when both were written.
bool CsvExportieren(QWidget* parent, const TrainingSession& session,
                    const DisplaySettings& display);

// "Bericht als PDF…": the training report of the sessions (with several,
// their comparison follows). True when written.
bool BerichtExportieren(QWidget* parent, std::span<const TrainingSession> sessions,
                        const DisplaySettings& display, const QString& userName);

// The name a save dialog proposes: the document's file with another suffix.
QString vorgeschlagenerName(const QString& dateiname, const QString& suffix);

}  // namespace ostrevik
