#include "imaging/printformats.h"

#include <gtest/gtest.h>

#include <QPoint>

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

TEST(PrintFormats, TableInCodeOrderAndScreenOrderBySize) {
    const auto& formats = imaging::PrintFormats();
    const char* names[] = {"9x13", "10x15", "13x18", "15x21", "20x30", "30x45", "10x13"};
    for (int i = 0; i < imaging::PrintFormatCount; ++i) {
        EXPECT_EQ(formats[static_cast<std::size_t>(i)].code, i + 1);
        EXPECT_EQ(formats[static_cast<std::size_t>(i)].nameText(), QString::fromLatin1(names[i]));
        EXPECT_EQ(imaging::PrintFormatByCode(i + 1), &formats[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(imaging::PrintFormatByCode(0), nullptr);
    EXPECT_EQ(imaging::PrintFormatByCode(8), nullptr);
    const std::array<int, 7> bySize{1, 7, 2, 3, 4, 5, 6};
    EXPECT_EQ(imaging::PrintFormatScreenOrder(), bySize);
    EXPECT_EQ(imaging::FreeFormatName(), QStringLiteral("dowolna"));

    const auto* f = imaging::PrintFormatByCode(4);
    EXPECT_EQ(f->longSideMm, 203);
    EXPECT_EQ(f->shortSideMm, 152);
    EXPECT_EQ(f->ratioLong, 21);
    EXPECT_EQ(f->ratioShort, 15);
    EXPECT_EQ(f->hintText(), QStringLiteral("Wielkość zdjęcia 152x203mm"));
    EXPECT_EQ(f->wizardCaption(), QStringLiteral(" format 15x21 (152x203mm)"));
    EXPECT_EQ(imaging::PrintFormatByCode(7)->hintText(), QStringLiteral("Wielkość zdjęcia 96x127mm"));
    EXPECT_EQ(imaging::CropAlignmentName(CropAlignment::Top), QStringLiteral("góra"));
    EXPECT_EQ(imaging::CropAlignmentName(imaging::DefaultCropAlignment), QStringLiteral("środek"));
    EXPECT_EQ(imaging::CropAlignmentName(CropAlignment::Bottom), QStringLiteral("dół"));
}

TEST(PrintFormats, HintAndCaptionFollowTheMillimetres) {
    for (const auto& f : imaging::PrintFormats()) {
        const QString size = QStringLiteral("%1x%2mm").arg(f.shortSideMm).arg(f.longSideMm);
        EXPECT_EQ(f.hintText(), QStringLiteral("Wielkość zdjęcia ") + size);
        EXPECT_EQ(f.wizardCaption(), QStringLiteral(" format %1 (%2)").arg(f.nameText(), size));
    }
}

TEST(FitCropFrame, KeepsTheCentreAndTakesTheFormat) {
    const CropFrame fitted =
        imaging::FitCropFrame({1000, 1000, 2000, 2000}, *imaging::PrintFormatByCode(2), 4000, 3000);
    EXPECT_EQ(fitted, (CropFrame{902, 1099, 2099, 1902}));
}

TEST(FitCropFrame, TooWideFrameIsLimitedToTheImage) {
    const CropFrame fitted =
        imaging::FitCropFrame({0, 0, 1000, 1000}, *imaging::PrintFormatByCode(1), 1000, 1000);
    EXPECT_EQ(fitted, (CropFrame{0, 150, 1000, 851}));
}

TEST(FitCropFrame, PushedBackInsideAtEveryEdge) {
    const auto& f = *imaging::PrintFormatByCode(2); // 152 × 102
    // S = 254: w = 152, h = 102, centred on (5, 5): left −71, top −46 → moved to 0.
    EXPECT_EQ(imaging::FitCropFrame({0, 0, 10, 244}, f, 500, 400), (CropFrame{0, 71, 152, 173}));
    // The same 152 × 102 frame centred on (155, 182) runs off the right and bottom of a 160 × 110 image.
    EXPECT_EQ(imaging::FitCropFrame({150, 60, 160, 304}, f, 160, 110), (CropFrame{8, 8, 160, 110}));
}

TEST(FitCropFrame, TooTallFrameIsLimitedToTheImageHeight) {
    // S = 2000 for 13x18: w = Round(2000 / 304 × 177) = 1164, h = Round(1164 / 177 × 127) = 835 > 600:
    // h = 600, w = Round(600 × 177 / 127) = 836.
    const CropFrame fitted =
        imaging::FitCropFrame({0, 0, 1000, 1000}, *imaging::PrintFormatByCode(3), 2000, 600);
    EXPECT_EQ(fitted.right - fitted.left, 836);
    EXPECT_EQ(fitted.bottom - fitted.top, 600);
    EXPECT_EQ(fitted, (CropFrame{82, 0, 918, 600}));
}

TEST(CropToFormat, TooTallImageKeepsTheAlignedBand) {
    struct Case {
        CropAlignment alignment;
        int firstRow;
    };
    for (const Case c :
         {Case{CropAlignment::Top, 0}, Case{CropAlignment::Centre, 31}, Case{CropAlignment::Bottom, 62}}) {
        Raster r = positions(3000, 2000);
        ASSERT_TRUE(imaging::CropToFormat(r, 2, c.alignment));
        ASSERT_EQ(r.width, 3000);
        ASSERT_EQ(r.height, 1938); // (3000 div 152) × 102
        EXPECT_EQ(r.bitsPerPixel, 24);
        EXPECT_EQ(origin(r, 0, 0), QPoint(0, c.firstRow));
        EXPECT_EQ(origin(r, 2999, 1937), QPoint(2999, c.firstRow + 1937));
    }
}

TEST(CropToFormat, TooWideImageIsCutAtTheCentreByTheNominalRatio) {
    for (const CropAlignment alignment : {CropAlignment::Top, CropAlignment::Bottom}) {
        Raster r = positions(2000, 1000);
        ASSERT_TRUE(imaging::CropToFormat(r, 1, alignment));
        ASSERT_EQ(r.width, 1443); // (1000 div 9) × 13
        ASSERT_EQ(r.height, 1000);
        EXPECT_EQ(origin(r, 0, 0), QPoint(278, 0));
        EXPECT_EQ(origin(r, 1442, 999), QPoint(278 + 1442, 999));
    }
}

TEST(CropToFormat, PortraitBecomesALandscapeBand) {
    Raster r = positions(2000, 3000);
    ASSERT_TRUE(imaging::CropToFormat(r, 2, CropAlignment::Top));
    EXPECT_EQ(r.width, 2000);
    EXPECT_EQ(r.height, 1326);
    EXPECT_EQ(origin(r, 5, 1325), QPoint(5, 1325));
}

TEST(CropToFormat, ExactHeightIsLeftAsItIs) {
    Raster r = positions(1270, 890);
    const Raster before = r;
    ASSERT_TRUE(imaging::CropToFormat(r, 1, CropAlignment::Centre));
    EXPECT_EQ(r.pixels, before.pixels);
    EXPECT_EQ(r.height, 890);
}

TEST(CropToFormat, WidthCutNeverReachesOutsideTheSource) {
    // 9x13 on 1270 × 889: the nominal ratio asks for 98 × 13 = 1274 columns of 1270.
    Raster r = positions(1270, 889);
    ASSERT_TRUE(imaging::CropToFormat(r, 1, CropAlignment::Centre));
    EXPECT_EQ(r.width, 1270);
    EXPECT_EQ(r.height, 889);
    EXPECT_EQ(origin(r, 0, 0), QPoint(0, 0));
    EXPECT_EQ(origin(r, 1269, 888), QPoint(1269, 888));
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
}

TEST(CropToFormat, OtherDepthsBecomeTwentyFourBits) {
    Raster indexed = Raster::allocate(254, 300, 8);
    indexed.palette = {qRgb(10, 20, 30), qRgb(200, 100, 50)};
    indexed.row(100)[7] = 1;
    indexed.row(101)[7] = 77;                                           // no palette entry: black
    ASSERT_TRUE(imaging::CropToFormat(indexed, 2, CropAlignment::Top)); // 254 div 152 = 1 → 102 rows
    ASSERT_EQ(indexed.bitsPerPixel, 24);
    ASSERT_EQ(indexed.height, 102);
    EXPECT_EQ(indexed.row(0)[0], 30);
    EXPECT_EQ(indexed.row(0)[2], 10);

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
