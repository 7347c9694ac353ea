#pragma once

// The program's own icon, from the icon theme it installs (share/icons/hicolor) or, in the build tree,
// the same theme laid out beside the program. UI thread, after the application object exists.
#include <QString>

namespace ui {

// Makes the program's icon (the SVG and every PNG size of the first icon folder that holds it, see
// core::iconFolders) the window icon of every window. Returns the SVG (empty when none was found).
QString InstallAppIcon();

} // namespace ui
