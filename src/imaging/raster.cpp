#include "imaging/raster.h"

#include <limits>
#include <new>
#include <stdexcept>

namespace imaging {

Raster Raster::allocate(int width, int height, int bitsPerPixel) {
    Raster r;
    const bool depthOk = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24 ||
                         bitsPerPixel == 32;
    if (width <= 0 || height <= 0 || !depthOk)
        return r;
    const std::int64_t stride = strideFor(width, bitsPerPixel);
    if (stride > std::numeric_limits<int>::max())
        return r;
    try {
        r.pixels.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return Raster();
    } catch (const std::length_error&) {
        return Raster();
    }
    r.width = width;
    r.height = height;
    r.bitsPerPixel = bitsPerPixel;
    r.bytesPerRow = static_cast<int>(stride);
    return r;
}

} // namespace imaging
