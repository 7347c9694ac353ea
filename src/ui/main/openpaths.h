#pragma once

// Opening what the command line or a later copy of the program names: the first path that exists
// decides. A folder becomes the current folder; a photo makes its folder current and becomes the current
// photo. Paths that do not exist are passed over; with none left nothing changes. UI thread only.
#include <QStringList>

namespace ui {

class TfoGlowny;

// Returns whether a folder was opened.
bool OpenPaths(TfoGlowny& window, const QStringList& paths);

} // namespace ui
