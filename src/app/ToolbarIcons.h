#pragma once

#include <QIcon>

namespace ostrevik {

// The six toolbar images, 32 x 32, drawn by the program itself so they stay
// sharp and need no image files: quit, new document, display mode, settings,
// help, info.
enum class ToolbarImage { Beenden, DateiNeu, Anzeige, Einstellungen, Hilfe, Info };
QIcon toolbarIcon(ToolbarImage image);
QImage toolbarImage(ToolbarImage image);

}  // namespace ostrevik
