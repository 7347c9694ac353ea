// Crafted, fuzzed and damaged files against the loaders: every lying header ends with its own error
// text, no exception leaves a load (not even on a pool thread), nothing large is allocated for data that
// is not in the file; and a failed save never damages the photo it replaces.
#include "allocationwatch.h"
#include "imagefixtures.h"

#include "core/codec.h"
#include "imaging/exifitems.h"
#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"

#include <QDir>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentMap>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

using namespace imaging;
using fixtures::kLong;
using fixtures::kShort;
using fixtures::TempFolder;

namespace {

constexpr std::size_t kBudget = std::size_t{64} << 20;

struct Crafted {
    const char* name;
    QByteArray bytes;
    int error;
};

std::vector<Crafted> craftedFiles() {
    const QByteArray fourK(4000, '\x40');
    const QByteArray photo = fixtures::JpegBytes(fixtures::Smooth(512, 384), 90);
    const auto claiming = [](std::uint32_t w, std::uint32_t h, std::int64_t bytes) {
        return fixtures::Strip(w, h, 1, QByteArray(64, '\x55'), 1, bytes);
    };
    const auto grey = [](std::uint32_t h, std::uint32_t bits, std::uint32_t rowsPerStrip,
                         std::uint32_t bytes) {
        return fixtures::TiffBytes({{{{256, kLong, {bits == 16 ? 4u : 1u}},
                                      {257, kLong, {h}},
                                      {258, kShort, {bits}},
                                      {259, kShort, {1}},
                                      {262, kShort, {1}},
                                      {273, kLong, {fixtures::kDataOffset}},
                                      {278, kLong, {rowsPerStrip}},
                                      {279, kLong, {bytes}}}}},
                                   QByteArray(64, '\x20'));
    };
    return {
        {"text.jpg", QByteArray("hello, not a photo"), ImageErrorFormat},
        {"png.jpg", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), ImageErrorFormat},
        {"soi.jpg", QByteArray("\xFF\xD8", 2), ImageErrorCorrupt},
        {"half.jpg", photo.left(photo.size() / 2), ImageErrorCorrupt},
        {"header.jpg", photo.left(300), ImageErrorCorrupt},
        {"cut-then-eoi.jpg", photo.left(photo.size() / 2) + QByteArray("\xFF\xD9", 2), ImageErrorCorrupt},
        {"zero.jpg", fixtures::JpegClaimingSize(0, 16), ImageErrorCorrupt},
        {"600mp.jpg", fixtures::JpegClaimingSize(30000, 20000), ImageErrorTooLarge},
        {"65000x65000.jpg", fixtures::JpegClaimingSize(65000, 65000), ImageErrorTooLarge},
        // The frame header claims a large picture and the scan ends at once.
        {"20000x20000.jpg", fixtures::JpegClaimingSize(20000, 20000), ImageErrorCorrupt},
        {"4000x3000.jpg", fixtures::JpegClaimingSize(4000, 3000), ImageErrorCorrupt},
        {"20000x20000-progressive.jpg",
         fixtures::WithFrameSize(fixtures::ReadFile(testsupport::corpusFile("noexif_progressive.jpg")), 20000,
                                 20000),
         ImageErrorCorrupt},
        {"huge.tif", claiming(100000, 100000, 64), ImageErrorTooLarge},
        {"4gstrip.tif", claiming(100, 100, 0xFFFFFFFFu), ImageErrorCorrupt},
        {"short.tif", claiming(100, 100, 10000), ImageErrorCorrupt},
        {"header.tif", QByteArray("II*\0\xFF\xFF\0\0", 8), ImageErrorCorrupt},
        // Rows of 300 MB: wider than an int can count in bits.
        {"300Mx1-grey.tif", fixtures::Strip(300'000'000, 1, 1, fourK), ImageErrorCorrupt},
        {"100Mx1-rgb.tif", fixtures::Strip(100'000'000, 1, 3, fourK), ImageErrorCorrupt},
        {"1x390M-grey.tif", fixtures::Strip(1, 390'000'000, 1, QByteArray(64, '\x55')), ImageErrorCorrupt},
        {"20000x20000-lzw.tif", fixtures::Strip(20000, 20000, 1, QByteArray(64, '\x01'), 5),
         ImageErrorCorrupt},
        {"500Mx1-grey.tif", fixtures::Strip(500'000'000, 1, 1, fourK), ImageErrorTooLarge},
        {"million-tiles.tif", fixtures::Tiled(100, 100, 1'000'000, QByteArray(400, '\x10')),
         ImageErrorCorrupt},
        {"65536-tiles.tif", fixtures::Tiled(100, 100, 65536, QByteArray(400, '\x10')), ImageErrorCorrupt},
        {"tile-over-16.tif", fixtures::Tiled(100, 100, 128, QByteArray(128 * 128, '\x10')),
         ImageErrorCorrupt},
        {"390M-strips.tif", grey(390'000'000, 8, 1, 1), ImageErrorCorrupt}, // one offset in the file
        {"16-bit.tif", grey(4, 16, 4, 32), ImageErrorDepth}};
}

TEST(Hardening, BadAndLyingFilesGiveTheirErrorTextWithoutAllocatingMuch) {
    const TempFolder dir;
    const bool watched = allocationwatch::available(); // only in an AddressSanitizer build
    if (watched) {
        allocationwatch::Watch watch; // it sees what a picture of 100 MB takes
        const QImage large(5000, 5000, QImage::Format_ARGB32);
        ASSERT_FALSE(large.isNull());
        EXPECT_GE(watch.largest(), std::size_t{100'000'000});
        EXPECT_GE(watch.peak(), std::size_t{100'000'000});
    }
    for (const Crafted& c : craftedFiles()) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.isEmpty());
        ASSERT_LT(c.bytes.size(), 100000);
        const QString p = dir.write(c.name, c.bytes);
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
        if (c.error != ImageErrorDepth) { // the depth has a message of its own
            EXPECT_EQ(ViewerLoadMessage(photo), "Błąd odczytu pliku: " + ImageErrorText(c.error));
            EXPECT_EQ(WizardLoadMessage(photo), "File not readable: " + ImageErrorText(c.error));
        }
        EXPECT_TRUE(photo.bitmap.isNull() && raster.raster.isNull() && thumbnail.image.isNull() &&
                    preview.isNull());
        EXPECT_EQ(raster.error, c.error);
        EXPECT_EQ(thumbnail.error, c.error);
    }
    EXPECT_EQ(LoadPhoto(dir.write("empty.jpg", {})).error, ImageErrorCorrupt);
    EXPECT_EQ(LoadPhoto(dir.path("missing.jpg")).error, ImageErrorOpen);
    EXPECT_EQ(LoadThumbnail(QString()).error, ImageErrorOpen);
    EXPECT_EQ(LoadPhoto(testsupport::corpusFile("noexif_12bit.jpg")).error, ImageErrorDepth);

    // The same files on pool threads: only errors come back.
    QStringList paths;
    for (const Crafted& c : craftedFiles())
        paths << dir.path(c.name);
    const QList<int> got = QtConcurrent::blockingMapped(paths, [](const QString& p) {
        const int thumb = LoadThumbnail(p).error;
        return LoadExifPreview(p).isNull() ? thumb : -1;
    });
    for (qsizetype i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], craftedFiles()[static_cast<std::size_t>(i)].error) << paths[i].toStdString();
}

// The regression files kept from fuzzing, beside this source file.
TEST(Hardening, FuzzFindingsStayFixed) {
    const QDir folder(
        QFileInfo(QDir(QStringLiteral(PIXVALE_BINARY_DIR)).filePath(QString::fromUtf8(__FILE__)))
            .absolutePath() +
        QStringLiteral("/regressions"));
    const QStringList files = folder.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 7) << folder.path().toStdString();
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString p = folder.filePath(name);
        EXPECT_LT(QFileInfo(p).size(), 20000);
        std::optional<allocationwatch::Watch> watch;
        if (allocationwatch::available())
            watch.emplace();
        const PhotoLoad photo = LoadPhoto(p);
        const RasterLoad raster = LoadPhotoRaster(p);
        const ThumbnailLoad thumbnail = LoadThumbnail(p);
        LoadExifPreview(p);
        EXPECT_LE(watch ? watch->largest() : 0, kBudget);
        // Each ends with an error text or a picture, never with both or neither.
        EXPECT_EQ(photo.ok(), photo.errorText.isEmpty());
        EXPECT_EQ(photo.ok(), !photo.bitmap.isNull());
        EXPECT_EQ(raster.ok(), !raster.raster.isNull());
        EXPECT_EQ(thumbnail.ok(), !thumbnail.image.isNull());
        EXPECT_EQ(photo.ok(), raster.ok());
    }
}

// The limits leave real pictures alone: tiles up to the picture rounded up to 16, very compressible strips.
TEST(Hardening, TilesUpToThePictureRoundedUpTo16AndFlatCompressedPicturesStillLoad) {
    const TempFolder dir;
    for (const int tile : {16, 112}) {
        fixtures::TiffSpec spec = fixtures::Tiff(100, 100, 8, 1, 1, 1);
        spec.tileSize = tile;
        for (int i = 0; i < 100 * 100; ++i)
            spec.pixels.push_back(static_cast<std::uint8_t>(i % 251));
        const QString p = dir.path(QStringLiteral("tiles%1.tif").arg(tile));
        ASSERT_TRUE(fixtures::WriteTiff(p, spec));
        const PhotoLoad photo = LoadPhoto(p);
        ASSERT_TRUE(photo.ok()) << tile << photo.errorText.toStdString();
        EXPECT_EQ(photo.bitmap.pixel(99, 99), qRgb(9999 % 251, 9999 % 251, 9999 % 251)) << tile;
    }
    struct Case {
        int bits, photometric, compression;
    };
    for (const Case c : {Case{8, 1, 5}, Case{8, 1, 8}, Case{8, 1, 32773}, Case{1, 0, 4}, Case{1, 0, 3}}) {
        fixtures::TiffSpec spec = fixtures::Tiff(2000, 2000, c.bits, 1, c.photometric, c.compression);
        spec.pixels.assign(static_cast<std::size_t>(2000) * ((2000 * c.bits + 7) / 8), c.bits == 8 ? 128 : 0);
        const QString p = dir.path(QStringLiteral("flat%1.tif").arg(c.compression));
        ASSERT_TRUE(fixtures::WriteTiff(p, spec));
        const PhotoLoad photo = LoadPhoto(p);
        ASSERT_TRUE(photo.ok()) << c.compression << photo.errorText.toStdString();
        EXPECT_EQ(photo.bitmap.pixel(1999, 1999), c.bits == 8 ? qRgb(128, 128, 128) : qRgb(255, 255, 255));
    }
}

// Unassociated alpha keeps the stored colour: libtiff's RGBA reader would multiply it by alpha.
TEST(Hardening, UnassociatedAlphaKeepsTheStoredColourAndGrey) {
    const TempFolder dir;
    fixtures::TiffSpec spec = fixtures::Tiff(3, 2, 8, 4, 2, 5);
    spec.extraSamples = 1;
    spec.pixels = {255, 0, 0, 128, 10, 20, 30, 0, 0, 255, 0, 255, 1, 2, 3, 4, 200, 100, 50, 1, 9, 8, 7, 6};
    ASSERT_TRUE(fixtures::WriteTiff(dir.path("rgba.tif"), spec));
    const RasterLoad raster = LoadPhotoRaster(dir.path("rgba.tif"));
    ASSERT_TRUE(raster.ok()) << raster.errorText.toStdString();
    ASSERT_EQ(raster.raster.bitsPerPixel, 32);
    EXPECT_EQ(std::vector<std::uint8_t>(raster.raster.row(1), raster.raster.row(1) + 12),
              (std::vector<std::uint8_t>{3, 2, 1, 4, 50, 100, 200, 1, 7, 8, 9, 6}));
    const QImage photo = LoadPhoto(dir.path("rgba.tif")).bitmap;
    EXPECT_EQ(photo.pixel(1, 0), 0xFF0A141Eu); // transparent, still its own colour
    EXPECT_EQ(photo.pixel(1, 1), 0xFFC86432u);
    for (const int photometric : {1, 0}) { // min-is-black, min-is-white
        fixtures::TiffSpec grey = fixtures::Tiff(2, 1, 8, 2, photometric, 1);
        grey.extraSamples = 1;
        grey.pixels = {100, 50, 0, 0};
        const QString p = dir.path(QStringLiteral("greyalpha%1.tif").arg(photometric));
        ASSERT_TRUE(fixtures::WriteTiff(p, grey));
        const RasterLoad load = LoadPhotoRaster(p);
        ASSERT_TRUE(load.ok()) << load.errorText.toStdString();
        const std::uint8_t v = photometric == 1 ? 100 : 155, black = photometric == 1 ? 0 : 255;
        EXPECT_EQ(std::vector<std::uint8_t>(load.raster.row(0), load.raster.row(0) + 8),
                  (std::vector<std::uint8_t>{v, v, v, 50, black, black, black, 0}));
    }
}

TEST(Hardening, ExifTextsThatAreNotUtf8AreReadAsWindows1250) {
    const auto exifWithTexts = [](const QByteArray& description, const QByteArray& comment) {
        using fixtures::Tag;
        return QByteArray("Exif\0\0", 6) +
               fixtures::TiffBytes(
                   {{{Tag{0x010E, fixtures::kAscii, {}, description + '\0'},
                      Tag{0x8769, kLong, {fixtures::kDirectory + 1}}},
                     0},
                    {{Tag{0x9286, fixtures::kUndefined, {}, QByteArray("ASCII\0\0\0", 8) + comment}}}},
                   {});
    };
    const QString polish = QStringLiteral("Zażółć gęślą jaźń – Łódź, Śnieżka");
    const QByteArray cp1250 = core::toWindows1250(polish);
    ASSERT_EQ(cp1250.size(), polish.size()); // one byte a character, none substituted
    const QStringList lines = detail::ExifLinesFromApp1(exifWithTexts(cp1250, cp1250));
    EXPECT_TRUE(lines.contains("Opis obrazu = " + polish)) << lines.join('|').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("Komentarz użytkownika = ") + polish))
        << lines.join('|').toStdString();
    const QStringList utf8 = detail::ExifLinesFromApp1(exifWithTexts(polish.toUtf8(), "plain"));
    EXPECT_TRUE(utf8.contains("Opis obrazu = " + polish)) << utf8.join('|').toStdString();
    EXPECT_TRUE(utf8.contains(QStringLiteral("Komentarz użytkownika = plain")))
        << utf8.join('|').toStdString();
}

TEST(Robustness, DamagedCorpusFilesFailCleanlyOrShowWhatIsLeftAndTheLibrariesKeepQuiet) {
    const TempFolder dir;
    fflush(stderr);
    const QString log = dir.path("stderr.txt");
    const int saved = dup(STDERR_FILENO);
    const int fd = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    dup2(fd, STDERR_FILENO);
    const std::pair<const char*, bool> damaged[] = {
        {"damaged_overwritten_exif_ifd1_pointer_canon_s40.jpg", true},
        {"damaged_overwritten_mid_canon_sd300.jpg", true},
        {"damaged_overwritten_mid_thumb_sony_dscw7.jpg", true},
        {"damaged_real_grey_bad_exif.jpg", true},
        {"damaged_truncated_half_casio_exm2.jpg", false},
        {"damaged_truncated_half_konica_z3.jpg", false},
        {"damaged_truncated_half_rgb8_lzw.tiff", false},
        {"damaged_truncated_half_sony_lzw.tiff", false},
        {"damaged_overwritten_mid_tiled_lzw.tiff", false}};
    for (const auto& [name, loads] : damaged) {
        const QString p = testsupport::corpusFile(name);
        const PhotoLoad photo = LoadPhoto(p);
        EXPECT_EQ(photo.ok(), loads) << name << photo.errorText.toStdString();
        EXPECT_EQ(photo.errorText.isEmpty(), loads) << name;
        EXPECT_EQ(LoadThumbnail(p).ok(), loads) << name;
        EXPECT_EQ(LoadPhotoRaster(p).ok(), loads) << name;
    }
    for (const char* name :
         {"tiff_rgba8_none_MM_exif.tiff", "tiff_rgb8_lzw_oldstyle.tiff", "noexif_12bit.jpg"}) {
        LoadPhoto(testsupport::corpusFile(name));
        LoadThumbnail(testsupport::corpusFile(name));
    }
    LoadPhoto(dir.write("short.tif", fixtures::Strip(100, 100, 1, QByteArray(64, '\x55'), 1, 10000)));
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(fd);
    EXPECT_EQ(fixtures::ReadFile(log), QByteArray());
    // The EXIF block of the half file is whole, so its preview still comes out.
    EXPECT_FALSE(LoadExifPreview(testsupport::corpusFile("damaged_truncated_half_casio_exm2.jpg")).isNull());
}

TEST(Robustness, ThumbnailsAndPreviewsCanBeDecodedOnManyThreadsAtOnce) {
    QStringList files;
    for (const char* name :
         {"canon_sd300_II_thumb_2mp.jpg", "tiff_rgb8_tiled_lzw_predictor.tiff", "grey_noexif.jpg",
          "cmyk_adobe_MM_thumb_jfif.jpg", "tiff_bilevel_g4.tiff", "nikon_d70_MM_thumb.jpg",
          "damaged_truncated_half_casio_exm2.jpg", "tiff_palette8.tiff"})
        files << testsupport::corpusFile(name);
    const auto both = [](const QString& f) {
        return QList<QImage>{LoadThumbnail(f).image, LoadExifPreview(f)};
    };
    QList<QList<QImage>> expected;
    for (const QString& f : files)
        expected << both(f);
    QStringList many;
    for (int i = 0; i < 6; ++i)
        many << files;
    const QList<QList<QImage>> results = QtConcurrent::blockingMapped(many, both);
    for (qsizetype i = 0; i < results.size(); ++i)
        EXPECT_EQ(results[i], expected[i % files.size()]) << files[i % files.size()].toStdString();
}

TEST(Saves, QualityPassesThroughAlphaIsIgnoredAndBadParametersWriteNothing) {
    const TempFolder dir;
    const QImage picture = fixtures::Smooth(80, 60);
    ASSERT_TRUE(SaveJpeg(picture, dir.path("q0.jpg"), 0).ok());
    ASSERT_TRUE(SaveJpeg(picture, dir.path("q100.jpg"), 100).ok());
    EXPECT_LT(fixtures::ReadFile(dir.path("q0.jpg")).size(), fixtures::ReadFile(dir.path("q100.jpg")).size());
    EXPECT_LE(fixtures::MaxChannelDiff(LoadPhoto(dir.path("q100.jpg")).bitmap, picture), 4);
    QImage seeThrough = picture;
    for (int y = 0; y < seeThrough.height(); ++y)
        for (int x = 0; x < seeThrough.width(); ++x)
            seeThrough.setPixel(x, y,
                                (picture.pixel(x, y) & 0xFFFFFF) | (static_cast<QRgb>((x * y) & 0xFF) << 24));
    ASSERT_TRUE(SaveJpeg(seeThrough, dir.path("alpha.jpg"), 85).ok());
    ASSERT_TRUE(SaveJpeg(picture, dir.path("opaque.jpg"), 85).ok());
    EXPECT_EQ(fixtures::ReadFile(dir.path("alpha.jpg")), fixtures::ReadFile(dir.path("opaque.jpg")));
    for (int q : {-1, 101})
        EXPECT_EQ(SaveJpeg(picture, dir.path("bad.jpg"), q).error, ImageErrorBadParameter);
    EXPECT_EQ(SaveJpeg(QImage(), dir.path("bad.jpg"), 80).error, ImageErrorBadParameter);
    EXPECT_EQ(SaveJpeg(Raster(), dir.path("bad.jpg"), 80).error, ImageErrorBadParameter);
    EXPECT_FALSE(QFile::exists(dir.path("bad.jpg")));
}

// The photo being replaced must survive a save that fails half way.
TEST(Saves, AFailedSaveLeavesTheOldFileUntouched) {
    const TempFolder dir;
    const QByteArray old = fixtures::JpegBytes(fixtures::Quadrants(20, 20));
    const QString target = dir.write("photo.jpg", old);
    // A full disk: the file system refuses to let the file grow past 64 KiB.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult full = SaveJpeg(fixtures::RandomImage(900, 700, 7, 0xFF000000u), target, 95);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(full.error, ImageErrorWrite);
    EXPECT_EQ(SaveFailureMessage(full), QString("Błąd podczas zapisu pliku: Nie można zapisać pliku"));
    EXPECT_EQ(fixtures::ReadFile(target), old);
    EXPECT_EQ(QDir(dir.dir.path()).entryList(QDir::Files),
              QStringList{"photo.jpg"}); // no temporary file left
    // An image the encoder cannot take.
    EXPECT_EQ(SaveJpeg(QImage(70000, 1, QImage::Format_ARGB32), target, 80).error, ImageErrorBadParameter);
    EXPECT_EQ(fixtures::ReadFile(target), old);

    // A folder the user may not write to.
    QFile::setPermissions(dir.dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool stillWritable = access(QFile::encodeName(dir.dir.path()).constData(), W_OK) == 0;
    const SaveResult readOnly = SaveJpeg(fixtures::Smooth(80, 60), target, 95);
    QFile::setPermissions(dir.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (stillWritable)
        GTEST_SKIP() << "permissions do not bind this user (root): the read-only folder case is not checked";
    EXPECT_EQ(readOnly.error, ImageErrorWrite);
    EXPECT_EQ(fixtures::ReadFile(target), old);
}

} // namespace
