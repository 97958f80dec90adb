#pragma once

#include "settings/DisplaySettings.h"

#include <QString>
#include <QStringList>

namespace ostrevik {

// What the archive window needs of the rest of the program, so that it
// depends on no part of the main window: open a measurement file as a
// document, compare files in the comparison window, and the user's name and
// drawing settings for the reports.
class ArchiveWindowHost {
public:
    virtual ~ArchiveWindowHost() = default;
    virtual void OpenDocument(const QString& path) = 0;
    virtual void CompareFiles(const QStringList& paths) = 0;
    virtual QString UserName() const = 0;
    virtual DisplaySettings Display() const = 0;
};

}  // namespace ostrevik
