#include "craftedtiff.h"
#include "imagefixtures.h"
#include "testsupport.h"

#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentMap>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace imaging;

namespace {

using Robustness = fixtures::FolderTest;

TEST_F(Robustness, DamagedCorpusFilesFailCleanlyOrShowWhatIsLeft) {
    struct Case {
        const char* name;
        bool loads;
    };
    const Case cases[] = {
        {"damaged_overwritten_exif_ifd1_pointer_canon_s40.jpg", true},
        {"damaged_overwritten_mid_canon_sd300.jpg", true},
        {"damaged_overwritten_mid_thumb_sony_dscw7.jpg", true},
        {"damaged_real_grey_bad_exif.jpg", true},
        {"damaged_truncated_half_casio_exm2.jpg", false},
        {"damaged_truncated_half_konica_z3.jpg", false},
        {"damaged_truncated_half_rgb8_lzw.tiff", false},
        {"damaged_truncated_half_sony_lzw.tiff", false},
        {"damaged_overwritten_mid_tiled_lzw.tiff", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString p = testsupport::corpusFile(c.name);
        const PhotoLoad photo = LoadPhoto(p);
        EXPECT_EQ(photo.ok(), c.loads) << photo.errorText.toStdString();
        EXPECT_EQ(photo.errorText.isEmpty(), c.loads);
        EXPECT_EQ(LoadThumbnail(p).ok(), c.loads);
        EXPECT_EQ(LoadPhotoRaster(p).ok(), c.loads);
    }
    // The EXIF block of the half file is whole, so its preview still comes out.
    EXPECT_FALSE(LoadExifPreview(testsupport::corpusFile("damaged_truncated_half_casio_exm2.jpg")).isNull());
}

TEST_F(Robustness, LibraryComplaintsNeverReachTheConsole) {
    fflush(stderr);
    const QString log = dir.filePath("stderr.txt");
    const int saved = dup(STDERR_FILENO);
    const int fd = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    dup2(fd, STDERR_FILENO);
    for (const char* name :
         {"damaged_real_grey_bad_exif.jpg", "damaged_truncated_half_casio_exm2.jpg",
          "damaged_overwritten_mid_tiled_lzw.tiff", "damaged_truncated_half_rgb8_lzw.tiff",
          "tiff_rgba8_none_MM_exif.tiff", "tiff_rgb8_lzw_oldstyle.tiff", "noexif_12bit.jpg"}) {
        LoadPhoto(testsupport::corpusFile(name));
        LoadThumbnail(testsupport::corpusFile(name));
    }
    LoadPhoto(write("short.tif", crafted::StripClaiming(100, 100, 10000)));
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(fd);
    EXPECT_EQ(fixtures::ReadFile(log), QByteArray());
}

TEST_F(Robustness, ThumbnailsAndPreviewsCanBeDecodedOnManyThreadsAtOnce) {
    QStringList files;
    for (const char* name :
         {"canon_sd300_II_thumb_2mp.jpg", "tiff_rgb8_tiled_lzw_predictor.tiff", "grey_noexif.jpg",
          "cmyk_adobe_MM_thumb_jfif.jpg", "tiff_bilevel_g4.tiff", "nikon_d70_MM_thumb.jpg",
          "damaged_truncated_half_casio_exm2.jpg", "tiff_palette8.tiff"})
        files << testsupport::corpusFile(name);
    QList<QImage> expected;
    for (const QString& f : files)
        expected << LoadThumbnail(f).image << LoadExifPreview(f);
    QStringList many;
    for (int i = 0; i < 6; ++i)
        many << files;
    const QList<QList<QImage>> results = QtConcurrent::blockingMapped(many, [](const QString& f) {
        return QList<QImage>{LoadThumbnail(f).image, LoadExifPreview(f)};
    });
    for (qsizetype i = 0; i < results.size(); ++i) {
        const qsizetype k = i % files.size();
        EXPECT_EQ(results[i][0], expected[2 * k]) << files[k].toStdString();
        EXPECT_EQ(results[i][1], expected[2 * k + 1]) << files[k].toStdString();
    }
}

TEST_F(Robustness, SavesPassQualityThroughAndIgnoreAlpha) {
    const QImage picture = fixtures::Smooth(80, 60);
    const QString low = dir.filePath("q0.jpg");
    const QString high = dir.filePath("q100.jpg");
    ASSERT_TRUE(SaveJpeg(picture, low, 0).ok());
    ASSERT_TRUE(SaveJpeg(picture, high, 100).ok());
    EXPECT_LT(fixtures::ReadFile(low).size(), fixtures::ReadFile(high).size());
    EXPECT_LE(fixtures::MaxChannelDiff(LoadPhoto(high).bitmap, picture), 4);
    EXPECT_TRUE(LoadPhoto(low).ok());

    QImage seeThrough = picture;
    for (int y = 0; y < seeThrough.height(); ++y)
        for (int x = 0; x < seeThrough.width(); ++x)
            seeThrough.setPixel(x, y,
                                (picture.pixel(x, y) & 0xFFFFFF) | (static_cast<QRgb>((x * y) & 0xFF) << 24));
    ASSERT_TRUE(SaveJpeg(seeThrough, dir.filePath("alpha.jpg"), 85).ok());
    ASSERT_TRUE(SaveJpeg(picture, dir.filePath("opaque.jpg"), 85).ok());
    EXPECT_EQ(fixtures::ReadFile(dir.filePath("alpha.jpg")), fixtures::ReadFile(dir.filePath("opaque.jpg")));

    for (int q : {-1, 101})
        EXPECT_EQ(SaveJpeg(picture, dir.filePath("bad.jpg"), q).error, ImageErrorBadParameter);
    EXPECT_EQ(SaveJpeg(QImage(), dir.filePath("bad.jpg"), 80).error, ImageErrorBadParameter);
    EXPECT_EQ(SaveJpeg(Raster(), dir.filePath("bad.jpg"), 80).error, ImageErrorBadParameter);
    EXPECT_FALSE(QFile::exists(dir.filePath("bad.jpg")));
}

// The photo being replaced must survive a save that fails half way.
TEST_F(Robustness, AFailedSaveLeavesTheOldFileUntouched) {
    const QByteArray old = fixtures::JpegBytes(fixtures::Quadrants(20, 20));
    const QImage noisy = fixtures::RandomImage(900, 700, 7, 0xFF000000u);

    // A full disk: the file system refuses to let the file grow past 64 KiB.
    const QString target = write("photo.jpg", old);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveResult full = SaveJpeg(noisy, target, 95);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(full.error, ImageErrorWrite);
    EXPECT_EQ(SaveFailureMessage(full), QString("Błąd podczas zapisu pliku: Nie można zapisać pliku"));
    EXPECT_EQ(fixtures::ReadFile(target), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"photo.jpg"}); // no temporary file left

    // An image the encoder cannot take.
    EXPECT_EQ(SaveJpeg(QImage(70000, 1, QImage::Format_ARGB32), target, 80).error, ImageErrorBadParameter);
    EXPECT_EQ(fixtures::ReadFile(target), old);
}

TEST_F(Robustness, ASaveIntoAFolderTheUserMayNotWriteToLeavesTheOldFileUntouched) {
    const QByteArray old = fixtures::JpegBytes(fixtures::Quadrants(20, 20));
    const QString target = write("photo.jpg", old);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool stillWritable = access(QFile::encodeName(dir.path()).constData(), W_OK) == 0;
    const SaveResult readOnly = SaveJpeg(fixtures::Smooth(80, 60), target, 95);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (stillWritable)
        GTEST_SKIP() << "permissions do not bind this user (root)";
    EXPECT_EQ(readOnly.error, ImageErrorWrite);
    EXPECT_EQ(fixtures::ReadFile(target), old);
}

} // namespace
