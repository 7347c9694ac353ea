#include "imaging/printformats.h"

#include "core/rounding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace imaging {

namespace {

constexpr std::array<PrintFormat, PrintFormatCount> kFormats{{
    {1, "9x13", 127, 89, 13, 9, "Wielkość zdjęcia 89x127mm", " format 9x13 (89x127mm)"},
    {2, "10x15", 152, 102, 15, 10, "Wielkość zdjęcia 102x152mm", " format 10x15 (102x152mm)"},
    {3, "13x18", 177, 127, 18, 13, "Wielkość zdjęcia 127x177mm", " format 13x18 (127x177mm)"},
    {4, "15x21", 203, 152, 21, 15, "Wielkość zdjęcia 152x203mm", " format 15x21 (152x203mm)"},
    {5, "20x30", 305, 203, 3, 2, "Wielkość zdjęcia 203x305mm", " format 20x30 (203x305mm)"},
    {6, "30x45", 457, 305, 3, 2, "Wielkość zdjęcia 305x457mm", " format 30x45 (305x457mm)"},
    {7, "10x13", 127, 96, 13, 10, "Wielkość zdjęcia 96x127mm", " format 10x13 (96x127mm)"},
}};

constexpr std::array<int, PrintFormatCount> kScreenOrder{1, 7, 2, 3, 4, 5, 6};

bool wellFormed(const Raster& raster) {
    const int depth = raster.bitsPerPixel;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32)
        return false;
    if (raster.isNull() || raster.bytesPerRow < Raster::strideFor(raster.width, depth))
        return false;
    return raster.pixels.size() >= static_cast<std::size_t>(raster.bytesPerRow) * raster.height;
}

// (B, G, R) of one pixel of any depth; a palette index without an entry reads as black.
void bgrAt(const Raster& raster, int x, int y, std::uint8_t* out) {
    const std::uint8_t* row = raster.row(y);
    QRgb colour = 0;
    switch (raster.bitsPerPixel) {
    case 24:
    case 32: {
        const std::uint8_t* p = row + x * (raster.bitsPerPixel / 8);
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
        return;
    }
    case 8:
        colour = row[x];
        break;
    case 4:
        colour = (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0f;
        break;
    default:
        colour = (row[x / 8] >> (7 - x % 8)) & 0x01;
        break;
    }
    const QRgb entry = colour < raster.palette.size() ? raster.palette[colour] : 0;
    out[0] = static_cast<std::uint8_t>(qBlue(entry));
    out[1] = static_cast<std::uint8_t>(qGreen(entry));
    out[2] = static_cast<std::uint8_t>(qRed(entry));
}

// A 24-bit copy of the w × h block at (left, top), which lies inside the source.
Raster cut(const Raster& source, int left, int top, int w, int h) {
    Raster out = Raster::allocate(w, h, 24);
    if (out.isNull())
        throw std::bad_alloc(); // callers report a memory error; never write through a null row
    for (int y = 0; y < h; ++y) {
        std::uint8_t* dst = out.row(y);
        if (source.bitsPerPixel == 24) {
            std::memcpy(dst, source.row(top + y) + left * 3, static_cast<std::size_t>(w) * 3);
            continue;
        }
        for (int x = 0; x < w; ++x)
            bgrAt(source, left + x, top + y, dst + x * 3);
    }
    return out;
}

} // namespace

const std::array<PrintFormat, PrintFormatCount>& PrintFormats() {
    return kFormats;
}

const PrintFormat* PrintFormatByCode(int code) {
    if (code < 1 || code > PrintFormatCount)
        return nullptr;
    return &kFormats[static_cast<std::size_t>(code - 1)];
}

const std::array<int, PrintFormatCount>& PrintFormatScreenOrder() {
    return kScreenOrder;
}

QString FreeFormatName() {
    return QStringLiteral("dowolna");
}

QString CropAlignmentName(CropAlignment alignment) {
    switch (alignment) {
    case CropAlignment::Top:
        return QStringLiteral("góra");
    case CropAlignment::Centre:
        return QStringLiteral("środek");
    case CropAlignment::Bottom:
        return QStringLiteral("dół");
    }
    return {};
}

CropFrame FitCropFrame(const CropFrame& frame, const PrintFormat& format, int imageWidth, int imageHeight) {
    const long double a = format.longSideMm;
    const long double b = format.shortSideMm;
    const long double left = frame.left;
    const long double top = frame.top;
    const long double right = frame.right;
    const long double bottom = frame.bottom;
    const int perimeterHalf = core::RoundEven(right - left) + core::RoundEven(bottom - top);
    int w = core::RoundEven(perimeterHalf / (a + b) * a);
    int h = core::RoundEven(w / a * b);
    const auto heightForWidth = [&] { h = core::RoundEven(w / a * b); };
    const auto widthForHeight = [&] { w = core::RoundEven(h * a / b); };
    if (w > imageWidth) {
        w = imageWidth;
        heightForWidth();
        if (h > imageHeight) {
            h = imageHeight;
            widthForHeight();
        }
    } else if (h > imageHeight) {
        h = imageHeight;
        widthForHeight();
        if (w > imageWidth) {
            w = imageWidth;
            heightForWidth();
        }
    }
    const long double cx = (right - left) / 2 + left;
    const long double cy = (bottom - top) / 2 + top;
    int newLeft = core::RoundEven(cx - w / 2);
    int newTop = core::RoundEven(cy - h / 2);
    int newRight = newLeft + w;
    int newBottom = newTop + h;
    if (newLeft < 0) {
        newLeft = 0;
        newRight = w;
    }
    if (newTop < 0) {
        newTop = 0;
        newBottom = h;
    }
    if (newRight > imageWidth) {
        newRight = imageWidth;
        newLeft = imageWidth - w;
    }
    if (newBottom > imageHeight) {
        newBottom = imageHeight;
        newTop = imageHeight - h;
    }
    return {static_cast<float>(newLeft), static_cast<float>(newTop), static_cast<float>(newRight),
            static_cast<float>(newBottom)};
}

namespace {

// Dividing first is part of the result: 3000 pixels at 127 mm give 23 × 89 rows, not 2102.
int heightForWidth(int width, const PrintFormat& format) {
    return (width / format.longSideMm) * format.shortSideMm;
}

} // namespace

std::optional<RowBand> HeightCutBand(int imageWidth, int imageHeight, int formatCode,
                                     CropAlignment alignment) {
    const PrintFormat* format = PrintFormatByCode(formatCode);
    if (format == nullptr || imageWidth <= 0)
        return std::nullopt;
    const int h = heightForWidth(imageWidth, *format);
    if (h <= 0 || h >= imageHeight)
        return std::nullopt;
    switch (alignment) {
    case CropAlignment::Top:
        return RowBand{0, h};
    case CropAlignment::Bottom:
        return RowBand{imageHeight - h, h};
    case CropAlignment::Centre:
        break;
    }
    return RowBand{(imageHeight - h) / 2, h};
}

bool CropToFormat(Raster& raster, int formatCode, CropAlignment alignment) {
    const PrintFormat* format = PrintFormatByCode(formatCode);
    if (format == nullptr || !wellFormed(raster))
        return false;
    const int width = raster.width;
    const int height = raster.height;
    const int h = heightForWidth(width, *format);
    if (h < height) {
        if (h == 0)
            return false;
        const RowBand band = *HeightCutBand(width, height, formatCode, alignment);
        raster = cut(raster, 0, band.top, width, band.height);
        return true;
    }
    if (h > height) {
        // The nominal ratio can ask for a few columns more than the image has (1270 × 889 at 9x13
        // wants 1274): keep the whole width rather than read beyond the source.
        const int w = std::min((height / format->ratioShort) * format->ratioLong, width);
        if (w == 0)
            return false;
        raster = cut(raster, (width - w) / 2, 0, w, height);
    }
    return true;
}

} // namespace imaging
