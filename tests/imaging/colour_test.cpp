#include "imaging/colour.h"

#include "imagefixtures.h"
#include "vectortargets.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <utility>
#include <vector>

namespace {

using fixtures::RandomImage;

QRgb pixelAfter(void (*effect)(QImage&), QRgb colour) {
    QImage image = fixtures::Filled(2, 2, colour);
    effect(image);
    return image.pixel(1, 1);
}

TEST(Greyscale, WeighsTheChannelsOfAnyFormat) {
    const std::pair<QRgb, int> cases[] = {
        {qRgb(255, 0, 0), 60}, {qRgb(0, 255, 0), 173}, {qRgb(0, 0, 255), 20}, {qRgba(255, 255, 255, 0), 255}};
    for (const auto& [in, grey] : cases)
        EXPECT_EQ(pixelAfter(imaging::ToGreyscale, in), qRgb(grey, grey, grey)) << std::hex << in;
    QImage image(3, 3, QImage::Format_RGB888);
    image.fill(QColor(255, 0, 0));
    imaging::ToGreyscale(image);
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(image.pixel(2, 2), qRgb(60, 60, 60));
}

TEST(Sepia, TableEndsAndPixels) {
    const auto table = imaging::SepiaTable();
    EXPECT_EQ(table[0], qRgb(46, 0, 0));
    EXPECT_EQ(table[64], qRgb(110, 53, 1));
    EXPECT_EQ(table[255], qRgb(255, 244, 192)); // clamped
    EXPECT_EQ(pixelAfter(imaging::ToSepia, qRgba(255, 255, 255, 0)), qRgb(255, 244, 192));
    // (627049 × 128 + 1231028 × 64 + 239075 × 192 + 2^20) >> 21 = 98
    EXPECT_EQ(pixelAfter(imaging::ToSepia, qRgb(128, 64, 192)), table[98]);
}

TEST(Contrast, WorkedTables) {
    const auto flat = imaging::ContrastTable(-1.0);
    const auto same = imaging::ContrastTable(0.0);
    // At +1 the product with 255 decides v = 96..127 and 191: in single precision they come out one lower.
    const auto steep = imaging::ContrastTable(1.0);
    for (int v = 0; v < 256; ++v) {
        const auto i = static_cast<std::size_t>(v);
        EXPECT_EQ(flat[i], 128) << v; // 127.5 goes to the even neighbour
        EXPECT_EQ(same[i], v) << v;
        EXPECT_EQ(steep[i], std::clamp(2 * v - 127, 0, 255)) << v;
    }
    // The bracket is stored in single precision before the product: 0.4 × (0 − 0.5) + 0.5 becomes
    // 0.30000001, so 76.5 lies above the tie; kept in extended precision these give 76 and 129.
    const auto soft = imaging::ContrastTable(-0.6);
    EXPECT_EQ(soft[0], 77);
    EXPECT_EQ(soft[130], 128);
}

TEST(Brightness, WorkedTables) {
    const auto up = imaging::BrightnessTable(0.5);
    // (v / 255 ± 0.5) × 255 is a tie for these v; the single-precision sum lands just off it and picks the
    // side. A product taken in single precision would sit on the tie: 130, 254, 254, 64.
    EXPECT_EQ(up[2], 129);
    EXPECT_EQ(up[126], 253);
    EXPECT_EQ(up[127], 255);
    EXPECT_EQ(imaging::BrightnessTable(-0.5)[192], 65);
    // The sum is stored in single precision too: kept in extended precision these give 25 and 129.
    EXPECT_EQ(imaging::BrightnessTable(-0.9)[255], 26);
    EXPECT_EQ(imaging::BrightnessTable(-0.3)[205], 128);
    EXPECT_EQ(imaging::BrightnessTable(1.0)[0], 255);
    EXPECT_EQ(imaging::BrightnessTable(-1.0)[255], 0);
}

// Every channel order of (lo, mid, hi) for every pair lo ≤ hi with mid at lo, half-way and hi, and for
// every spread d = hi − lo from 0 with every mid: so every value of every channel, every (max, min) of
// the saturation and every (difference, spread) of the hue occurs. Alpha 0x5a.
const QImage& everyColour() {
    static const QImage image = [] {
        std::vector<QRgb> colours;
        const auto addOrders = [&colours](int lo, int mid, int hi) {
            for (const auto& [r, g, b] :
                 {std::array{hi, mid, lo}, std::array{hi, lo, mid}, std::array{mid, hi, lo},
                  std::array{lo, hi, mid}, std::array{mid, lo, hi}, std::array{lo, mid, hi}})
                colours.push_back(qRgba(r, g, b, 0x5a));
        };
        for (int hi = 0; hi < 256; ++hi)
            for (int lo = 0; lo <= hi; ++lo)
                for (const int mid : {lo, (lo + hi) / 2, hi})
                    addOrders(lo, mid, hi);
        for (int d = 1; d < 256; ++d)
            for (int mid = 0; mid <= d; ++mid)
                addOrders(0, mid, d);
        constexpr int kWidth = 1024;
        QImage all(kWidth, static_cast<int>(colours.size() + kWidth - 1) / kWidth, QImage::Format_ARGB32);
        all.fill(0);
        std::copy(colours.begin(), colours.end(), reinterpret_cast<QRgb*>(all.bits()));
        return all;
    }();
    return image;
}

// A second, deliberately plain reading of the hue/saturation/lightness arithmetic, one value at a time,
// sharing nothing with the library but the pixel layout.
imaging::Hsl referenceToHsl(int r, int g, int b) {
    const int max = std::max(r, std::max(g, b));
    const int min = std::min(r, std::min(g, b));
    imaging::Hsl out{0, 0, (max + min) / 2};
    if (max == min)
        return out;
    const int d = max - min;
    out.s = 255 * d / (out.l <= 127 ? max + min : 510 - max - min);
    if (r == max)
        out.h = (g - b) * 65025 / (1530 * d);
    else if (g == max)
        out.h = 85 + (b - r) * 65025 / (1530 * d);
    else
        out.h = 170 + (r - g) * 65025 / (1530 * d);
    if (out.h < 0)
        out.h = (out.h + 510) % 256;
    return out;
}

// Channels as computed, unmasked, so that a value outside 0..255 shows.
std::array<int, 3> referenceFromHsl(imaging::Hsl hsl) {
    const int h = hsl.h;
    const int s = hsl.s;
    const int l = hsl.l;
    const int v = l <= 127 ? (s + 256) * l / 256 : l + s - l * s / 255;
    if (v <= 0)
        return {0, 0, 0};
    const int m = 2 * l - v;
    const int f = (v - m) * (6 * h % 256) / 256;
    const std::array<int, 3> sectors[6] = {{v, m + f, m}, {v - f, v, m}, {m, v, m + f},
                                           {m, v - f, v}, {m + f, m, v}, {v, m, v - f}};
    return sectors[6 * h / 256];
}

TEST(Hsl, WorkedConversions) {
    struct Case {
        int r, g, b;
        imaging::Hsl hsl;
    };
    const Case cases[] = {
        {255, 0, 0, {0, 255, 127}},      {0, 255, 0, {85, 255, 127}}, {0, 0, 255, {170, 255, 127}},
        {128, 128, 128, {0, 0, 128}},    {0, 0, 0, {0, 0, 0}},        {255, 255, 255, {0, 0, 255}},
        {255, 0, 128, {233, 255, 127}},  // H = −21 wraps by 510 to 489, kept modulo 256
        {255, 0, 1, {0, 255, 127}},      // −65025 div 390150 is 0 towards zero, not −1
        {200, 200, 100, {42, 121, 150}}, // red and green tie: red wins
    };
    for (const Case& c : cases)
        EXPECT_EQ(imaging::RgbToHsl(c.r, c.g, c.b), c.hsl) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(imaging::HslToRgb({0, 255, 127}), qRgba(253, 1, 1, 0));
    EXPECT_EQ(imaging::HslToRgb({99, 200, 0}), qRgba(0, 0, 0, 0));
}

// Saturation depends only on (max, min) and hue only on the leading channel, the signed difference of
// the other two and max − min: the covering colours reach every pair (max, min) and every (difference,
// max − min).
TEST(Hsl, EveryDivisionConvertsLikeThePlainReading) {
    const QImage& colours = everyColour();
    for (int y = 0; y < colours.height(); ++y)
        for (int x = 0; x < colours.width(); ++x) {
            const QRgb p = colours.pixel(x, y);
            ASSERT_EQ(imaging::RgbToHsl(qRed(p), qGreen(p), qBlue(p)),
                      referenceToHsl(qRed(p), qGreen(p), qBlue(p)))
                << "R, G, B = " << qRed(p) << ", " << qGreen(p) << ", " << qBlue(p);
        }
}

::testing::AssertionResult convertsBackLikeThePlainReading(int h, int s, int l) {
    const auto expected = referenceFromHsl({h, s, l});
    for (int c : expected)
        if (c < 0 || c > 255)
            return ::testing::AssertionFailure()
                   << "out of range at H, S, L = " << h << ", " << s << ", " << l;
    if (imaging::HslToRgb({h, s, l}) != qRgba(expected[0], expected[1], expected[2], 0))
        return ::testing::AssertionFailure() << "H, S, L = " << h << ", " << s << ", " << l;
    return ::testing::AssertionSuccess();
}

// Every (S, L) with hues at and beside each sector boundary, and every (H, L) at the extreme saturations.
TEST(Hsl, TriplesConvertBackInRangeLikeThePlainReading) {
    for (int s = 0; s < 256; ++s)
        for (int l = 0; l < 256; ++l)
            for (int h : {0, 1, 42, 43, 85, 86, 100, 127, 128, 170, 171, 213, 214, 255})
                ASSERT_TRUE(convertsBackLikeThePlainReading(h, s, l));
    for (int h = 0; h < 256; ++h)
        for (int l = 0; l < 256; ++l)
            for (int s : {0, 1, 127, 128, 254, 255})
                ASSERT_TRUE(convertsBackLikeThePlainReading(h, s, l));
}

TEST(Hsl, ZeroShiftsKeepColoursUpToTheIntegerRounding) {
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(imaging::HslToRgb(imaging::RgbToHsl(v, v, v)), qRgba(v, v, v, 0)) << v;
    const QImage colours = RandomImage(256, 256, 3);
    QImage back = colours;
    imaging::AdjustHsl(back, 0, 0, 0);
    // 256 hue steps and integer saturation lose up to 13 levels on strongly saturated colours.
    EXPECT_LE(fixtures::MaxChannelDiff(back, colours), 13);
}

// Every pixel of `everyColour()` through `perPixel`, one at a time.
template <typename PerPixel>
QImage eachColourThrough(const PerPixel& perPixel) {
    QImage out = everyColour().copy();
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            row[x] = perPixel(row[x]);
    }
    return out;
}

// The vector code of every instruction set against the one-pixel-at-a-time definitions, over the
// covering colours (and so every division the hue and saturation make), and over a row too short for
// one vector.
void expectEveryColourLikeThePlainReading(void (*effect)(QImage&, int), int parameter,
                                          const QImage& expected) {
    fixtures::ForEachVectorTarget([&](std::int64_t) {
        QImage image = everyColour().copy();
        effect(image, parameter);
        ASSERT_TRUE(image == expected);
        QImage shortRow = everyColour().copy(1021, 77, 3, 2);
        effect(shortRow, parameter);
        ASSERT_EQ(shortRow, expected.copy(1021, 77, 3, 2));
    });
}

TEST(EveryColour, GreyscaleAndSepia) {
    const QImage grey = eachColourThrough([](QRgb p) {
        const int i = (61 * qRed(p) + 174 * qGreen(p) + 21 * qBlue(p)) >> 8;
        return qRgb(i, i, i);
    });
    expectEveryColourLikeThePlainReading([](QImage& i, int) { imaging::ToGreyscale(i); }, 0, grey);
    const auto table = imaging::SepiaTable();
    const QImage sepia = eachColourThrough([&table](QRgb p) {
        return table[static_cast<std::size_t>(
            (627049 * qRed(p) + 1231028 * qGreen(p) + 239075 * qBlue(p) + 1048576) >> 21)];
    });
    expectEveryColourLikeThePlainReading([](QImage& i, int) { imaging::ToSepia(i); }, 0, sepia);
}

TEST(EveryColour, ContrastAndBrightnessTables) {
    for (const int percent : {-70, 45}) {
        const auto c = imaging::ContrastTable(percent / 100.0);
        const auto b = imaging::BrightnessTable(percent / 100.0);
        expectEveryColourLikeThePlainReading(
            [](QImage& i, int p) { imaging::AdjustContrast(i, p / 100.0); }, percent,
            eachColourThrough([&c](QRgb p) { return qRgb(c[qRed(p)], c[qGreen(p)], c[qBlue(p)]); }));
        expectEveryColourLikeThePlainReading(
            [](QImage& i, int p) { imaging::AdjustBrightness(i, p / 100.0); }, percent,
            eachColourThrough([&b](QRgb p) { return qRgb(b[qRed(p)], b[qGreen(p)], b[qBlue(p)]); }));
    }
}

TEST(EveryColour, HslAgainstTheBuildingBlocks) {
    struct Shift {
        int h, s, l;
    };
    // Index into this table is the effect's parameter.
    // Hue shifts wrap both ways; the extremes clamp saturation and lightness at both ends.
    static constexpr Shift kShifts[] = {
        {0, 0, 0}, {37, -80, 12}, {-128, 90, -60}, {-255, 255, -255}, {255, 40, 200}};
    for (int k = 0; k < static_cast<int>(std::size(kShifts)); ++k) {
        const Shift shift = kShifts[k];
        const QImage expected = eachColourThrough([shift](QRgb p) {
            imaging::Hsl hsl = imaging::RgbToHsl(qRed(p), qGreen(p), qBlue(p));
            hsl.h = (hsl.h + shift.h) & 255;
            hsl.s = std::clamp(hsl.s + shift.s, 0, 255);
            hsl.l = std::clamp(hsl.l + shift.l, 0, 255);
            return imaging::HslToRgb(hsl);
        });
        expectEveryColourLikeThePlainReading(
            [](QImage& i, int index) {
                const Shift s = kShifts[index];
                imaging::AdjustHsl(i, s.h, s.s, s.l);
            },
            k, expected);
    }
}

} // namespace
