#include "imagefixtures.h"

#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"
#include "imaging/orientation.h"
#include "imaging/rasterconvert.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <tiffio.h>

using namespace imaging;

namespace {

// The colour of each upright corner for every Orientation value of a stored Quadrants picture
// (red top left, green top right, blue bottom left, yellow bottom right).
const QRgb kRed = qRgb(220, 30, 30), kGreen = qRgb(30, 200, 40), kBlue = qRgb(30, 40, 210),
           kYellow = qRgb(240, 230, 40);
struct Corners {
    QRgb topLeft, topRight, bottomLeft, bottomRight;
};
const Corners kUpright[9] = {
    {},
    {kRed, kGreen, kBlue, kYellow}, // 1
    {kGreen, kRed, kYellow, kBlue}, // 2 mirrored
    {kYellow, kBlue, kGreen, kRed}, // 3 turned half way
    {kBlue, kYellow, kRed, kGreen}, // 4 flipped
    {kRed, kBlue, kGreen, kYellow}, // 5 transposed
    {kBlue, kRed, kYellow, kGreen}, // 6 turned right
    {kYellow, kGreen, kBlue, kRed}, // 7 transversed
    {kGreen, kYellow, kRed, kBlue}, // 8 turned left
};

// True when `c` is one of the four colours, give or take what JPEG and scaling do to it.
bool near(QRgb c, QRgb expected) {
    return std::abs(qRed(c) - qRed(expected)) + std::abs(qGreen(c) - qGreen(expected)) +
               std::abs(qBlue(c) - qBlue(expected)) <
           90;
}

void expectCorners(const QImage& image, int orientation) {
    const Corners& c = kUpright[orientation];
    const int r = image.width() - 3;
    const int b = image.height() - 3;
    EXPECT_TRUE(near(image.pixel(2, 2), c.topLeft)) << orientation;
    EXPECT_TRUE(near(image.pixel(r, 2), c.topRight)) << orientation;
    EXPECT_TRUE(near(image.pixel(2, b), c.bottomLeft)) << orientation;
    EXPECT_TRUE(near(image.pixel(r, b), c.bottomRight)) << orientation;
}

TEST(Orientation, ImagesAndRastersTurnTheSameWay) {
    const QImage stored = fixtures::Quadrants(30, 20);
    for (int o = 1; o <= 8; ++o) {
        const QImage upright = ApplyOrientation(stored, o);
        EXPECT_EQ(upright.size(), OrientationSwapsSides(o) ? QSize(20, 30) : QSize(30, 20));
        expectCorners(upright, o);
        for (int depth : {24, 32}) {
            Raster raster = depth == 24 ? ImageToRaster24(stored) : ImageToRaster32(stored);
            EXPECT_EQ(RasterToImage(ApplyOrientation(raster, o)), upright) << o << " " << depth;
        }
    }
    EXPECT_EQ(ApplyOrientation(stored, 0), stored);
    EXPECT_EQ(ApplyOrientation(stored, 9), stored);
}

TEST(Orientation, IndexedRastersKeepTheirBits) {
    for (int bits : {1, 4, 8}) {
        Raster r = Raster::allocate(13, 5, bits);
        const int entries = 1 << bits;
        for (int i = 0; i < entries; ++i)
            r.palette.push_back(qRgb(i * 255 / (entries - 1), i, 255 - i));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) {
                const int v = (x * 3 + y * 5) % entries;
                if (bits == 8)
                    r.row(y)[x] = static_cast<std::uint8_t>(v);
                else if (bits == 4)
                    r.row(y)[x / 2] |= static_cast<std::uint8_t>(x % 2 ? v : v << 4);
                else
                    r.row(y)[x / 8] |= static_cast<std::uint8_t>(v << (7 - x % 8));
            }
        const QImage image = RasterToImage(r);
        for (int o = 1; o <= 8; ++o)
            EXPECT_EQ(RasterToImage(ApplyOrientation(r, o)), ApplyOrientation(image, o)) << bits << " " << o;
        // Back to 24 bits through the palette.
        EXPECT_EQ(RasterToImage(RasterTo24(r)), image);
    }
}

TEST(Orientation, EveryLoadOfAJpegOrTiffIsUpright) {
    QTemporaryDir dir;
    const QImage stored = fixtures::Quadrants(120, 80);
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        fixtures::ExifSpec exif;
        exif.orientation = o;
        exif.thumbnail = fixtures::JpegBytes(fixtures::Quadrants(40, 30), 90, false, false);
        const QString jpg = dir.filePath(QString("o%1.jpg").arg(o));
        ASSERT_TRUE(fixtures::WriteFile(
            jpg, fixtures::InsertAfterSoi(fixtures::JpegBytes(stored, 95),
                                          {fixtures::Segment(0xE1, fixtures::ExifPayload(exif))})));
        const PhotoLoad photo = LoadPhoto(jpg);
        ASSERT_TRUE(photo.ok());
        expectCorners(photo.bitmap, o);
        expectCorners(RasterToImage(LoadPhotoRaster(jpg).raster), o);
        const ThumbnailLoad thumb = LoadThumbnail(jpg);
        ASSERT_TRUE(thumb.ok());
        EXPECT_EQ(thumb.image.size(), OrientationSwapsSides(o) ? QSize(55, 83) : QSize(96, 64));
        expectCorners(thumb.image, o);
        expectCorners(LoadExifPreview(jpg), o);

        fixtures::TiffSpec spec = fixtures::Tiff(120, 80, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW);
        spec.orientation = o;
        const QImage rgb = stored.convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < 80; ++y)
            spec.pixels.insert(spec.pixels.end(), rgb.constScanLine(y), rgb.constScanLine(y) + 360);
        const QString tif = dir.filePath(QString("o%1.tif").arg(o));
        ASSERT_TRUE(fixtures::WriteTiff(tif, spec));
        expectCorners(LoadPhoto(tif).bitmap, o);
        expectCorners(LoadThumbnail(tif).image, o);
    }
}

} // namespace
