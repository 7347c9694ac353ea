#include "imaging/rasterconvert.h"

#include <algorithm>
#include <cstring>

namespace imaging {

namespace {

// Palette index of pixel x in an indexed row.
inline int indexAt(const std::uint8_t* row, int x, int bits) {
    switch (bits) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default:
        return row[x];
    }
}

} // namespace

namespace detail {

std::vector<QRgb> OpaquePalette(const std::vector<QRgb>& palette) {
    std::vector<QRgb> table(256, qRgb(0, 0, 0));
    const std::size_t n = std::min<std::size_t>(palette.size(), 256);
    for (std::size_t i = 0; i < n; ++i)
        table[i] = palette[i] | 0xFF000000u;
    return table;
}

void RowToArgb(const std::uint8_t* src, int width, int bitsPerPixel, const QRgb* table, QRgb* dst) {
    switch (bitsPerPixel) {
    case 24:
        for (int x = 0; x < width; ++x, src += 3)
            dst[x] = qRgb(src[2], src[1], src[0]);
        break;
    case 32:
        for (int x = 0; x < width; ++x, src += 4)
            dst[x] = qRgb(src[2], src[1], src[0]);
        break;
    default:
        for (int x = 0; x < width; ++x)
            dst[x] = table[static_cast<std::size_t>(indexAt(src, x, bitsPerPixel))];
        break;
    }
}

} // namespace detail

QImage RasterToImage(const Raster& raster) {
    if (raster.isNull())
        return {};
    QImage image(raster.width, raster.height, QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    const std::vector<QRgb> table =
        raster.isIndexed() ? detail::OpaquePalette(raster.palette) : std::vector<QRgb>{};
    for (int y = 0; y < raster.height; ++y)
        detail::RowToArgb(raster.row(y), raster.width, raster.bitsPerPixel, table.data(),
                          reinterpret_cast<QRgb*>(image.scanLine(y)));
    return image;
}

Raster ImageToRaster24(const QImage& image) {
    if (image.isNull())
        return {};
    const QImage source = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
                              ? image
                              : image.convertToFormat(QImage::Format_RGB32);
    Raster raster = Raster::allocate(source.width(), source.height(), 24);
    if (raster.isNull())
        return raster;
    for (int y = 0; y < raster.height; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        std::uint8_t* dst = raster.row(y);
        for (int x = 0; x < raster.width; ++x, dst += 3) {
            dst[0] = static_cast<std::uint8_t>(qBlue(src[x]));
            dst[1] = static_cast<std::uint8_t>(qGreen(src[x]));
            dst[2] = static_cast<std::uint8_t>(qRed(src[x]));
        }
    }
    return raster;
}

Raster ImageToRaster32(const QImage& image) {
    if (image.isNull())
        return {};
    const QImage source =
        image.format() == QImage::Format_ARGB32 ? image : image.convertToFormat(QImage::Format_ARGB32);
    Raster raster = Raster::allocate(source.width(), source.height(), 32);
    if (raster.isNull())
        return raster;
    for (int y = 0; y < raster.height; ++y)
        std::memcpy(raster.row(y), source.constScanLine(y), static_cast<std::size_t>(raster.width) * 4);
    return raster;
}

Raster RasterTo24(const Raster& raster) {
    if (raster.isNull() || raster.bitsPerPixel == 24)
        return raster;
    Raster out = Raster::allocate(raster.width, raster.height, 24);
    if (out.isNull())
        return out;
    const std::vector<QRgb> table =
        raster.isIndexed() ? detail::OpaquePalette(raster.palette) : std::vector<QRgb>{};
    for (int y = 0; y < raster.height; ++y) {
        const std::uint8_t* src = raster.row(y);
        std::uint8_t* dst = out.row(y);
        for (int x = 0; x < raster.width; ++x, dst += 3) {
            if (raster.bitsPerPixel == 32) {
                std::memcpy(dst, src + 4 * x, 3);
                continue;
            }
            const QRgb c = table[static_cast<std::size_t>(indexAt(src, x, raster.bitsPerPixel))];
            dst[0] = static_cast<std::uint8_t>(qBlue(c));
            dst[1] = static_cast<std::uint8_t>(qGreen(c));
            dst[2] = static_cast<std::uint8_t>(qRed(c));
        }
    }
    return out;
}

} // namespace imaging
