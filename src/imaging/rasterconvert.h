#pragma once

// Conversions between the intermediate raster and the working bitmap. Pure functions; any thread.
#include "imaging/raster.h"

#include <QImage>

#include <cstdint>
#include <vector>

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

namespace detail {

// 256 opaque colours for the indexes of an indexed raster; indexes beyond its palette are black.
std::vector<QRgb> OpaquePalette(const std::vector<QRgb>& palette);

// One raster row (1, 4, 8, 24 or 32 bits) as working-bitmap pixels with alpha 255; indexed rows go
// through `table` (from OpaquePalette).
void RowToArgb(const std::uint8_t* src, int width, int bitsPerPixel, const QRgb* table, QRgb* dst);

} // namespace detail

} // namespace imaging
