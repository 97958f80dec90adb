#pragma once

#include <QString>

namespace ostrevik {

// The directory of the running executable, without a trailing separator
// ("/" itself for the root directory). Taken once and then kept.
QString exeDir();

// Directory part of an executable path: everything before the last '/',
// keeping the separator only for the root directory.
QString directoryOf(const QString& executablePath);

// Where the configuration file "Ostrevik.cfg" lives.
QString configFilePath();

inline constexpr const char* kConfigFileName = "Ostrevik.cfg";

// The compiled help file "Ostrevik.chm" beside the executable.
QString helpFilePath();
inline constexpr const char* kHelpFileName = "Ostrevik.chm";

}  // namespace ostrevik
