#pragma once

// The intermediate raster between image files and the working bitmap.
//
// Pixels are 1, 4 or 8 bits indexed through `palette`, 24 bits (B, G, R) or 32 bits (B, G, R, A), rows
// padded to a multiple of 4 bytes, top row first. A plain value type: copy it, move it, use it on any
// thread.
#include <QRgb>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace imaging {

struct Raster {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;             // 1, 4, 8, 24 or 32
    int bytesPerRow = 0;              // padded to 4 bytes
    std::vector<QRgb> palette;        // entries for the indexed depths (2, 16 or 256), empty otherwise
    std::vector<std::uint8_t> pixels; // bytesPerRow * height bytes

    bool isNull() const { return width <= 0 || height <= 0 || pixels.empty(); }
    bool isIndexed() const { return bitsPerPixel <= 8; }

    std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * bytesPerRow; }
    const std::uint8_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * bytesPerRow; }

    // Bytes of one row of `width` pixels at `bitsPerPixel`, padded to 4 bytes; 64-bit, as a wide picture
    // overflows an int long before it reaches the size limits.
    static std::int64_t strideFor(std::int64_t width, int bitsPerPixel) {
        return ((width * bitsPerPixel + 31) / 32) * 4;
    }

    // A zero-filled raster of the given size and depth (the palette is left empty for the caller).
    // Returns a null raster when the size is not positive, the depth is not one of the five, a row would
    // exceed INT_MAX bytes or the memory cannot be had.
    static Raster allocate(int width, int height, int bitsPerPixel);
};

} // namespace imaging
