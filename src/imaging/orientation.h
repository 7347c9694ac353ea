#pragma once

// Turning a photo upright after its EXIF "Orientation" (1-8). Pure functions; any thread.
#include "imaging/raster.h"

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace imaging {

// Whether the value swaps width and height (5 to 8).
bool OrientationSwapsSides(int orientation);

// The image turned and mirrored so that it shows upright; values outside 2-8 return it unchanged.
QImage ApplyOrientation(const QImage& image, int orientation);
Raster ApplyOrientation(const Raster& raster, int orientation);

// The "Orientation" of an APP1 payload ("Exif\0\0", TIFF header, IFD0), 1 when absent or not 1-8.
// Every offset is checked against `size`.
int OrientationFromExif(const std::uint8_t* data, std::size_t size);

} // namespace imaging
