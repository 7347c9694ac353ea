// The loaders: every depth and compression decoded to its own pixels, upright whatever the EXIF or TIFF
// orientation, EXIF lines in Polish and in directory order, thumbnails that fit their box.
#include "imagefixtures.h"

#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"
#include "imaging/orientation.h"
#include "imaging/rasterconvert.h"

#include <tiffio.h>

using namespace imaging;
using fixtures::TempFolder;

namespace {

QImage bitmapOf(const QString& path) {
    const PhotoLoad load = LoadPhoto(path);
    EXPECT_TRUE(load.ok()) << path.toStdString() << ": " << load.errorText.toStdString();
    return load.bitmap;
}

TEST(Loaders, JpegsMatchAnIndependentDecoderGreyOnesTheirRampAndNoExifMeansNoLines) {
    const TempFolder dir;
    const QImage picture = fixtures::Smooth(64, 48);
    const PhotoLoad made = LoadPhoto(dir.write("p.jpg", fixtures::JpegBytes(picture)));
    ASSERT_TRUE(made.ok());
    EXPECT_EQ(made.bitmap.format(), QImage::Format_ARGB32);
    EXPECT_LE(fixtures::MaxChannelDiff(made.bitmap, picture, true), 12); // opaque too
    EXPECT_EQ(made.exifLines, QStringList{"<brak danych>"});
    // Qt's own JPEG reader decodes these upright photos independently.
    for (const char* name : {"cmyk_adobe_MM_thumb_jfif.jpg", "noexif_progressive.jpg",
                             "noexif_arithmetic.jpg", "nintendo_3ds_MM_thumb_mpo.jpg"}) {
        const QString p = testsupport::corpusFile(name);
        EXPECT_LE(fixtures::MaxChannelDiff(bitmapOf(p), QImage(p).convertToFormat(QImage::Format_ARGB32)), 2)
            << name;
    }
    // Grey JPEGs go through the grey ramp.
    const RasterLoad grey = LoadPhotoRaster(testsupport::corpusFile("grey_noexif.jpg"));
    ASSERT_EQ(grey.raster.bitsPerPixel, 8);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(grey.raster.palette.at(std::size_t(i)), qRgb(i, i, i));
    EXPECT_EQ(bitmapOf(testsupport::corpusFile("grey_noexif.jpg")),
              RasterToImage(grey.raster).convertToFormat(QImage::Format_ARGB32));
}

// Every TIFF layout against the pixels it was written with: 1-bit with both meanings of zero, palettes,
// grey, RGB(A), strips and tiles, each compression.
TEST(Loaders, TiffDepthsAndCompressionsKeepTheirPixels) {
    const TempFolder dir;
    const int w = 37, h = 19;
    struct Case {
        int bits, samples, photometric, compression, tile, depth;
    };
    // Photometric 0 min-is-white, 1 min-is-black, 2 RGB, 3 palette; compression 1 none, 3 G3, 4 G4, 5 LZW,
    // 8 deflate, 32773 PackBits.
    const Case cases[] = {{1, 1, 0, 1, 0, 1},     {1, 1, 1, 1, 0, 1},     {1, 1, 0, 4, 0, 1},
                          {1, 1, 0, 3, 0, 1},     {1, 1, 1, 32773, 0, 1}, {1, 1, 1, 5, 16, 1},
                          {8, 1, 1, 1, 0, 8},     {8, 1, 1, 5, 16, 8},    {8, 1, 3, 8, 0, 8},
                          {4, 1, 3, 32773, 0, 4}, {4, 1, 3, 1, 16, 4},    {8, 3, 2, 5, 0, 24},
                          {8, 3, 2, 8, 16, 24},   {8, 4, 2, 1, 0, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << "x" << c.samples << " photometric " << c.photometric
                                        << " compression " << c.compression << " tile " << c.tile);
        fixtures::TiffSpec spec = fixtures::Tiff(w, h, c.bits, c.samples, c.photometric, c.compression);
        spec.tileSize = c.tile;
        spec.extraSamples = c.samples == 4 ? 1 : 0;
        const std::size_t rowBytes = (static_cast<std::size_t>(w) * c.bits * c.samples + 7) / 8;
        for (std::size_t i = 0; i < rowBytes * h; ++i)
            spec.pixels.push_back(c.samples == 4 && i % 4 == 3
                                      ? 255 // opaque: premultiplying changes nothing
                                      : static_cast<std::uint8_t>(i * 37 + i / rowBytes * 11));
        const int entries = 1 << c.bits;
        if (c.photometric == PHOTOMETRIC_PALETTE)
            for (int ch = 0; ch < 3; ++ch)
                for (int i = 0; i < entries; ++i)
                    spec.colormap.push_back(static_cast<std::uint16_t>(((i * (ch + 3) * 29) % 256) * 257));
        QImage expected(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* row = spec.pixels.data() + y * rowBytes;
                const int v = c.bits == 8   ? row[x * c.samples]
                              : c.bits == 4 ? (x & 1 ? row[x / 2] & 15 : row[x / 2] >> 4)
                                            : (row[x / 8] >> (7 - x % 8)) & 1;
                const auto map = [&](int ch) {
                    return spec.colormap[static_cast<std::size_t>(ch * entries + v)] >> 8;
                };
                const int grey = c.bits == 1 ? (v == (c.photometric == PHOTOMETRIC_MINISBLACK) ? 255 : 0) : v;
                expected.setPixel(x, y,
                                  c.samples >= 3 ? qRgb(v, row[x * c.samples + 1], row[x * c.samples + 2])
                                  : c.photometric == PHOTOMETRIC_PALETTE ? qRgb(map(0), map(1), map(2))
                                                                         : qRgb(grey, grey, grey));
            }
        const QString file = dir.path(QStringLiteral("t%1.tif").arg(&c - cases));
        ASSERT_TRUE(fixtures::WriteTiff(file, spec));
        const RasterLoad load = LoadPhotoRaster(file);
        ASSERT_TRUE(load.ok()) << load.errorText.toStdString();
        ASSERT_EQ(load.raster.bitsPerPixel, c.depth);
        const QImage photo = bitmapOf(file);
        EXPECT_EQ(photo, expected);
        // The wizard saves rasters as they are, indexed ones through their palette: the same file as from
        // the working bitmap.
        ASSERT_TRUE(SaveJpeg(load.raster, dir.path("r.jpg"), 90).ok());
        ASSERT_TRUE(SaveJpeg(photo, dir.path("b.jpg"), 90).ok());
        EXPECT_EQ(fixtures::ReadFile(dir.path("r.jpg")), fixtures::ReadFile(dir.path("b.jpg")));
    }
}

// The upright corners of a stored Quadrants picture for every Orientation value.
const QRgb kRed = qRgb(220, 30, 30), kGreen = qRgb(30, 200, 40), kBlue = qRgb(30, 40, 210),
           kYellow = qRgb(240, 230, 40);
const std::array<QRgb, 4> kUpright[9] = {{},
                                         {kRed, kGreen, kBlue, kYellow},
                                         {kGreen, kRed, kYellow, kBlue},
                                         {kYellow, kBlue, kGreen, kRed},
                                         {kBlue, kYellow, kRed, kGreen},
                                         {kRed, kBlue, kGreen, kYellow},
                                         {kBlue, kRed, kYellow, kGreen},
                                         {kYellow, kGreen, kBlue, kRed},
                                         {kGreen, kYellow, kRed, kBlue}};

// Top left, top right, bottom left, bottom right each near its colour, give or take JPEG and scaling.
void expectCorners(const QImage& image, int orientation, const char* what) {
    const int r = image.width() - 3, b = image.height() - 3;
    const QPoint at[4] = {{2, 2}, {r, 2}, {2, b}, {r, b}};
    for (int i = 0; i < 4; ++i) {
        const QRgb c = image.pixel(at[i]), e = kUpright[orientation][static_cast<std::size_t>(i)];
        EXPECT_LT(
            std::abs(qRed(c) - qRed(e)) + std::abs(qGreen(c) - qGreen(e)) + std::abs(qBlue(c) - qBlue(e)), 90)
            << what << " orientation " << orientation << " corner " << i;
    }
}

TEST(Orientation, EveryLoaderImagesAndRastersOfEveryDepthComeUpright) {
    const TempFolder dir;
    const QImage stored = fixtures::Quadrants(120, 80);
    for (int o = 1; o <= 8; ++o) {
        const QImage upright = ApplyOrientation(stored, o);
        EXPECT_EQ(upright.size(), OrientationSwapsSides(o) ? QSize(80, 120) : QSize(120, 80));
        expectCorners(upright, o, "image");
        EXPECT_EQ(RasterToImage(ApplyOrientation(ImageToRaster24(stored), o)), upright) << o;
        EXPECT_EQ(RasterToImage(ApplyOrientation(ImageToRaster32(stored), o)), upright) << o;

        fixtures::ExifSpec exif;
        exif.orientation = o;
        exif.thumbnail = fixtures::JpegBytes(fixtures::Quadrants(40, 30), 90, false, false);
        const QString jpg = dir.write(QString("o%1.jpg").arg(o), fixtures::JpegWithExif(stored, exif));
        expectCorners(bitmapOf(jpg), o, "jpeg");
        expectCorners(RasterToImage(LoadPhotoRaster(jpg).raster), o, "jpeg raster");
        const ThumbnailLoad thumb = LoadThumbnail(jpg);
        EXPECT_EQ(thumb.image.size(), OrientationSwapsSides(o) ? QSize(55, 83) : QSize(96, 64));
        expectCorners(thumb.image, o, "jpeg thumbnail");
        expectCorners(LoadExifPreview(jpg), o, "exif preview");
        fixtures::TiffSpec spec = fixtures::RgbTiff(stored, COMPRESSION_LZW);
        spec.orientation = o;
        const QString tif = dir.path(QString("o%1.tif").arg(o));
        ASSERT_TRUE(fixtures::WriteTiff(tif, spec));
        expectCorners(bitmapOf(tif), o, "tiff");
        expectCorners(RasterToImage(LoadPhotoRaster(tif).raster), o, "tiff raster");
        expectCorners(LoadThumbnail(tif).image, o, "tiff thumbnail");
    }
    EXPECT_EQ(ApplyOrientation(stored, 0), stored);
    EXPECT_EQ(ApplyOrientation(stored, 9), stored);
    // Indexed rasters keep their bits through every turn, and go to 24 bits through the palette.
    for (int bits : {1, 4, 8}) {
        Raster r = Raster::allocate(13, 5, bits);
        const int entries = 1 << bits;
        for (int i = 0; i < entries; ++i)
            r.palette.push_back(qRgb(i * 255 / (entries - 1), i, 255 - i));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) {
                const int v = (x * 3 + y * 5) % entries;
                const int perByte = 8 / bits;
                r.row(y)[x / perByte] |= static_cast<std::uint8_t>(v << (8 - bits - (x % perByte) * bits));
            }
        const QImage image = RasterToImage(r);
        for (int o = 1; o <= 8; ++o)
            EXPECT_EQ(RasterToImage(ApplyOrientation(r, o)), ApplyOrientation(image, o)) << bits << " " << o;
        EXPECT_EQ(RasterToImage(RasterTo24(r)), image);
    }
}

} // namespace

TEST(Loaders, ExifLinesComeInDirectoryOrderInPolishWhateverTheSystemSpeaks) {
    const QStringList camera = LoadPhoto(testsupport::corpusFile("canon_s40_II_thumb.jpg")).exifLines;
    const auto at = [&](const char* prefix) {
        return camera.indexOf(QRegularExpression(prefix + QString(".*")));
    };
    EXPECT_TRUE(camera.contains("Producent = Canon"));
    EXPECT_LT(at("Producent = "), at("Czas ekspozycji = "));
    EXPECT_LT(at("Czas ekspozycji = "), at("Kompresja = Kompresja JPEG")); // the thumbnail's directory last
    EXPECT_EQ(LoadPhoto(testsupport::corpusFile("tiff_rgb8_none.tiff")).exifLines,
              QStringList{"<brak danych>"});

    const QStringList expected = {QString::fromUtf8("Orientacja = Lewy górny róg"),
                                  QString::fromUtf8("Szybkość migawki = 7.38 EV (1/166 sek.)"),
                                  QString::fromUtf8("Flesz = Flesz się uruchomił w trybie pulsującym"),
                                  QString::fromUtf8("Model = Canon EOS 40D")}; // a camera's own text stays
    const QByteArray language = qgetenv("LANGUAGE");
    QStringList first;
    for (const char* system : {"", "de", "en_US:en"}) {
        qputenv("LANGUAGE", system);
        const QStringList lines = LoadPhoto(testsupport::corpusFile("canon_40d_II_thumb_jfif.jpg")).exifLines;
        for (const QString& line : expected)
            EXPECT_TRUE(lines.contains(line)) << system << ": " << line.toStdString();
        EXPECT_TRUE(first.isEmpty() || lines == first) << system;
        first = lines;
    }
    qputenv("LANGUAGE", language);
}
