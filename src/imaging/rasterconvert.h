#pragma once

// Conversions between the intermediate raster and the working bitmap. Pure functions; any thread.
#include "imaging/raster.h"

#include <QImage>

namespace imaging {

// The working bitmap (Format_ARGB32, alpha 255) of a raster; indexed pixels go through the palette.
// Null for a null raster.
QImage RasterToImage(const Raster& raster);

// A 24-bit raster (B, G, R) of any image; alpha is dropped. Null for a null image.
Raster ImageToRaster24(const QImage& image);

// The same raster at 24 bits (indexed through the palette, 32 bits without alpha); a copy when it is
// 24 bits already.
Raster RasterTo24(const Raster& raster);

// A 32-bit raster (B, G, R, 255) with the pixels of a working bitmap; the layout of an ARGB32 QImage.
Raster ImageToRaster32(const QImage& image);

} // namespace imaging
