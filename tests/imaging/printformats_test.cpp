#include "imaging/printformats.h"

#include <gtest/gtest.h>

#include <QPoint>
#include <QSize>
#include <QStringList>

#include <tuple>
#include <vector>

namespace {

using imaging::CropAlignment;
using imaging::CropFrame;
using imaging::Raster;

// A 24-bit raster whose pixel (x, y) holds (B, G, R) = (x mod 256, y mod 256, (x / 256 + 16 y / 256) mod
// 256), so a cut-out tells where it came from.
Raster positions(int w, int h) {
    Raster r = Raster::allocate(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = r.row(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(x / 256 + 16 * (y / 256));
        }
    return r;
}

// The source position a 24-bit pixel came from.
QPoint origin(const Raster& r, int x, int y) {
    const std::uint8_t* p = r.row(y) + x * 3;
    return {p[0] + 256 * (p[2] % 16), p[1] + 256 * (p[2] / 16)};
}

TEST(PrintFormats, EveryRowTheScreenOrderAndTheAlignments) {
    const struct {
        int code;
        const char* name;
        int longMm, shortMm, ratioLong, ratioShort; // exact a / b, nominal p / q
        const char* hint;                           // short × long, unlike the name
        const char* caption;
    } rows[] = {
        {1, "9x13", 127, 89, 13, 9, "Wielkość zdjęcia 89x127mm", " format 9x13 (89x127mm)"},
        {2, "10x15", 152, 102, 15, 10, "Wielkość zdjęcia 102x152mm", " format 10x15 (102x152mm)"},
        {3, "13x18", 177, 127, 18, 13, "Wielkość zdjęcia 127x177mm", " format 13x18 (127x177mm)"},
        {4, "15x21", 203, 152, 21, 15, "Wielkość zdjęcia 152x203mm", " format 15x21 (152x203mm)"},
        {5, "20x30", 305, 203, 3, 2, "Wielkość zdjęcia 203x305mm", " format 20x30 (203x305mm)"},
        {6, "30x45", 457, 305, 3, 2, "Wielkość zdjęcia 305x457mm", " format 30x45 (305x457mm)"},
        {7, "10x13", 127, 96, 13, 10, "Wielkość zdjęcia 96x127mm", " format 10x13 (96x127mm)"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const imaging::PrintFormat* f = imaging::PrintFormatByCode(r.code);
        ASSERT_EQ(f, &imaging::PrintFormats()[static_cast<std::size_t>(r.code - 1)]);
        EXPECT_EQ(std::tuple(f->code, f->nameText(), f->longSideMm, f->shortSideMm, f->ratioLong,
                             f->ratioShort, f->hintText(), f->wizardCaption()),
                  std::tuple(r.code, QString::fromUtf8(r.name), r.longMm, r.shortMm, r.ratioLong,
                             r.ratioShort, QString::fromUtf8(r.hint), QString::fromUtf8(r.caption)));
    }
    EXPECT_EQ(imaging::PrintFormatByCode(0), nullptr);
    EXPECT_EQ(imaging::PrintFormatByCode(8), nullptr);
    EXPECT_EQ(imaging::PrintFormatScreenOrder(), (std::array<int, 7>{1, 7, 2, 3, 4, 5, 6}));
    EXPECT_EQ(imaging::FreeFormatName(), QStringLiteral("dowolna"));
    EXPECT_EQ(imaging::DefaultCropAlignment, CropAlignment::Centre);
    EXPECT_EQ(QStringList({imaging::CropAlignmentName(CropAlignment::Top),
                           imaging::CropAlignmentName(CropAlignment::Centre),
                           imaging::CropAlignmentName(CropAlignment::Bottom)}),
              QStringList({"góra", "środek", "dół"}));
}

TEST(FitCropFrame, WorkedFrames) {
    struct Case {
        CropFrame frame;
        int code, w, h;
        CropFrame fitted;
    };
    const Case cases[] = {
        // S = 2000, w = Round(2000 / 254 × 152) = 1197, h = Round(1197 / 152 × 102) = 803, same centre.
        {{1000, 1000, 2000, 2000}, 2, 4000, 3000, {902, 1099, 2099, 1902}},
        // The same one step to the right: 1501 − (1197 div 2) = 903, where halving exactly would give 902.
        {{1001, 1000, 2001, 2000}, 2, 4000, 3000, {903, 1099, 2100, 1902}},
        // w = Round(1175.93) = 1176 > 1000: w = 1000, h = 701.
        {{0, 0, 1000, 1000}, 1, 1000, 1000, {0, 150, 1000, 851}},
        // w = 1164, h = 835 > 600: h = 600, w = Round(600 × 177 / 127) = 836.
        {{0, 0, 1000, 1000}, 3, 2000, 600, {82, 0, 918, 600}},
        // S = 254: a 152 × 102 frame centred on (5, 122) pushed back over the left edge ...
        {{0, 0, 10, 244}, 2, 500, 400, {0, 71, 152, 173}},
        // ... and centred on (155, 182), over the right and bottom edges of a 160 × 110 image.
        {{150, 60, 160, 304}, 2, 160, 110, {8, 8, 160, 110}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(imaging::FitCropFrame(c.frame, *imaging::PrintFormatByCode(c.code), c.w, c.h), c.fitted)
            << c.frame.left << "," << c.frame.top << " code " << c.code;
}

TEST(CropToFormat, WorkedCuts) {
    struct Case {
        int w, h, code;
        CropAlignment alignment;
        int cutW, cutH;
        QPoint from; // where the cut-out's top-left pixel came from
    };
    const Case cases[] = {
        {3000, 2000, 2, CropAlignment::Top, 3000, 1938, {0, 0}}, // h = (3000 div 152) × 102
        {3000, 2000, 2, CropAlignment::Centre, 3000, 1938, {0, 31}},
        {3000, 2000, 2, CropAlignment::Bottom, 3000, 1938, {0, 62}},
        {2000, 1000, 1, CropAlignment::Top, 1443, 1000, {278, 0}}, // w = (1000 div 9) × 13, always centred
        {2000, 1000, 1, CropAlignment::Bottom, 1443, 1000, {278, 0}},
        {2000, 3000, 2, CropAlignment::Top, 2000, 1326, {0, 0}},  // a portrait gives a landscape band
        {1270, 890, 1, CropAlignment::Centre, 1270, 890, {0, 0}}, // h = 890 = H: nothing to cut
        // The nominal ratio asks for 98 × 13 = 1274 of 1270 columns: the whole width is kept instead.
        {1270, 889, 1, CropAlignment::Centre, 1270, 889, {0, 0}},
    };
    for (const Case& c : cases) {
        Raster r = positions(c.w, c.h);
        ASSERT_TRUE(imaging::CropToFormat(r, c.code, c.alignment)) << c.w << "x" << c.h;
        ASSERT_EQ(QSize(r.width, r.height), QSize(c.cutW, c.cutH)) << c.w << "x" << c.h;
        EXPECT_EQ(r.bitsPerPixel, 24);
        EXPECT_EQ(origin(r, 0, 0), c.from) << c.w << "x" << c.h;
        EXPECT_EQ(origin(r, c.cutW - 1, c.cutH - 1), c.from + QPoint(c.cutW - 1, c.cutH - 1));
    }
}

TEST(CropToFormat, EmptyCutsAndBadInputLeaveTheRasterAlone) {
    struct Case {
        int w, h, code;
    };
    // 100 wide at 9x13: 0 rows. 1000 × 1 at 20x30: too wide, and (1 div 2) × 3 = 0 columns.
    for (const Case c : {Case{100, 200, 1}, Case{1000, 1, 5}, Case{300, 100, 0}, Case{300, 100, 8}}) {
        Raster r = positions(c.w, c.h);
        const Raster before = r;
        EXPECT_FALSE(imaging::CropToFormat(r, c.code, CropAlignment::Centre)) << c.w << "x" << c.h;
        EXPECT_EQ(r.width, c.w);
        EXPECT_EQ(r.pixels, before.pixels);
    }
    Raster null;
    EXPECT_FALSE(imaging::CropToFormat(null, 1, CropAlignment::Centre));
    Raster shortData = positions(300, 400);
    shortData.pixels.resize(10);
    EXPECT_FALSE(imaging::CropToFormat(shortData, 1, CropAlignment::Centre));
    Raster oddDepth = positions(300, 400);
    oddDepth.bitsPerPixel = 16;
    EXPECT_FALSE(imaging::CropToFormat(oddDepth, 1, CropAlignment::Centre));
}

TEST(CropToFormat, OtherDepthsBecomeTwentyFourBits) {
    Raster indexed = Raster::allocate(254, 300, 8);
    indexed.palette = {qRgb(10, 20, 30), qRgb(200, 100, 50)};
    indexed.row(100)[7] = 1;
    indexed.row(101)[7] = 77;                                           // no palette entry: black
    ASSERT_TRUE(imaging::CropToFormat(indexed, 2, CropAlignment::Top)); // 254 div 152 = 1: 102 rows
    ASSERT_EQ(indexed.bitsPerPixel, 24);
    ASSERT_EQ(indexed.height, 102);
    EXPECT_EQ(std::vector<int>(indexed.row(0), indexed.row(0) + 3), (std::vector<int>{30, 20, 10}));
    EXPECT_EQ(std::vector<int>(indexed.row(100) + 21, indexed.row(100) + 24),
              (std::vector<int>{50, 100, 200}));
    EXPECT_EQ(std::vector<int>(indexed.row(101) + 21, indexed.row(101) + 24), (std::vector<int>{0, 0, 0}));

    Raster mono = Raster::allocate(254, 300, 1);
    mono.palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    mono.row(150)[0] = 0x40;                                            // pixel 1 of row 150
    ASSERT_TRUE(imaging::CropToFormat(mono, 2, CropAlignment::Centre)); // rows 99..200
    EXPECT_EQ(mono.row(150 - 99)[3], 255);
    EXPECT_EQ(mono.row(150 - 99)[0], 0);

    Raster nibbles = Raster::allocate(254, 300, 4);
    nibbles.palette.assign(16, qRgb(0, 0, 0));
    nibbles.palette[5] = qRgb(1, 2, 3);
    nibbles.row(299)[1] = 0x05; // pixel 3 of the last row
    ASSERT_TRUE(imaging::CropToFormat(nibbles, 2, CropAlignment::Bottom));
    EXPECT_EQ(nibbles.row(101)[9], 3);
    EXPECT_EQ(nibbles.row(101)[11], 1);

    Raster withAlpha = Raster::allocate(2000, 1000, 32);
    withAlpha.row(0)[278 * 4 + 2] = 99;
    ASSERT_TRUE(imaging::CropToFormat(withAlpha, 1, CropAlignment::Centre));
    EXPECT_EQ(withAlpha.bitsPerPixel, 24);
    EXPECT_EQ(withAlpha.row(0)[2], 99);
}

} // namespace
