#pragma once

#include <QString>

namespace ostrevik {

// The directory of the running executable, without a trailing separator
// ("/" itself for the root directory). Taken once and then kept.
QString exeDir();

// Directory part of an executable path: everything before the last '/',
// keeping the separator only for the root directory.
QString directoryOf(const QString& executablePath);

// Where the configuration file "Ostrevik.cfg" lives: beside the executable
// when that directory is writable (a portable copy keeps its settings with
// it), otherwise in $XDG_CONFIG_HOME/Ostrevik (~/.config/Ostrevik), so that an
// installed program does not lose its settings at every close.
QString configFilePath();
QString configFilePathFor(const QString& exeDirectory, bool exeDirectoryWritable);

inline constexpr const char* kConfigFileName = "Ostrevik.cfg";

// The compiled help file "Ostrevik.chm": beside the executable, or in the
// installed data directory.
QString helpFilePath();
inline constexpr const char* kHelpFileName = "Ostrevik.chm";

}  // namespace ostrevik
