#include "imaging/orientation.h"

#include <QTransform>

#include <cstring>

namespace imaging {

namespace {

// Where output pixel (x, y) of an upright image of size outW × outH comes from in the stored image
// of size w × h.
inline void sourceOf(int orientation, int x, int y, int w, int h, int& sx, int& sy) {
    switch (orientation) {
    case 2:
        sx = w - 1 - x;
        sy = y;
        break;
    case 3:
        sx = w - 1 - x;
        sy = h - 1 - y;
        break;
    case 4:
        sx = x;
        sy = h - 1 - y;
        break;
    case 5:
        sx = y;
        sy = x;
        break;
    case 6:
        sx = y;
        sy = h - 1 - x;
        break;
    case 7:
        sx = w - 1 - y;
        sy = h - 1 - x;
        break;
    case 8:
        sx = w - 1 - y;
        sy = x;
        break;
    default:
        sx = x;
        sy = y;
        break;
    }
}

inline int getIndex(const std::uint8_t* row, int x, int bits) {
    if (bits == 1)
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
}

inline void setIndex(std::uint8_t* row, int x, int bits, int value) {
    if (bits == 1) {
        const auto mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<std::uint8_t>(value ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask));
        return;
    }
    std::uint8_t& b = row[x >> 1];
    b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (value & 0x0F))
                : static_cast<std::uint8_t>((b & 0x0F) | ((value & 0x0F) << 4));
}

} // namespace

bool OrientationSwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

QImage ApplyOrientation(const QImage& image, int orientation) {
    if (image.isNull() || orientation < 2 || orientation > 8)
        return image;
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        return image.mirrored(true, true);
    case 4:
        return image.mirrored(false, true);
    case 5:
        return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return image.transformed(QTransform().rotate(90));
    case 7:
        return image.transformed(QTransform().rotate(90)).mirrored(false, true);
    default:
        return image.transformed(QTransform().rotate(270));
    }
}

Raster ApplyOrientation(const Raster& raster, int orientation) {
    if (raster.isNull() || orientation < 2 || orientation > 8)
        return raster;
    const bool swap = OrientationSwapsSides(orientation);
    const int outW = swap ? raster.height : raster.width;
    const int outH = swap ? raster.width : raster.height;
    Raster out = Raster::allocate(outW, outH, raster.bitsPerPixel);
    if (out.isNull())
        return out;
    out.palette = raster.palette;
    const int bits = raster.bitsPerPixel;
    const int bytes = bits / 8;
    for (int y = 0; y < outH; ++y) {
        std::uint8_t* dst = out.row(y);
        for (int x = 0; x < outW; ++x) {
            int sx = 0;
            int sy = 0;
            sourceOf(orientation, x, y, raster.width, raster.height, sx, sy);
            const std::uint8_t* src = raster.row(sy);
            if (bits < 8) {
                setIndex(dst, x, bits, getIndex(src, sx, bits));
                continue;
            }
            for (int b = 0; b < bytes; ++b)
                dst[x * bytes + b] = src[sx * bytes + b];
        }
    }
    return out;
}

int OrientationFromExif(const std::uint8_t* data, std::size_t size) {
    // "Exif\0\0", then the TIFF header and IFD0.
    if (data == nullptr || size < 14 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 1;
    const std::uint8_t* tiff = data + 6;
    const std::size_t n = size - 6;
    bool big = false;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else if (tiff[0] != 'I' || tiff[1] != 'I')
        return 1;
    auto get16 = [&](std::size_t at) -> unsigned {
        return big ? (tiff[at] << 8) | tiff[at + 1] : tiff[at] | (tiff[at + 1] << 8);
    };
    auto get32 = [&](std::size_t at) -> std::uint32_t {
        return big ? (std::uint32_t{tiff[at]} << 24) | (std::uint32_t{tiff[at + 1]} << 16) |
                         (std::uint32_t{tiff[at + 2]} << 8) | tiff[at + 3]
                   : (std::uint32_t{tiff[at + 3]} << 24) | (std::uint32_t{tiff[at + 2]} << 16) |
                         (std::uint32_t{tiff[at + 1]} << 8) | tiff[at];
    };
    const std::uint64_t ifd = get32(4);
    if (ifd + 2 > n)
        return 1;
    const unsigned count = get16(static_cast<std::size_t>(ifd));
    for (unsigned i = 0; i < count; ++i) {
        const std::uint64_t entry = ifd + 2 + 12ull * i;
        if (entry + 12 > n)
            break;
        const auto at = static_cast<std::size_t>(entry);
        if (get16(at) != 0x0112)
            continue;
        // SHORT, one value, held in the first two bytes of the value field.
        if (get16(at + 2) != 3)
            return 1;
        const unsigned value = get16(at + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

} // namespace imaging
