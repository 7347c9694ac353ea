#include "imagefixtures.h"
#include "testsupport.h"

#include "imaging/imagefile.h"
#include "imaging/jpegdecoder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <tiffio.h>

using namespace imaging;

namespace {

using ImageFile = fixtures::FolderTest;

TEST_F(ImageFile, JpegLoadsIntoAnOpaqueWorkingBitmapWithoutExif) {
    const QImage picture = fixtures::Smooth(64, 48);
    const PhotoLoad load = LoadPhoto(write("p.jpg", fixtures::JpegBytes(picture)));
    ASSERT_TRUE(load.ok()) << load.errorText.toStdString();
    EXPECT_EQ(load.bitmap.format(), QImage::Format_ARGB32);
    EXPECT_LE(fixtures::MaxChannelDiff(load.bitmap, picture), 12);
    EXPECT_TRUE(fixtures::AllOpaque(load.bitmap));
    EXPECT_EQ(load.exifLines, QStringList{"<brak danych>"});
}

// Qt's own JPEG reader serves as an independent decoder for photos stored upright.
TEST_F(ImageFile, JpegColoursMatchAnIndependentDecoder) {
    for (const char* name : {"cmyk_adobe_MM_thumb_jfif.jpg", "noexif_progressive.jpg",
                             "noexif_arithmetic.jpg", "nintendo_3ds_MM_thumb_mpo.jpg"}) {
        const QString p = testsupport::corpusFile(name);
        EXPECT_LE(
            fixtures::MaxChannelDiff(LoadPhoto(p).bitmap, QImage(p).convertToFormat(QImage::Format_ARGB32)),
            2)
            << name;
    }
}

TEST_F(ImageFile, GreyJpegGoesThroughTheGreyRamp) {
    const QString file = write("g.jpg", fixtures::JpegBytes(fixtures::Quadrants(40, 30), 90, true));
    for (const QString& p : {file, testsupport::corpusFile("grey_noexif.jpg")}) {
        const RasterLoad raster = LoadPhotoRaster(p);
        ASSERT_TRUE(raster.ok());
        ASSERT_EQ(raster.raster.bitsPerPixel, 8);
        ASSERT_EQ(raster.raster.palette.size(), 256u);
        for (int i = 0; i < 256; ++i)
            EXPECT_EQ(raster.raster.palette[static_cast<std::size_t>(i)] & 0xFFFFFF,
                      qRgb(i, i, i) & 0xFFFFFF);
        const PhotoLoad photo = LoadPhoto(p);
        ASSERT_TRUE(photo.ok());
        for (int y = 0; y < photo.bitmap.height(); y += 7)
            for (int x = 0; x < photo.bitmap.width(); x += 5) {
                const int v = raster.raster.row(y)[x];
                EXPECT_EQ(photo.bitmap.pixel(x, y), qRgba(v, v, v, 255));
            }
    }
}

// A picture of 1-bit pixels: a diagonal band of ones.
std::vector<std::uint8_t> bilevelPattern(int w, int h) {
    const int stride = (w + 7) / 8;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(stride * h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x + y) % 7 < 3)
                bits[static_cast<std::size_t>(y * stride + x / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
    return bits;
}

TEST_F(ImageFile, BilevelTiffIsExactlyBlackAndWhite) {
    struct Case {
        int photometric;
        int compression;
        int tile;
    };
    const Case cases[] = {{PHOTOMETRIC_MINISWHITE, COMPRESSION_NONE, 0},
                          {PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, 0},
                          {PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX4, 0},
                          {PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX3, 0},
                          {PHOTOMETRIC_MINISBLACK, COMPRESSION_PACKBITS, 0},
                          {PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, 16}};
    const int w = 45;
    const int h = 21;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.compression * 10 + c.photometric);
        fixtures::TiffSpec spec = fixtures::Tiff(w, h, 1, 1, c.photometric, c.compression);
        spec.tileSize = c.tile;
        spec.pixels = bilevelPattern(w, h);
        const QString file = path("b.tif");
        ASSERT_TRUE(fixtures::WriteTiff(file, spec));
        const RasterLoad raster = LoadPhotoRaster(file);
        ASSERT_TRUE(raster.ok()) << raster.errorText.toStdString();
        ASSERT_EQ(raster.raster.bitsPerPixel, 1);
        EXPECT_EQ(raster.raster.palette, (std::vector<QRgb>{qRgb(0, 0, 0), qRgb(255, 255, 255)}));
        const PhotoLoad photo = LoadPhoto(file);
        ASSERT_TRUE(photo.ok());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool one = (x + y) % 7 < 3;
                // A set bit is black where the file says zero is white, and the other way round.
                const bool white = c.photometric == PHOTOMETRIC_MINISWHITE ? !one : one;
                ASSERT_EQ(photo.bitmap.pixel(x, y), white ? 0xFFFFFFFFu : 0xFF000000u) << x << "," << y;
            }
    }
    for (const char* name : {"tiff_bilevel_g4.tiff", "tiff_bilevel_none_miniswhite.tiff",
                             "tiff_bilevel_g3_multipage_fax.tiff"}) {
        const PhotoLoad photo = LoadPhoto(testsupport::corpusFile(name));
        ASSERT_TRUE(photo.ok()) << name;
        for (int y = 0; y < photo.bitmap.height(); y += 3)
            for (int x = 0; x < photo.bitmap.width(); x += 3) {
                const QRgb p = photo.bitmap.pixel(x, y);
                ASSERT_TRUE(p == 0xFFFFFFFFu || p == 0xFF000000u) << name;
            }
    }
}

TEST_F(ImageFile, TiffDepthsAndCompressionsKeepTheirPixels) {
    const int w = 37;
    const int h = 19;
    struct Case {
        const char* name;
        int bits;
        int samples;
        int photometric;
        int compression;
        int tile;
        int depth; // of the raster
    };
    const Case cases[] = {
        {"grey8", 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE, 0, 8},
        {"grey8 lzw tiled", 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW, 16, 8},
        {"palette8 deflate", 8, 1, PHOTOMETRIC_PALETTE, COMPRESSION_ADOBE_DEFLATE, 0, 8},
        {"palette4 packbits", 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_PACKBITS, 0, 4},
        {"palette4 tiled", 4, 1, PHOTOMETRIC_PALETTE, COMPRESSION_NONE, 16, 4},
        {"rgb lzw", 8, 3, PHOTOMETRIC_RGB, COMPRESSION_LZW, 0, 24},
        {"rgb tiled deflate", 8, 3, PHOTOMETRIC_RGB, COMPRESSION_ADOBE_DEFLATE, 16, 24},
        {"rgba", 8, 4, PHOTOMETRIC_RGB, COMPRESSION_NONE, 0, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fixtures::TiffSpec spec = fixtures::Tiff(w, h, c.bits, c.samples, c.photometric, c.compression);
        spec.tileSize = c.tile;
        spec.extraSamples = c.samples == 4 ? 1 : 0;
        const std::size_t rowBytes = (static_cast<std::size_t>(w) * c.bits * c.samples + 7) / 8;
        spec.pixels.resize(rowBytes * h);
        for (std::size_t i = 0; i < spec.pixels.size(); ++i)
            spec.pixels[i] = static_cast<std::uint8_t>((i * 37 + i / rowBytes * 11) & 0xFF);
        if (c.samples == 4)
            for (std::size_t i = 3; i < spec.pixels.size(); i += 4)
                spec.pixels[i] = 255; // opaque, so that premultiplying changes nothing
        const int entries = 1 << c.bits;
        if (c.photometric == PHOTOMETRIC_PALETTE)
            for (int ch = 0; ch < 3; ++ch)
                for (int i = 0; i < entries; ++i)
                    spec.colormap.push_back(static_cast<std::uint16_t>(((i * (ch + 3) * 29) % 256) * 257));
        ASSERT_TRUE(fixtures::WriteTiff(path("t.tif"), spec));
        const RasterLoad load = LoadPhotoRaster(path("t.tif"));
        ASSERT_TRUE(load.ok()) << load.errorText.toStdString();
        ASSERT_EQ(load.raster.bitsPerPixel, c.depth);
        ASSERT_EQ(load.raster.width, w);
        const PhotoLoad photo = LoadPhoto(path("t.tif"));
        ASSERT_TRUE(photo.ok());
        // The wizard saves such rasters as they are, indexed ones through their palette: the same file
        // as from the working bitmap.
        ASSERT_TRUE(SaveJpeg(load.raster, path("r.jpg"), 90).ok());
        ASSERT_TRUE(SaveJpeg(photo.bitmap, path("b.jpg"), 90).ok());
        EXPECT_EQ(fixtures::ReadFile(path("r.jpg")), fixtures::ReadFile(path("b.jpg")));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* row = spec.pixels.data() + static_cast<std::size_t>(y) * rowBytes;
                QRgb expected = 0;
                if (c.samples >= 3) {
                    expected = qRgb(row[x * c.samples], row[x * c.samples + 1], row[x * c.samples + 2]);
                } else {
                    const int v = c.bits == 8 ? row[x] : (x & 1 ? row[x / 2] & 15 : row[x / 2] >> 4);
                    expected = c.photometric == PHOTOMETRIC_PALETTE
                                   ? qRgb(spec.colormap[static_cast<std::size_t>(v)] >> 8,
                                          spec.colormap[static_cast<std::size_t>(entries + v)] >> 8,
                                          spec.colormap[static_cast<std::size_t>(2 * entries + v)] >> 8)
                                   : qRgb(v, v, v);
                }
                ASSERT_EQ(photo.bitmap.pixel(x, y), expected) << x << "," << y;
            }
    }
}

TEST_F(ImageFile, JpegInTiffAndTheFirstPageOfAMultiPageFileLoad) {
    fixtures::TiffSpec spec = fixtures::Tiff(64, 48, 8, 3, PHOTOMETRIC_RGB, COMPRESSION_JPEG);
    const QImage picture = fixtures::Smooth(64, 48).convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < 48; ++y)
        spec.pixels.insert(spec.pixels.end(), picture.constScanLine(y), picture.constScanLine(y) + 64 * 3);
    ASSERT_TRUE(fixtures::WriteTiff(path("j.tif"), spec));
    const PhotoLoad jpeg = LoadPhoto(path("j.tif"));
    ASSERT_TRUE(jpeg.ok()) << jpeg.errorText.toStdString();
    EXPECT_LE(fixtures::MaxChannelDiff(jpeg.bitmap, picture), 12);

    spec.compression = COMPRESSION_LZW;
    spec.pages = 3;
    ASSERT_TRUE(fixtures::WriteTiff(path("m.tif"), spec));
    const PhotoLoad multi = LoadPhoto(path("m.tif"));
    ASSERT_TRUE(multi.ok());
    EXPECT_EQ(fixtures::MaxChannelDiff(multi.bitmap, picture), 0);
    EXPECT_TRUE(LoadPhoto(testsupport::corpusFile("tiff_ycbcr_jpeg_tiled.tiff")).ok());
    EXPECT_EQ(LoadPhoto(testsupport::corpusFile("tiff_multipage_palette1.tiff")).bitmap.size(),
              QSize(10, 10));
}

TEST_F(ImageFile, SixteenBitImagesAreRefusedWithTheDepthError) {
    fixtures::TiffSpec spec = fixtures::Tiff(8, 8, 16, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_NONE);
    spec.pixels.assign(8 * 8 * 2, 0x40);
    ASSERT_TRUE(fixtures::WriteTiff(path("16.tif"), spec));
    for (const QString& p : {path("16.tif"), testsupport::corpusFile("tiff_grey16_must_refuse.tiff"),
                             testsupport::corpusFile("tiff_rgb16_must_refuse.tiff")}) {
        const PhotoLoad photo = LoadPhoto(p);
        EXPECT_TRUE(photo.depthRefused());
        EXPECT_TRUE(photo.bitmap.isNull());
        EXPECT_EQ(ViewerLoadMessage(photo),
                  QString("Tylko obrazy 1, 4, 8, 24 lub 32 BitsPerPixel są obsługiwane w tym programie!"));
        EXPECT_EQ(WizardLoadMessage(photo),
                  QString("Only 1, 4, 8, 24 or 32 BitsPerPixel are supported in this demo !"));
        EXPECT_TRUE(LoadPhotoRaster(p).depthRefused());
        EXPECT_TRUE(LoadThumbnail(p).depthRefused());
    }
}

TEST_F(ImageFile, ExifLinesComeInDirectoryOrder) {
    const QByteArray thumb = fixtures::JpegBytes(fixtures::Quadrants(32, 24), 80, false, false);
    fixtures::ExifSpec exif;
    exif.orientation = 1;
    exif.thumbnail = thumb;
    const QString file =
        write("e.jpg", fixtures::InsertAfterSoi(fixtures::JpegBytes(fixtures::Quadrants(16, 16)),
                                                {fixtures::Segment(0xE1, fixtures::ExifPayload(exif))}));
    const PhotoLoad photo = LoadPhoto(file);
    ASSERT_TRUE(photo.ok());
    ASSERT_GE(photo.exifLines.size(), 3);
    EXPECT_EQ(photo.exifLines[0], "Producent = PIXCAM");
    EXPECT_TRUE(photo.exifLines[1].startsWith("Orientacja = "));
    EXPECT_TRUE(photo.exifLines[2].startsWith("Kompresja = ")); // IFD1 comes last

    const PhotoLoad camera = LoadPhoto(testsupport::corpusFile("canon_s40_II_thumb.jpg"));
    ASSERT_TRUE(camera.ok());
    const auto at = [&](const QString& prefix) {
        for (int i = 0; i < camera.exifLines.size(); ++i)
            if (camera.exifLines[i].startsWith(prefix))
                return i;
        return -1;
    };
    EXPECT_EQ(camera.exifLines.value(at("Producent = ")), "Producent = Canon");
    EXPECT_LT(at("Producent = "), at("Czas ekspozycji = "));
    EXPECT_LT(at("Czas ekspozycji = "), at("Indeks Interoperability = "));
    EXPECT_LT(at("Indeks Interoperability = "), at("Kompresja = Kompresja JPEG"));
    EXPECT_EQ(camera.exifLines.last(), QString::fromUtf8("Jednostka rozdzielczości = Cal"));

    const PhotoLoad tiff = LoadPhoto(testsupport::corpusFile("tiff_rgba8_none_MM_exif.tiff"));
    ASSERT_TRUE(tiff.ok());
    EXPECT_TRUE(tiff.exifLines.contains("Model = NIKON D1X"));
    for (const char* name : {"tiff_rgb8_none.tiff", "noexif_jfif_baseline.jpg"})
        EXPECT_EQ(LoadPhoto(testsupport::corpusFile(name)).exifLines, QStringList{"<brak danych>"}) << name;
}

TEST_F(ImageFile, ThumbnailsFitTheBoxWithTheAspectRatio) {
    const QString big = write("big.jpg", fixtures::JpegBytes(fixtures::Quadrants(4000, 3000), 70));
    const ThumbnailLoad thumb = LoadThumbnail(big);
    ASSERT_TRUE(thumb.ok());
    EXPECT_EQ(thumb.image.size(), QSize(96, 72));
    EXPECT_EQ(thumb.image.format(), QImage::Format_ARGB32);
    EXPECT_TRUE(fixtures::AllOpaque(thumb.image));
    EXPECT_LE(fixtures::MaxChannelDiff(thumb.image, fixtures::Quadrants(96, 72)), 60); // edges blur
    EXPECT_EQ(qRed(thumb.image.pixel(10, 10)) / 20, 220 / 20);
    // A 4000 × 3000 photo is decoded at an eighth, 500 × 375, which is still twice 96 × 72.
    EXPECT_EQ(detail::JpegScaleFor(4000, 3000, 96, 83), 1);
    EXPECT_EQ(detail::JpegScaleFor(800, 600, 96, 83), 2);
    EXPECT_EQ(detail::JpegScaleFor(150, 91, 96, 83), 8);

    struct Case {
        int w, h, tw, th;
    };
    for (const Case c : {Case{3000, 4000, 62, 83}, Case{50, 40, 50, 40}, Case{2000, 10, 96, 1}}) {
        int tw = 0;
        int th = 0;
        detail::FitInBox(c.w, c.h, 96, 83, tw, th);
        EXPECT_EQ(QSize(tw, th), QSize(c.tw, c.th));
    }
    fixtures::TiffSpec spec = fixtures::Tiff(300, 200, 8, 1, PHOTOMETRIC_MINISBLACK, COMPRESSION_LZW);
    spec.pixels.assign(300 * 200, 0x80);
    ASSERT_TRUE(fixtures::WriteTiff(path("t.tif"), spec));
    const ThumbnailLoad tiff = LoadThumbnail(path("t.tif"));
    ASSERT_TRUE(tiff.ok());
    EXPECT_EQ(tiff.image.size(), QSize(96, 64));
    EXPECT_EQ(tiff.image.pixel(40, 30), qRgb(0x80, 0x80, 0x80));
}

TEST_F(ImageFile, CorpusPhotosLoadAtTheirOwnSizeAndThumbnailsFit) {
    QFile manifest(testsupport::corpusFile("MANIFEST.tsv"));
    ASSERT_TRUE(manifest.open(QIODevice::ReadOnly));
    manifest.readLine();
    int loaded = 0;
    while (!manifest.atEnd()) {
        const QList<QByteArray> cols = manifest.readLine().split('\t');
        const QString name = QString::fromUtf8(cols[0]);
        const QList<QByteArray> size = cols[4].split(' ').first().split('x');
        if (name.startsWith("damaged_") || name.contains("must_refuse") || name.contains("12bit") ||
            size.size() != 2)
            continue;
        SCOPED_TRACE(name.toStdString());
        const QSize stored(size[0].toInt(), size[1].toInt());
        const PhotoLoad photo = LoadPhoto(testsupport::corpusFile(name));
        ASSERT_TRUE(photo.ok()) << photo.errorText.toStdString();
        EXPECT_TRUE(photo.bitmap.size() == stored || photo.bitmap.size() == stored.transposed());
        const ThumbnailLoad thumb = LoadThumbnail(testsupport::corpusFile(name));
        ASSERT_TRUE(thumb.ok());
        EXPECT_LE(thumb.image.width(), 96);
        EXPECT_LE(thumb.image.height(), 83);
        EXPECT_NEAR(static_cast<double>(thumb.image.width()) / thumb.image.height(),
                    static_cast<double>(photo.bitmap.width()) / photo.bitmap.height(), 0.1);
        ++loaded;
    }
    EXPECT_GE(loaded, 40);
}

} // namespace
