// Crafted and fuzzed files against the loaders: every lying header ends with its own error text, no
// exception leaves a load (not even on a pool thread) and nothing large is allocated for data that is
// not in the file.
#include "allocationwatch.h"
#include "craftedtiff.h"
#include "imagefixtures.h"
#include "testsupport.h"

#include "core/codec.h"
#include "imaging/exifitems.h"
#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"
#include "imaging/raster.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentMap>

#include <gtest/gtest.h>

#include <optional>

using namespace imaging;

namespace {

constexpr std::size_t kBudget = std::size_t{64} << 20;

// The regression files kept from fuzzing, beside this source file.
QDir regressionFolder() {
    const QFileInfo source(QString::fromUtf8(__FILE__));
    const QString folder =
        source.isAbsolute()
            ? source.absolutePath()
            : QFileInfo(QDir(QStringLiteral(PIXVALE_BINARY_DIR)).filePath(QString::fromUtf8(__FILE__)))
                  .absolutePath();
    return QDir(folder + QStringLiteral("/regressions"));
}

// A JPEG stream cut at `fraction` of its length and closed with an end-of-image marker at once.
QByteArray cutWithEndMarker(const QByteArray& jpeg, double fraction) {
    return jpeg.left(static_cast<qsizetype>(jpeg.size() * fraction)) + QByteArray("\xFF\xD9", 2);
}

using Hardening = fixtures::FolderTest;

struct Crafted {
    const char* name;
    QByteArray bytes;
    int error;
};

std::vector<Crafted> craftedFiles() {
    using crafted::kLong;
    using crafted::kShort;
    const QByteArray fourK(4000, '\x40');
    const QByteArray photo = fixtures::JpegBytes(fixtures::Smooth(512, 384), 90);
    return {
        {"text.jpg", QByteArray("hello, not a photo"), ImageErrorFormat},
        {"png.jpg", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), ImageErrorFormat},
        {"soi.jpg", QByteArray("\xFF\xD8", 2), ImageErrorCorrupt},
        {"half.jpg", photo.left(photo.size() / 2), ImageErrorCorrupt},
        {"header.jpg", photo.left(300), ImageErrorCorrupt},
        {"zero.jpg", fixtures::JpegClaimingSize(0, 16), ImageErrorCorrupt},
        {"600mp.jpg", fixtures::JpegClaimingSize(30000, 20000), ImageErrorTooLarge},
        {"huge.tif", crafted::StripClaiming(100000, 100000, 64), ImageErrorTooLarge},
        {"4gstrip.tif", crafted::StripClaiming(100, 100, 0xFFFFFFFFu), ImageErrorCorrupt},
        {"short.tif", crafted::StripClaiming(100, 100, 10000), ImageErrorCorrupt},
        {"header.tif", QByteArray("II*\0\xFF\xFF\0\0", 8), ImageErrorCorrupt},
        // Rows of 300 MB: wider than an int can count in bits.
        {"300Mx1-grey.tif", crafted::Strip(300'000'000, 1, 1, fourK), ImageErrorCorrupt},
        {"100Mx1-rgb.tif", crafted::Strip(100'000'000, 1, 3, fourK), ImageErrorCorrupt},
        {"1x390M-grey.tif", crafted::Strip(1, 390'000'000, 1, QByteArray(64, '\x55')), ImageErrorCorrupt},
        {"20000x20000-lzw.tif", crafted::Strip(20000, 20000, 1, QByteArray(64, '\x01'), 5),
         ImageErrorCorrupt},
        {"500Mx1-grey.tif", crafted::Strip(500'000'000, 1, 1, fourK), ImageErrorTooLarge},
        {"million-tiles.tif", crafted::Tiled(100, 100, 1'000'000, QByteArray(400, '\x10')),
         ImageErrorCorrupt},
        {"65536-tiles.tif", crafted::Tiled(100, 100, 65536, QByteArray(400, '\x10')), ImageErrorCorrupt},
        {"tile-over-16.tif", crafted::Tiled(100, 100, 128, QByteArray(128 * 128, '\x10')), ImageErrorCorrupt},
        // 390 million one-row strips, one offset in the file.
        {"390M-strips.tif",
         crafted::Tiff({{256, kLong, {1}},
                        {257, kLong, {390'000'000}},
                        {258, kShort, {8}},
                        {259, kShort, {1}},
                        {262, kShort, {1}},
                        {273, kLong, {crafted::kDataOffset}},
                        {278, kLong, {1}},
                        {279, kLong, {1}}},
                       QByteArray(64, '\x20')),
         ImageErrorCorrupt},
        {"16-bit.tif",
         crafted::Tiff({{256, kLong, {4}},
                        {257, kLong, {4}},
                        {258, kShort, {16}},
                        {259, kShort, {1}},
                        {262, kShort, {1}},
                        {273, kLong, {crafted::kDataOffset}},
                        {279, kLong, {32}}},
                       QByteArray(32, '\x20')),
         ImageErrorDepth},
        // The frame header claims 20000 × 20000 and the scan ends at once.
        {"20000x20000.jpg", fixtures::JpegClaimingSize(20000, 20000), ImageErrorCorrupt},
        {"20000x20000-progressive.jpg",
         fixtures::WithFrameSize(fixtures::ReadFile(testsupport::corpusFile("noexif_progressive.jpg")), 20000,
                                 20000),
         ImageErrorCorrupt},
        {"4000x3000.jpg", fixtures::JpegClaimingSize(4000, 3000), ImageErrorCorrupt},
        {"cut-then-eoi.jpg", cutWithEndMarker(photo, 0.5), ImageErrorCorrupt},
        {"65000x65000.jpg", fixtures::JpegClaimingSize(65000, 65000), ImageErrorTooLarge},
    };
}

TEST_F(Hardening, BadAndLyingFilesGiveTheirErrorTextWithoutAllocatingMuch) {
    const bool watched = allocationwatch::available(); // only in an AddressSanitizer build
    if (watched) {
        // The watch sees what a picture of 100 MB takes.
        allocationwatch::Watch watch;
        const QImage large(5000, 5000, QImage::Format_ARGB32);
        ASSERT_FALSE(large.isNull());
        EXPECT_GE(watch.largest(), std::size_t{100'000'000});
        EXPECT_GE(watch.peak(), std::size_t{100'000'000});
    }
    for (const Crafted& c : craftedFiles()) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.isEmpty());
        ASSERT_LT(c.bytes.size(), 100000);
        const QString p = write(c.name, c.bytes);
        std::optional<allocationwatch::Watch> watch;
        if (watched)
            watch.emplace();
        const PhotoLoad photo = LoadPhoto(p);
        const RasterLoad raster = LoadPhotoRaster(p);
        const ThumbnailLoad thumbnail = LoadThumbnail(p);
        const QImage preview = LoadExifPreview(p);
        if (watch) {
            EXPECT_LE(watch->largest(), kBudget);
            EXPECT_LE(watch->peak(), kBudget);
        }
        EXPECT_EQ(photo.error, c.error);
        EXPECT_EQ(photo.errorText, ImageErrorText(c.error));
        EXPECT_TRUE(photo.bitmap.isNull());
        if (c.error != ImageErrorDepth) { // the depth has a message of its own
            EXPECT_EQ(ViewerLoadMessage(photo), "Błąd odczytu pliku: " + ImageErrorText(c.error));
            EXPECT_EQ(WizardLoadMessage(photo), "File not readable: " + ImageErrorText(c.error));
        }
        EXPECT_EQ(raster.error, c.error);
        EXPECT_TRUE(raster.raster.isNull());
        EXPECT_EQ(thumbnail.error, c.error);
        EXPECT_TRUE(thumbnail.image.isNull());
        EXPECT_TRUE(preview.isNull());
    }
    EXPECT_EQ(LoadPhoto(write("empty.jpg", {})).error, ImageErrorCorrupt);
    EXPECT_EQ(LoadPhoto(path("missing.jpg")).error, ImageErrorOpen);
    EXPECT_EQ(LoadThumbnail(QString()).error, ImageErrorOpen);
    EXPECT_EQ(LoadPhoto(testsupport::corpusFile("noexif_12bit.jpg")).error, ImageErrorDepth);
}

TEST_F(Hardening, PoolThreadsLoadingCraftedFilesSeeOnlyErrors) {
    QStringList paths;
    std::vector<int> errors;
    for (const Crafted& c : craftedFiles()) {
        paths << write(c.name, c.bytes);
        errors.push_back(c.error);
    }
    const QList<int> got = QtConcurrent::blockingMapped(paths, [](const QString& p) {
        const int thumb = LoadThumbnail(p).error;
        return LoadExifPreview(p).isNull() ? thumb : -1;
    });
    ASSERT_EQ(got.size(), paths.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], errors[static_cast<std::size_t>(i)]) << paths[i].toStdString();
}

TEST_F(Hardening, FuzzFindingsStayFixed) {
    const QStringList files = regressionFolder().entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << regressionFolder().path().toStdString();
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString p = regressionFolder().filePath(name);
        EXPECT_LT(QFileInfo(p).size(), 20000);
        std::optional<allocationwatch::Watch> watch;
        if (allocationwatch::available())
            watch.emplace();
        const PhotoLoad photo = LoadPhoto(p);
        const RasterLoad raster = LoadPhotoRaster(p);
        const ThumbnailLoad thumbnail = LoadThumbnail(p);
        LoadExifPreview(p);
        if (watch) {
            EXPECT_LE(watch->largest(), kBudget);
        }
        // Each ends with an error text or a picture of the size it loaded at, never with both or neither.
        EXPECT_EQ(photo.ok(), photo.errorText.isEmpty());
        EXPECT_EQ(photo.ok(), !photo.bitmap.isNull());
        EXPECT_EQ(raster.ok(), !raster.raster.isNull());
        EXPECT_EQ(thumbnail.ok(), !thumbnail.image.isNull());
        EXPECT_EQ(photo.ok(), raster.ok());
    }
}

TEST_F(Hardening, TilesUpToThePictureRoundedUpTo16StillLoad) {
    for (const int tile : {16, 112}) {
        SCOPED_TRACE(tile);
        fixtures::TiffSpec spec = fixtures::Tiff(100, 100, 8, 1, 1, 1);
        spec.tileSize = tile;
        spec.pixels.resize(100 * 100);
        for (std::size_t i = 0; i < spec.pixels.size(); ++i)
            spec.pixels[i] = static_cast<std::uint8_t>(i % 251);
        const QString p = dir.filePath(QStringLiteral("tiles%1.tif").arg(tile));
        ASSERT_TRUE(fixtures::WriteTiff(p, spec));
        const PhotoLoad photo = LoadPhoto(p);
        ASSERT_TRUE(photo.ok()) << photo.errorText.toStdString();
        EXPECT_EQ(photo.bitmap.pixel(99, 99), qRgb(9999 % 251, 9999 % 251, 9999 % 251));
        const RasterLoad raster = LoadPhotoRaster(p);
        ASSERT_TRUE(raster.ok());
        EXPECT_EQ(raster.raster.row(50)[7], 5007 % 251);
    }
}

// Unassociated alpha keeps the stored colour: libtiff's RGBA reader would multiply it by alpha.
TEST_F(Hardening, UnassociatedAlphaKeepsTheStoredColour) {
    fixtures::TiffSpec spec = fixtures::Tiff(3, 2, 8, 4, 2, 5);
    spec.extraSamples = 1;
    spec.pixels = {255, 0, 0, 128, /**/ 10,  20,  30, 0, /**/ 0, 255, 0, 255,
                   1,   2, 3, 4,   /**/ 200, 100, 50, 1, /**/ 9, 8,   7, 6};
    const QString p = dir.filePath("unassociated.tif");
    ASSERT_TRUE(fixtures::WriteTiff(p, spec));

    const RasterLoad raster = LoadPhotoRaster(p);
    ASSERT_TRUE(raster.ok()) << raster.errorText.toStdString();
    ASSERT_EQ(raster.raster.bitsPerPixel, 32);
    const std::vector<std::uint8_t> top(raster.raster.row(0), raster.raster.row(0) + 12);
    EXPECT_EQ(top, (std::vector<std::uint8_t>{0, 0, 255, 128, 30, 20, 10, 0, 0, 255, 0, 255}));
    const std::vector<std::uint8_t> bottom(raster.raster.row(1), raster.raster.row(1) + 12);
    EXPECT_EQ(bottom, (std::vector<std::uint8_t>{3, 2, 1, 4, 50, 100, 200, 1, 7, 8, 9, 6}));

    const PhotoLoad photo = LoadPhoto(p);
    ASSERT_TRUE(photo.ok());
    EXPECT_EQ(photo.bitmap.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(photo.bitmap.pixel(1, 0), 0xFF0A141Eu); // transparent, still its own colour
    EXPECT_EQ(photo.bitmap.pixel(1, 1), 0xFFC86432u);
}

TEST_F(Hardening, GreyWithUnassociatedAlphaKeepsItsGreyToo) {
    for (const int photometric : {1, 0}) { // min-is-black, min-is-white
        SCOPED_TRACE(photometric);
        fixtures::TiffSpec spec = fixtures::Tiff(2, 1, 8, 2, photometric, 1);
        spec.extraSamples = 1;
        spec.pixels = {100, 50, 0, 0};
        const QString p = dir.filePath(QStringLiteral("greyalpha%1.tif").arg(photometric));
        ASSERT_TRUE(fixtures::WriteTiff(p, spec));
        const RasterLoad raster = LoadPhotoRaster(p);
        ASSERT_TRUE(raster.ok()) << raster.errorText.toStdString();
        const std::uint8_t v = photometric == 1 ? 100 : 155;
        const std::uint8_t black = photometric == 1 ? 0 : 255;
        EXPECT_EQ(std::vector<std::uint8_t>(raster.raster.row(0), raster.raster.row(0) + 8),
                  (std::vector<std::uint8_t>{v, v, v, 50, black, black, black, 0}));
    }
}

// The plausibility bound on compressed strips leaves real, very compressible pictures alone.
TEST_F(Hardening, FlatCompressedPicturesStillLoad) {
    struct Case {
        int bits;
        int photometric;
        int compression;
    };
    for (const Case c : {Case{8, 1, 5}, Case{8, 1, 8}, Case{8, 1, 32773}, Case{1, 0, 4}, Case{1, 0, 3}}) {
        SCOPED_TRACE(c.compression);
        fixtures::TiffSpec spec = fixtures::Tiff(2000, 2000, c.bits, 1, c.photometric, c.compression);
        spec.pixels.assign(static_cast<std::size_t>(2000) * ((2000 * c.bits + 7) / 8), c.bits == 8 ? 128 : 0);
        const QString p = dir.filePath(QStringLiteral("flat%1.tif").arg(c.compression));
        ASSERT_TRUE(fixtures::WriteTiff(p, spec));
        const PhotoLoad photo = LoadPhoto(p);
        ASSERT_TRUE(photo.ok()) << photo.errorText.toStdString() << " " << QFileInfo(p).size();
        const QRgb expected = c.bits == 8 ? qRgb(128, 128, 128) : qRgb(255, 255, 255);
        EXPECT_EQ(photo.bitmap.pixel(1999, 1999), expected);
    }
}

// An EXIF payload: IFD0 with ImageDescription and a link to the EXIF directory holding UserComment.
QByteArray exifWithTexts(const QByteArray& description, const QByteArray& comment) {
    const auto u16 = [](QByteArray& b, std::uint32_t v) {
        b.append(static_cast<char>(v & 0xFF));
        b.append(static_cast<char>((v >> 8) & 0xFF));
    };
    const auto u32 = [&](QByteArray& b, std::uint32_t v) {
        u16(b, v & 0xFFFF);
        u16(b, v >> 16);
    };
    const QByteArray text = description + QByteArray(1, '\0');
    const QByteArray userComment = QByteArray("ASCII\0\0\0", 8) + comment;
    const std::uint32_t textAt = 8 + 2 + 2 * 12 + 4;
    const auto exifAt = static_cast<std::uint32_t>(textAt + text.size() + (text.size() & 1));
    const std::uint32_t commentAt = exifAt + 2 + 12 + 4;
    QByteArray tiff("II*\0", 4);
    u32(tiff, 8);
    u16(tiff, 2);
    u16(tiff, 0x010E);
    u16(tiff, 2);
    u32(tiff, static_cast<std::uint32_t>(text.size()));
    u32(tiff, textAt);
    u16(tiff, 0x8769);
    u16(tiff, 4);
    u32(tiff, 1);
    u32(tiff, exifAt);
    u32(tiff, 0);
    tiff += text;
    if (text.size() & 1)
        tiff.append('\0');
    u16(tiff, 1);
    u16(tiff, 0x9286);
    u16(tiff, 7);
    u32(tiff, static_cast<std::uint32_t>(userComment.size()));
    u32(tiff, commentAt);
    u32(tiff, 0);
    tiff += userComment;
    return QByteArray("Exif\0\0", 6) + tiff;
}

TEST(HardeningExif, TextsThatAreNotUtf8AreReadAsWindows1250) {
    const QString polish = QStringLiteral("Zażółć gęślą jaźń – Łódź, Śnieżka");
    const QByteArray cp1250 = core::toWindows1250(polish);
    ASSERT_EQ(cp1250.size(), polish.size()); // one byte a character, none substituted
    const QStringList lines = detail::ExifLinesFromApp1(exifWithTexts(cp1250, cp1250));
    EXPECT_TRUE(lines.contains(QStringLiteral("Opis obrazu = ") + polish)) << lines.join('|').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Komentarz użytkownika = ") + polish))
        << lines.join('|').toStdString();

    // Valid UTF-8 stays UTF-8.
    const QStringList utf8 = detail::ExifLinesFromApp1(exifWithTexts(polish.toUtf8(), "plain"));
    EXPECT_TRUE(utf8.contains(QStringLiteral("Opis obrazu = ") + polish)) << utf8.join('|').toStdString();
    EXPECT_TRUE(utf8.contains(QStringLiteral("Komentarz użytkownika = plain")))
        << utf8.join('|').toStdString();
}

} // namespace
