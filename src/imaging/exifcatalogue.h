#pragma once

// libexif's own Polish catalogue (libexif-12.mo), read by the program itself, so that the names and
// values of EXIF items are Polish whatever language the system speaks. libexif is asked for its English
// texts; this turns them into Polish: whole texts, texts made from one of its patterns ("Exif Version
// %d.%d"), and texts ending in one of its appended pieces (" (1/%.0f sec.)"). A text the catalogue does
// not know stays as it is. Reentrant.
#include <QString>

namespace imaging::detail {

QString PolishExifText(const QString& english);

// Whether the catalogue was found and read (tests).
bool PolishExifCatalogueLoaded();

} // namespace imaging::detail
