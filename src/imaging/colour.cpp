#include "imaging/colour.h"

#include "imaging/colourrows.h"
#include "imaging/effectsbands.h"

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

int clampByte(int v) {
    return std::clamp(v, 0, 255);
}
int clampByte(long double v) {
    return static_cast<int>(std::clamp(v, 0.0L, 255.0L));
}

void ensureArgb32(QImage& bitmap) {
    if (bitmap.format() != QImage::Format_ARGB32)
        bitmap = bitmap.convertToFormat(QImage::Format_ARGB32);
}

// Runs `perRow(pixels, count)` over every row of the bitmap, band by band on the pool.
template <typename PerRow>
void mapRows(QImage& bitmap, PerRow perRow) {
    ensureArgb32(bitmap);
    if (bitmap.isNull())
        return;
    const int width = bitmap.width();
    uchar* const bits = bitmap.bits();
    const qsizetype stride = bitmap.bytesPerLine();
    detail::ForEachRowBand(bitmap.height(), width, [&](int first, int end) {
        for (int y = first; y < end; ++y)
            perRow(reinterpret_cast<std::uint32_t*>(bits + y * stride), width);
    });
}

// (Y, Cb, Cr) to RGB in 2^21 fixed point; every division truncates towards zero.
QRgb yCbCrToRgb(int y, int cb, int cr) {
    const int base = y * (1 << 21);
    const int r = clampByte((base + 2940207 * cr - 373827830) / (1 << 21));
    const int g = clampByte((base - 721706 * cb - 1497652 * cr + 284016801) / (1 << 21));
    const int b = clampByte((base + 3716153 * cb - 472760975) / (1 << 21));
    return qRgb(r, g, b);
}

// Round the single-precision value times 255 in extended precision, ties to even.
std::uint8_t scaledChannel(float unit) {
    return static_cast<std::uint8_t>(clampByte(std::nearbyint(static_cast<long double>(unit) * 255.0L)));
}

float unitOf(int v) {
    return static_cast<float>(static_cast<long double>(v) / 255.0L);
}

Hsl toHsl(int r, int g, int b) {
    const int max = std::max({r, g, b});
    const int min = std::min({r, g, b});
    Hsl out;
    out.l = (max + min) / 2;
    if (max == min)
        return out;
    const int d = max - min;
    out.s = 255 * d / (out.l <= 127 ? max + min : 510 - max - min);
    int h;
    if (r == max)
        h = (g - b) * 65025 / (1530 * d);
    else if (g == max)
        h = 85 + (b - r) * 65025 / (1530 * d);
    else
        h = 170 + (r - g) * 65025 / (1530 * d);
    // A negative hue wraps by 510, not 256 (so it lands at H + 254). Odd, but it is what this
    // conversion has always done, and edited photos must come out the same as before.
    if (h < 0)
        h += 510;
    out.h = h & 255;
    return out;
}

QRgb fromHsl(Hsl hsl) {
    const int l = hsl.l;
    const int s = hsl.s;
    const int v = l <= 127 ? ((s + 256) * l) >> 8 : l + s - (l * s) / 255;
    if (v <= 0)
        return qRgba(0, 0, 0, 0);
    const int m = 2 * l - v;
    const int h6 = 6 * hsl.h;
    const int f = ((v - m) * (h6 & 255)) >> 8;
    const int m1 = m + f;
    const int m2 = v - f;
    switch (h6 >> 8) {
    case 0:
        return qRgba(v, m1, m, 0);
    case 1:
        return qRgba(m2, v, m, 0);
    case 2:
        return qRgba(m, v, m1, 0);
    case 3:
        return qRgba(m, m2, v, 0);
    case 4:
        return qRgba(m1, m, v, 0);
    default:
        return qRgba(v, m, m2, 0);
    }
}

} // namespace

void ToGreyscale(QImage& bitmap) {
    mapRows(bitmap, detail::GreyscaleRow);
}

std::array<QRgb, 256> SepiaTable() {
    std::array<QRgb, 256> table{};
    for (int y = 0; y < 256; ++y)
        table[static_cast<std::size_t>(y)] = yCbCrToRgb(y, 92, 160);
    return table;
}

void ToSepia(QImage& bitmap) {
    const auto colours = SepiaTable();
    std::array<std::int32_t, 256> table{};
    std::copy(colours.begin(), colours.end(), table.begin());
    mapRows(bitmap, [&table](std::uint32_t* row, int count) { detail::SepiaRow(row, count, table.data()); });
}

Hsl RgbToHsl(int r, int g, int b) {
    return toHsl(r, g, b);
}

QRgb HslToRgb(Hsl hsl) {
    return fromHsl(hsl);
}

void AdjustHsl(QImage& bitmap, int hueShift, int saturationShift, int lightnessShift) {
    mapRows(bitmap, [=](std::uint32_t* row, int count) {
        detail::HslRow(row, count, hueShift, saturationShift, lightnessShift);
    });
}

ChannelTable ContrastTable(double c) {
    ChannelTable t{};
    const long double gain = 1.0L + static_cast<long double>(c);
    for (int v = 0; v < 256; ++v) {
        const float unit = unitOf(v);
        const float stretched = static_cast<float>(gain * (static_cast<long double>(unit) - 0.5L) + 0.5L);
        t[static_cast<std::size_t>(v)] = scaledChannel(stretched);
    }
    return t;
}

ChannelTable BrightnessTable(double b) {
    ChannelTable t{};
    for (int v = 0; v < 256; ++v) {
        const float shifted =
            static_cast<float>(static_cast<long double>(unitOf(v)) + static_cast<long double>(b));
        t[static_cast<std::size_t>(v)] = scaledChannel(shifted);
    }
    return t;
}

void MapChannels(QImage& bitmap, const ChannelTable& table) {
    mapRows(bitmap,
            [&table](std::uint32_t* row, int count) { detail::ChannelTableRow(row, count, table.data()); });
}

void AdjustContrast(QImage& bitmap, double c) {
    MapChannels(bitmap, ContrastTable(c));
}

void AdjustBrightness(QImage& bitmap, double b) {
    MapChannels(bitmap, BrightnessTable(b));
}

} // namespace imaging
