#include "imaging/colour.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <random>

namespace {

QImage filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Photo-sized enough to be cut into bands on the pool, random enough to reach every branch.
QImage randomImage(int w, int h, unsigned seed) {
    QImage image(w, h, QImage::Format_ARGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, static_cast<QRgb>(rng()));
    return image;
}

QRgb pixelAfter(void (*effect)(QImage&), QRgb colour) {
    QImage image = filled(2, 2, colour);
    effect(image);
    return image.pixel(1, 1);
}

TEST(Greyscale, WeighsTheChannels) {
    struct Case {
        QRgb in;
        int grey;
    };
    const Case cases[] = {{qRgb(255, 0, 0), 60},
                          {qRgb(0, 255, 0), 173},
                          {qRgb(0, 0, 255), 20},
                          {qRgb(255, 255, 255), 255},
                          {qRgba(0, 0, 0, 0), 0}};
    for (const Case& c : cases)
        EXPECT_EQ(pixelAfter(imaging::ToGreyscale, c.in), qRgba(c.grey, c.grey, c.grey, 255))
            << std::hex << c.in;
}

TEST(Sepia, TableRowsFromTheIntegerConversion) {
    const auto table = imaging::SepiaTable();
    struct Row {
        int y;
        QRgb colour;
    };
    const Row rows[] = {{0, qRgb(46, 0, 0)},       {16, qRgb(62, 5, 0)},       {64, qRgb(110, 53, 1)},
                        {128, qRgb(174, 117, 65)}, {192, qRgb(238, 181, 129)}, {255, qRgb(255, 244, 192)}};
    for (const Row& row : rows)
        EXPECT_EQ(table[static_cast<std::size_t>(row.y)], row.colour) << "Y = " << row.y;
}

TEST(Sepia, BlackAndWhiteAndAMidGrey) {
    EXPECT_EQ(pixelAfter(imaging::ToSepia, qRgb(0, 0, 0)), qRgb(46, 0, 0));
    EXPECT_EQ(pixelAfter(imaging::ToSepia, qRgba(255, 255, 255, 0)), qRgb(255, 244, 192));
    // Luma of (128, 64, 192) is (627049·128 + 1231028·64 + 239075·192 + 2^20) >> 21 = 98.
    EXPECT_EQ(pixelAfter(imaging::ToSepia, qRgb(128, 64, 192)), imaging::SepiaTable()[98]);
}

TEST(Contrast, MinusOneGivesMidGreyAndZeroKeepsEveryValue) {
    const auto flat = imaging::ContrastTable(-1.0);
    const auto same = imaging::ContrastTable(0.0);
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(flat[static_cast<std::size_t>(v)], 128) << v; // 127.5 goes to the even neighbour
        EXPECT_EQ(same[static_cast<std::size_t>(v)], v) << v;
    }
}

TEST(Contrast, PlusOneDoublesTheDistanceFromTheMiddle) {
    // The product with 255 is taken in extended precision; in single precision v = 96..127 and 191 would
    // come out one lower.
    const auto steep = imaging::ContrastTable(1.0);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(steep[static_cast<std::size_t>(v)], std::clamp(2 * v - 127, 0, 255)) << v;
}

TEST(Contrast, WholeBitmapGoesThroughTheTableWithOpaqueAlpha) {
    QImage image = randomImage(40, 30, 7);
    const QImage before = image;
    imaging::AdjustContrast(image, 0.35);
    const auto table = imaging::ContrastTable(0.35);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = before.pixel(x, y);
            ASSERT_EQ(image.pixel(x, y), qRgb(table[qRed(p)], table[qGreen(p)], table[qBlue(p)]))
                << x << "," << y;
        }
}

TEST(Brightness, EndsOfTheSliderGiveWhiteAndBlack) {
    QImage image = randomImage(16, 16, 3);
    QImage dark = image;
    imaging::AdjustBrightness(image, 1.0);
    imaging::AdjustBrightness(dark, -1.0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255));
            ASSERT_EQ(dark.pixel(x, y), qRgb(0, 0, 0));
        }
}

TEST(Brightness, TiesAreDecidedByTheSinglePrecisionSum) {
    // (v / 255 + 0.5) × 255 is a tie at every even v; the single-precision sum lies just below it, so it
    // rounds down. A product taken in single precision would hit the tie and go to 130, 254.
    const auto up = imaging::BrightnessTable(0.5);
    EXPECT_EQ(up[2], 129);
    EXPECT_EQ(up[126], 253);
    EXPECT_EQ(up[127], 255);
    EXPECT_EQ(up[128], 255);
    const auto down = imaging::BrightnessTable(-0.5);
    EXPECT_EQ(down[192], 65);
    EXPECT_EQ(down[254], 127);
    EXPECT_EQ(down[127], 0);
    const auto none = imaging::BrightnessTable(0.0);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(none[static_cast<std::size_t>(v)], v);
}

TEST(Colour, OtherFormatsAreWorkedOnAsArgb32) {
    QImage image(3, 3, QImage::Format_RGB888);
    image.fill(QColor(255, 0, 0));
    imaging::ToGreyscale(image);
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(image.pixel(2, 2), qRgb(60, 60, 60));
    QImage null;
    imaging::ToSepia(null);
    EXPECT_TRUE(null.isNull());
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
    if (out.l <= 127)
        out.s = 255 * d / (max + min);
    else
        out.s = 255 * d / (510 - max - min);
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
    switch (6 * h / 256) {
    case 0:
        return {v, m + f, m};
    case 1:
        return {v - f, v, m};
    case 2:
        return {m, v, m + f};
    case 3:
        return {m, v - f, v};
    case 4:
        return {m + f, m, v};
    default:
        return {v, m, v - f};
    }
}

QRgb referenceHsl(QRgb pixel, int hueShift, int saturationShift, int lightnessShift) {
    imaging::Hsl hsl = referenceToHsl(qRed(pixel), qGreen(pixel), qBlue(pixel));
    hsl.h = ((hsl.h + hueShift) % 256 + 256) % 256;
    hsl.s = std::clamp(hsl.s + saturationShift, 0, 255);
    hsl.l = std::clamp(hsl.l + lightnessShift, 0, 255);
    const auto rgb = referenceFromHsl(hsl);
    return qRgba(rgb[0], rgb[1], rgb[2], 0);
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

TEST(Hsl, EveryColourConvertsLikeThePlainReading) {
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b)
                ASSERT_EQ(imaging::RgbToHsl(r, g, b), referenceToHsl(r, g, b)) << r << "," << g << "," << b;
}

TEST(Hsl, EveryTripleConvertsBackInRangeLikeThePlainReading) {
    for (int h = 0; h < 256; ++h)
        for (int s = 0; s < 256; ++s)
            for (int l = 0; l < 256; ++l) {
                const auto expected = referenceFromHsl({h, s, l});
                for (int c : expected)
                    ASSERT_TRUE(c >= 0 && c <= 255) << "H, S, L = " << h << ", " << s << ", " << l;
                ASSERT_EQ(imaging::HslToRgb({h, s, l}), qRgba(expected[0], expected[1], expected[2], 0))
                    << "H, S, L = " << h << ", " << s << ", " << l;
            }
}

TEST(Hsl, ZeroShiftsKeepColoursUpToTheIntegerRounding) {
    int worst = 0;
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 3) {
                const QRgb back = imaging::HslToRgb(imaging::RgbToHsl(r, g, b));
                worst = std::max(
                    {worst, std::abs(qRed(back) - r), std::abs(qGreen(back) - g), std::abs(qBlue(back) - b)});
                if (r == g && g == b) {
                    ASSERT_EQ(back, qRgba(r, r, r, 0));
                }
            }
    // 256 hue steps and integer saturation lose up to 13 levels on strongly saturated colours.
    EXPECT_LE(worst, 13);
    EXPECT_GT(worst, 0);
}

TEST(Hsl, MatchesThePlainReadingOnRandomPhotosAndShifts) {
    struct Shift {
        int h, s, l;
    };
    const Shift shifts[] = {{0, 0, 0},     {255, 0, 0},     {-255, 255, -255},
                            {37, -80, 12}, {-128, 40, 200}, {5, 5, -5}};
    unsigned seed = 11;
    for (const Shift& shift : shifts) {
        QImage image = randomImage(720, 400, seed++);
        const QImage before = image;
        imaging::AdjustHsl(image, shift.h, shift.s, shift.l);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(image.pixel(x, y), referenceHsl(before.pixel(x, y), shift.h, shift.s, shift.l))
                    << "at " << x << "," << y << " shifts " << shift.h << "," << shift.s << "," << shift.l;
    }
}

TEST(Hsl, HueShiftsOf255AndMinusOneAgree) {
    QImage a = randomImage(64, 48, 5);
    QImage b = a;
    imaging::AdjustHsl(a, 255, 10, -10);
    imaging::AdjustHsl(b, -1, 10, -10);
    EXPECT_EQ(a, b);
}

} // namespace
