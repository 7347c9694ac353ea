#pragma once

// Shortening of texts and paths to the width of a label or cell, measured in its font. Pure functions
// of their arguments; the user-interface thread (font metrics need the GUI application).
#include <QFontMetrics>
#include <QString>

namespace ui {

// The whole text when it fits; otherwise the text loses characters from its end (blanks trimmed at both
// ends after each step) until it fits with "..." appended. Gives "..." when nothing else fits.
QString fitText(const QString& text, const QFontMetrics& metrics, int width);

// The whole path when it fits; otherwise its root (drive or "/"), "..." and the longest tail of folders
// and the file name that fits, dropping leading folders one at a time. With no folder left it is the
// root, "..." and the file name, even when that is still too wide. Uses the platform's separator.
QString fitPath(const QString& path, const QFontMetrics& metrics, int width);
// The same with an explicit separator (both '/' and it are accepted in the path).
QString fitPath(const QString& path, const QFontMetrics& metrics, int width, QChar separator);

// What follows the last separator of a path: a folder's own name, empty for a root such as "C:\" or "/".
QString lastPathComponent(const QString& path);

} // namespace ui
