#pragma once

// The type of a photo file as the program names it, from its extension. Any thread.
#include <QString>

namespace ui {

// ".jpg"/".jpeg" give "Obraz JPEG", ".tif"/".tiff" give "Obraz TIFF" (any letter case); anything else
// "<nieznany>".
QString photoTypeText(const QString& extension);

} // namespace ui
