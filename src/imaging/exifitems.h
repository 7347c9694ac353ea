#pragma once

// The EXIF items of a photo as "name = value" text lines, read with libexif: IFD0, then the EXIF, GPS
// and interoperability directories, then IFD1, each in file order. Names and values are in Polish from
// libexif's own catalogue (see exifcatalogue.h), whatever the system's language. Reentrant.
#include <QByteArray>
#include <QStringList>

namespace imaging::detail {

// Lines of an APP1 payload that starts "Exif\0\0"; empty when there are no items.
QStringList ExifLinesFromApp1(const QByteArray& payload);

// Lines of a TIFF file's own directories (the whole file, as read into memory).
QStringList ExifLinesFromTiff(const QByteArray& fileBytes);

} // namespace imaging::detail
