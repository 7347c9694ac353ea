#include "imaging/raster.h"

namespace imaging {

Raster Raster::allocate(int width, int height, int bitsPerPixel) {
    Raster r;
    const bool depthOk = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24 ||
                         bitsPerPixel == 32;
    if (width <= 0 || height <= 0 || !depthOk)
        return r;
    r.width = width;
    r.height = height;
    r.bitsPerPixel = bitsPerPixel;
    r.bytesPerRow = strideFor(width, bitsPerPixel);
    r.pixels.assign(static_cast<std::size_t>(r.bytesPerRow) * static_cast<std::size_t>(height), 0);
    return r;
}

} // namespace imaging
