#include "imaging/redeye.h"

#include <gtest/gtest.h>

#include <QImage>

#include <initializer_list>
#include <tuple>

namespace {

constexpr QRgb kSkin = 0xff8c6450; // (140, 100, 80): not red, 140 < Round(1.8 × 100)
constexpr QRgb kRed = 0xffff0000;

QImage region(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(kSkin);
    return image;
}

void paint(QImage& image, const QRect& r, QRgb colour) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            image.setPixel(x, y, colour);
}

// A roundish blob of 28 pixels in a 6 × 6 box: the top and bottom rows keep only their middle two.
void paintDisc(QImage& image, QPoint topLeft, QRgb colour) {
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool corner = (y == 0 || y == 5) && (x <= 1 || x >= 4);
            if (!corner)
                image.setPixel(topLeft.x() + x, topLeft.y() + y, colour);
        }
}

int changedPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

TEST(RedEye, RedTestUsesRoundedRedToGreenRatioAndIgnoresBlue) {
    // 1.8 × 26 = 46.8 rounds to 47: 47 is not above it, 48 is.
    const std::tuple<int, int, bool> cases[] = {{200, 100, true}, {180, 100, false}, {40, 0, false},
                                                {41, 0, true},    {200, 50, true},   {47, 26, false},
                                                {48, 26, true}};
    for (const auto& [red, green, isRed] : cases)
        EXPECT_EQ(imaging::IsRedEyeRed(red, green), isRed) << red << "," << green;
}

TEST(RedEye, WithoutAPupilNothingChanges) {
    QImage none = region(20, 20);
    QImage lonePixel = region(10, 10);
    lonePixel.setPixel(4, 4, kRed);
    QImage smallBlobs = region(40, 40);
    paint(smallBlobs, QRect(2, 2, 5, 4), kRed);   // 20 pixels
    paint(smallBlobs, QRect(20, 20, 4, 4), kRed); // 16 pixels
    smallBlobs.setPixel(35, 35, kRed);
    for (const QImage& source : {none, lonePixel, smallBlobs}) {
        QImage result;
        EXPECT_FALSE(imaging::RemoveRedEye(source, result));
        EXPECT_EQ(result, source);
    }
}

TEST(RedEye, AnyLoneBlobOfTwoPixelsOrMoreIsThePupil) {
    QImage line = region(50, 10);
    paint(line, QRect(0, 4, 50, 1), kRed); // aspect 50
    QImage result;
    ASSERT_TRUE(imaging::RemoveRedEye(line, result));
    EXPECT_EQ(changedPixels(line, result), 50);

    QImage source = region(10, 10);
    source.setPixel(4, 4, qRgb(200, 20, 10));
    source.setPixel(5, 5, qRgb(200, 20, 10)); // diagonal neighbours form one blob
    ASSERT_TRUE(imaging::RemoveRedEye(source, result));
    EXPECT_EQ(changedPixels(source, result), 2);
    // Both are edge pixels: 0.1 × 200 + 0.7 × 20 + 0.4 × 10 = 38.
    EXPECT_EQ(result.pixel(4, 4), qRgb(38, 20, 10));
}

TEST(RedEye, InnerAndEdgePixelsOfAPureRedPupil) {
    QImage source = region(20, 20);
    paintDisc(source, {7, 7}, kRed);
    QImage result;
    ASSERT_TRUE(imaging::RemoveRedEye(source, result));
    EXPECT_EQ(changedPixels(source, result), 28);
    EXPECT_EQ(result.pixel(9, 9), qRgb(13, 0, 0)); // inside: Round(12.75)
    EXPECT_EQ(result.pixel(9, 8), qRgb(13, 0, 0)); // its four direct neighbours are all pupil
    EXPECT_EQ(result.pixel(7, 8), qRgb(26, 0, 0)); // on the edge: Round(25.5) to even
    EXPECT_EQ(result.pixel(8, 8), qRgb(26, 0, 0));
    for (const QPoint p : {QPoint(7, 9), QPoint(12, 9), QPoint(8, 11)}) // one outside neighbour each
        EXPECT_EQ(result.pixel(p), qRgb(26, 0, 0))
            << p.x() << "," << p.y();                  // above it lies the cut-off corner
    EXPECT_EQ(result.pixel(7, 7), source.pixel(7, 7)); // the corner itself is not pupil
}

TEST(RedEye, StreakFailsTheAspectTestSoTheDiscIsChosen) {
    QImage source = region(60, 30);
    paint(source, QRect(2, 2, 30, 10), qRgb(220, 30, 30)); // 300 pixels, aspect 3.0
    paintDisc(source, {40, 20}, kRed);                     // 28 pixels, aspect 1.0
    QImage result;
    ASSERT_TRUE(imaging::RemoveRedEye(source, result));
    EXPECT_EQ(result.pixel(10, 5), source.pixel(10, 5));
    EXPECT_NE(result.pixel(42, 22), source.pixel(42, 22));
    EXPECT_EQ(changedPixels(source, result), 28);
}

TEST(RedEye, EqualSizedBlobsKeepScanOrder) {
    // Two dozen qualifying 5 × 5 blobs of equal size; the scan goes column by column, so the top one
    // of the left column has the lowest label and must win.
    QImage source = region(60, 90);
    for (int x = 2; x < 60; x += 15)
        for (int y = 2; y < 90; y += 15)
            paint(source, QRect(x, y, 5, 5), kRed);
    QImage result;
    ASSERT_TRUE(imaging::RemoveRedEye(source, result));
    EXPECT_EQ(changedPixels(source, result), 25);
    EXPECT_NE(result.pixel(4, 4), source.pixel(4, 4));
}

TEST(RedEye, RegionEdgesDoNotMakeEdgePixels) {
    QImage source(6, 4, QImage::Format_ARGB32);
    source.fill(kRed);
    QImage result;
    ASSERT_TRUE(imaging::RemoveRedEye(source, result));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(result.pixel(x, y), qRgb(13, 0, 0)) << x << "," << y;
}

TEST(RedEye, LargeBlobIsFloodedWithoutRecursion) {
    QImage source(900, 900, QImage::Format_ARGB32);
    source.fill(kRed);
    // A one-pixel snake of skin makes the flood wind its way through the whole region.
    for (int x = 1; x < 900; x += 4)
        for (int y = 0; y < 899; ++y)
            source.setPixel(x, (x / 4) % 2 == 0 ? y : y + 1, kSkin);
    QImage result;
    ASSERT_TRUE(imaging::RemoveRedEye(source, result));
    EXPECT_EQ(qRed(result.pixel(0, 0)), 26);
    EXPECT_EQ(result.pixel(1, 0), kSkin);
}

TEST(RedEye, RegionPartlyOutsideTheBitmapIsBlackThereAndNotWritten) {
    QImage bitmap(30, 30, QImage::Format_ARGB32);
    bitmap.fill(kSkin);
    paintDisc(bitmap, {24, 24}, kRed); // reaches the bottom-right corner
    const QImage before = bitmap;
    ASSERT_TRUE(imaging::RemoveRedEyeInRegion(bitmap, QRect(20, 20, 20, 20)));
    EXPECT_EQ(changedPixels(before, bitmap), 28);
    // The disc touches the border; outside lies black of the region, which is not pupil: edge pixels.
    EXPECT_EQ(bitmap.pixel(29, 27), qRgb(26, 0, 0));
    EXPECT_EQ(bitmap.pixel(27, 27), qRgb(13, 0, 0));

    QImage untouched = before;
    EXPECT_FALSE(imaging::RemoveRedEyeInRegion(untouched, QRect(40, 40, 10, 10)));
    EXPECT_FALSE(imaging::RemoveRedEyeInRegion(untouched, QRect(0, 0, 0, 10)));
    EXPECT_FALSE(imaging::RemoveRedEyeInRegion(untouched, QRect(0, 0, 10, 10)));
    EXPECT_EQ(untouched, before);
}

} // namespace
