#pragma once

#include <QIcon>

namespace ostrevik {

// The six toolbar images, 32 x 32, drawn by the program itself so they stay
// sharp and need no image files: quit, new document, display mode, settings,
// help, info.
enum class ToolbarImage { Beenden, DateiNeu, Anzeige, Einstellungen, Hilfe, Info };
QIcon toolbarIcon(ToolbarImage image);
QImage toolbarImage(ToolbarImage image);

// The program's own icon (title bars, task switcher) in the sizes window
// managers ask for; the same picture as the installed SVG, so a portable
// copy without the icon theme still shows it.
QIcon applicationIcon();
QImage applicationImage(int size);

}  // namespace ostrevik
