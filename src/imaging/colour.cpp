#include "imaging/colour.h"

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

// Runs `perPixel` over every pixel of the bitmap, band by band on the pool.
template <typename PerPixel>
void mapPixels(QImage& bitmap, PerPixel perPixel) {
    ensureArgb32(bitmap);
    if (bitmap.isNull())
        return;
    const int width = bitmap.width();
    uchar* const bits = bitmap.bits();
    const qsizetype stride = bitmap.bytesPerLine();
    detail::ForEachRowBand(bitmap.height(), width, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
            for (int x = 0; x < width; ++x)
                row[x] = perPixel(row[x]);
        }
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

template <typename Table>
void mapThroughTable(QImage& bitmap, const Table& t) {
    mapPixels(bitmap, [&t](QRgb p) { return qRgb(t[qRed(p)], t[qGreen(p)], t[qBlue(p)]); });
}

// Integer division by multiplication: the hue and saturation divisions cost more than everything else
// in a pixel. With m = floor(2^48 / d) + 1, (n × m) >> 48 is exactly n div d while n × d < 2^48, which
// holds here (n ≤ 255 × 65025, d ≤ 1530 × 255).
constexpr int kReciprocalBits = 48;

template <std::size_t N, std::uint64_t Factor>
constexpr std::array<std::uint64_t, N> reciprocals() {
    std::array<std::uint64_t, N> table{};
    for (std::size_t i = 1; i < N; ++i)
        table[i] = (std::uint64_t{1} << kReciprocalBits) / (i * Factor) + 1;
    return table;
}

constexpr auto kSaturationDivisors = reciprocals<511, 1>(); // max + min, or 510 − max − min
constexpr auto kHueDivisors = reciprocals<256, 1530>();     // 1530 × (max − min)

inline int divide(int n, std::uint64_t reciprocal) {
    return static_cast<int>((static_cast<std::uint64_t>(n) * reciprocal) >> kReciprocalBits);
}

// Towards zero, like the integer division it replaces.
inline int divideSigned(int n, std::uint64_t reciprocal) {
    return n < 0 ? -divide(-n, reciprocal) : divide(n, reciprocal);
}

inline Hsl toHsl(int r, int g, int b) {
    const int max = std::max({r, g, b});
    const int min = std::min({r, g, b});
    Hsl out;
    out.l = (max + min) / 2;
    if (max == min)
        return out;
    const int d = max - min;
    out.s = divide(255 * d,
                   kSaturationDivisors[static_cast<std::size_t>(out.l <= 127 ? max + min : 510 - max - min)]);
    const std::uint64_t hueDivisor = kHueDivisors[static_cast<std::size_t>(d)]; // 1530 × d
    int h;
    if (r == max)
        h = divideSigned((g - b) * 65025, hueDivisor);
    else if (g == max)
        h = 85 + divideSigned((b - r) * 65025, hueDivisor);
    else
        h = 170 + divideSigned((r - g) * 65025, hueDivisor);
    // A negative hue wraps by 510, not 256 (so it lands at H + 254). Odd, but it is what this
    // conversion has always done, and edited photos must come out the same as before.
    if (h < 0)
        h += 510;
    out.h = h & 255;
    return out;
}

inline QRgb fromHsl(Hsl hsl) {
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
    mapPixels(bitmap, [](QRgb p) {
        const int i = (61 * qRed(p) + 174 * qGreen(p) + 21 * qBlue(p)) >> 8;
        return qRgb(i, i, i);
    });
}

std::array<QRgb, 256> SepiaTable() {
    std::array<QRgb, 256> table{};
    for (int y = 0; y < 256; ++y)
        table[static_cast<std::size_t>(y)] = yCbCrToRgb(y, 92, 160);
    return table;
}

void ToSepia(QImage& bitmap) {
    const auto table = SepiaTable();
    mapPixels(bitmap, [&table](QRgb p) {
        const int y = (627049 * qRed(p) + 1231028 * qGreen(p) + 239075 * qBlue(p) + 1048576) >> 21;
        return table[static_cast<std::size_t>(y)];
    });
}

Hsl RgbToHsl(int r, int g, int b) {
    return toHsl(r, g, b);
}

QRgb HslToRgb(Hsl hsl) {
    return fromHsl(hsl);
}

void AdjustHsl(QImage& bitmap, int hueShift, int saturationShift, int lightnessShift) {
    mapPixels(bitmap, [=](QRgb p) {
        Hsl hsl = toHsl(qRed(p), qGreen(p), qBlue(p));
        hsl.h = (hsl.h + hueShift) & 255; // modulo 256 for negative sums too
        hsl.s = clampByte(hsl.s + saturationShift);
        hsl.l = clampByte(hsl.l + lightnessShift);
        return fromHsl(hsl);
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

void AdjustContrast(QImage& bitmap, double c) {
    mapThroughTable(bitmap, ContrastTable(c));
}

void AdjustBrightness(QImage& bitmap, double b) {
    mapThroughTable(bitmap, BrightnessTable(b));
}

} // namespace imaging
