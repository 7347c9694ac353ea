// Crafted, fuzzed and damaged files against the loaders: every lying header ends with its own error
// text, no exception leaves a load (not even on a pool thread), nothing large is allocated for data that
// is not in the file; and a failed save never damages the photo it replaces.
#include "allocationwatch.h"
#include "imagefixtures.h"

#include "core/codec.h"
#include "imaging/exifitems.h"
#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"

#include <QtConcurrent/QtConcurrentMap>

#include <csignal>
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
        EXPECT_GE(std::min(watch.largest(), watch.peak()), std::size_t{100'000'000});
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
        EXPECT_EQ(std::tuple(photo.errorText.isEmpty(), !photo.bitmap.isNull(), raster.ok(),
                             !raster.raster.isNull()),
                  std::tuple(photo.ok(), photo.ok(), photo.ok(), photo.ok()));
        EXPECT_EQ(thumbnail.ok(), !thumbnail.image.isNull());
    }
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
    EXPECT_EQ(QDir(dir.dir.path()).entryList(QDir::Files), QStringList{"photo.jpg"}); // no temporary left
    // Bad parameters and an image the encoder cannot take write nothing.
    const QImage picture = fixtures::Smooth(80, 60);
    for (const SaveResult& bad :
         {SaveJpeg(picture, target, -1), SaveJpeg(picture, target, 101), SaveJpeg(QImage(), target, 80),
          SaveJpeg(Raster(), target, 80), SaveJpeg(QImage(70000, 1, QImage::Format_ARGB32), target, 80)})
        EXPECT_EQ(bad.error, ImageErrorBadParameter);
    EXPECT_EQ(fixtures::ReadFile(target), old);
    // The quality passes through; alpha is ignored.
    QImage seeThrough = picture;
    for (int i = 0; i < 80 * 60; ++i) // every pixel keeps its colour under an alpha of its own
        seeThrough.setPixel(i % 80, i / 80,
                            (picture.pixel(i % 80, i / 80) & 0xFFFFFF) | QRgb(i * 7 & 0xFF) << 24);
    for (const auto& [image, quality, name] : {std::tuple{picture, 0, "q0.jpg"},
                                               {picture, 100, "q100.jpg"},
                                               {picture, 85, "opaque.jpg"},
                                               {seeThrough, 85, "alpha.jpg"}})
        ASSERT_TRUE(SaveJpeg(image, dir.path(name), quality).ok()) << name;
    EXPECT_LT(fixtures::ReadFile(dir.path("q0.jpg")).size(), fixtures::ReadFile(dir.path("q100.jpg")).size());
    EXPECT_LE(fixtures::MaxChannelDiff(LoadPhoto(dir.path("q100.jpg")).bitmap, picture), 4);
    EXPECT_EQ(fixtures::ReadFile(dir.path("alpha.jpg")), fixtures::ReadFile(dir.path("opaque.jpg")));

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
