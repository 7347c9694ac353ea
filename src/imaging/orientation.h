#pragma once

// Turning a photo upright after its EXIF "Orientation" (1-8). Pure functions; any thread.
#include "imaging/raster.h"

#include <QImage>

namespace imaging {

// Whether the value swaps width and height (5 to 8).
bool OrientationSwapsSides(int orientation);

// The image turned and mirrored so that it shows upright; values outside 2-8 return it unchanged.
QImage ApplyOrientation(const QImage& image, int orientation);
Raster ApplyOrientation(const Raster& raster, int orientation);

} // namespace imaging
