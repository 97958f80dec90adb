#pragma once

class QCoreApplication;

namespace ostrevik {

// The user interface is German whatever the system's language: Qt's own
// texts (standard buttons, file and print dialogs) follow it. Returns how many
// of Qt's German catalogues were found.
int InstallGermanQtTexts(QCoreApplication& app);

}  // namespace ostrevik
