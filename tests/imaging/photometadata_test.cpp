#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"
#include "imaging/photometadata.h"
#include "imaging/rotate.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <libexif/exif-ifd.h>
#include <libexif/exif-tag.h>

#include <utility>
#include <vector>

namespace {

using imaging::ExifItemText;

TEST(PhotoMetadata, AnEditedSaveKeepsExifAndIccWithUprightSizeAndNoStalePreview) {
    struct Case {
        const char* file;
        bool icc;
        bool preview;
    };
    const Case cases[] = {
        {"canon_40d_II_thumb_jfif.jpg", true, false},   // little-endian, ICC profile, a JFIF preview
        {"nikon_d70_MM_thumb.jpg", false, true},        // big-endian, preview after a maker note
        {"fujifilm_e500_MM_nothumb.jpg", false, false}, // no preview to drop
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString source = testsupport::corpusFile(QString::fromLatin1(c.file));
        const imaging::PhotoMetadata original = imaging::ReadPhotoMetadata(source);
        ASSERT_FALSE(original.exif.isEmpty()) << c.file;
        EXPECT_EQ(original.icc.isEmpty(), !c.icc) << c.file;
        EXPECT_EQ(!imaging::LoadExifPreview(source).isNull(), c.preview) << c.file;

        imaging::PhotoLoad photo = imaging::LoadPhoto(source);
        ASSERT_TRUE(photo.ok()) << c.file;
        imaging::RotateLeft(photo.bitmap); // an edit that changes the dimensions
        const QString target = dir.filePath(QString::fromLatin1(c.file));
        ASSERT_TRUE(imaging::SaveJpegWithMetadata(photo.bitmap, target, 80, original).ok()) << c.file;

        const imaging::PhotoLoad saved = imaging::LoadPhoto(target);
        ASSERT_TRUE(saved.ok()) << c.file;
        EXPECT_EQ(saved.bitmap.size(), photo.bitmap.size()) << c.file;
        for (const auto& [tag, ifd] :
             {std::pair{EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF}, std::pair{EXIF_TAG_MODEL, EXIF_IFD_0},
              std::pair{EXIF_TAG_EXPOSURE_TIME, EXIF_IFD_EXIF}})
            EXPECT_EQ(ExifItemText(target, tag, ifd), ExifItemText(source, tag, ifd)) << c.file << " " << tag;
        EXPECT_FALSE(ExifItemText(target, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF).isEmpty()) << c.file;
        EXPECT_EQ(ExifItemText(target, EXIF_TAG_ORIENTATION, EXIF_IFD_0), QStringLiteral("Top-left"))
            << c.file;
        EXPECT_EQ(ExifItemText(target, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_IFD_EXIF),
                  QString::number(photo.bitmap.width()))
            << c.file;
        EXPECT_EQ(ExifItemText(target, EXIF_TAG_PIXEL_Y_DIMENSION, EXIF_IFD_EXIF),
                  QString::number(photo.bitmap.height()))
            << c.file;
        EXPECT_TRUE(imaging::LoadExifPreview(target).isNull()) << c.file; // it showed the unedited photo
        EXPECT_EQ(imaging::ReadPhotoMetadata(target).icc, original.icc) << c.file;
    }
}

TEST(PhotoMetadata, WithoutMetadataItIsThePlainSave) {
    QTemporaryDir dir;
    const QString source = testsupport::corpusFile(QStringLiteral("grey_noexif.jpg"));
    const imaging::PhotoMetadata none = imaging::ReadPhotoMetadata(source);
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(imaging::ReadPhotoMetadata(dir.filePath(QStringLiteral("missing.jpg"))).isEmpty());
    const imaging::PhotoLoad photo = imaging::LoadPhoto(source);
    ASSERT_TRUE(photo.ok());
    ASSERT_TRUE(
        imaging::SaveJpegWithMetadata(photo.bitmap, dir.filePath(QStringLiteral("a.jpg")), 75, none).ok());
    ASSERT_TRUE(imaging::SaveJpeg(photo.bitmap, dir.filePath(QStringLiteral("b.jpg")), 75).ok());
    QFile a(dir.filePath(QStringLiteral("a.jpg"))), b(dir.filePath(QStringLiteral("b.jpg")));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

TEST(PhotoMetadata, AnEditedTiffSavedAsJpegKeepsItsCameraItems) {
    struct Case {
        const char* file;
        std::vector<std::pair<ExifTag, ExifIfd>> items; // present in the TIFF, expected in the JPEG
        bool icc;
    };
    const Case cases[] = {
        // big-endian, EXIF and GPS directories
        {"tiff_rgba8_none_MM_exif.tiff",
         {{EXIF_TAG_MAKE, EXIF_IFD_0},
          {EXIF_TAG_MODEL, EXIF_IFD_0},
          {EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF},
          {EXIF_TAG_EXPOSURE_TIME, EXIF_IFD_EXIF},
          {EXIF_TAG_FNUMBER, EXIF_IFD_EXIF},
          {static_cast<ExifTag>(EXIF_TAG_GPS_VERSION_ID), EXIF_IFD_GPS}},
         true},
        // little-endian, camera items in IFD0 only
        {"tiff_rgb8_lzw_make_model_xmp.tiff",
         {{EXIF_TAG_MAKE, EXIF_IFD_0}, {EXIF_TAG_MODEL, EXIF_IFD_0}, {EXIF_TAG_DATE_TIME, EXIF_IFD_0}},
         true},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString source = testsupport::corpusFile(QString::fromLatin1(c.file));
        const imaging::PhotoMetadata meta = imaging::ReadPhotoMetadata(source);
        ASSERT_FALSE(meta.exif.isEmpty()) << c.file;
        EXPECT_EQ(!meta.icc.isEmpty(), c.icc) << c.file;
        imaging::PhotoLoad photo = imaging::LoadPhoto(source);
        ASSERT_TRUE(photo.ok()) << c.file;
        imaging::RotateRight(photo.bitmap);
        const QString target = dir.filePath(QString::fromLatin1(c.file) + QStringLiteral(".jpg"));
        ASSERT_TRUE(imaging::SaveJpegWithMetadata(photo.bitmap, target, 80, meta).ok()) << c.file;
        for (const auto& [tag, ifd] : c.items) {
            EXPECT_FALSE(ExifItemText(source, tag, ifd).isEmpty()) << c.file << " " << tag;
            EXPECT_EQ(ExifItemText(target, tag, ifd), ExifItemText(source, tag, ifd)) << c.file << " " << tag;
        }
        EXPECT_EQ(ExifItemText(target, EXIF_TAG_ORIENTATION, EXIF_IFD_0), QStringLiteral("Top-left"))
            << c.file;
        // The TIFF's own pixel layout does not travel.
        EXPECT_TRUE(ExifItemText(target, EXIF_TAG_STRIP_OFFSETS, EXIF_IFD_0).isEmpty()) << c.file;
        EXPECT_TRUE(ExifItemText(target, EXIF_TAG_COMPRESSION, EXIF_IFD_0).isEmpty()) << c.file;
        EXPECT_EQ(imaging::ReadPhotoMetadata(target).icc, meta.icc) << c.file;
        const imaging::PhotoLoad saved = imaging::LoadPhoto(target);
        ASSERT_TRUE(saved.ok()) << c.file;
        EXPECT_EQ(saved.bitmap.size(), photo.bitmap.size()) << c.file;
    }
}

TEST(PhotoMetadata, ATiffWithoutReadableDirectoriesGivesNothing) {
    for (const char* file : {"damaged_truncated_half_rgb8_lzw.tiff", "tiff_bilevel_g4.tiff"}) {
        const imaging::PhotoMetadata meta =
            imaging::ReadPhotoMetadata(testsupport::corpusFile(QString::fromLatin1(file)));
        EXPECT_TRUE(meta.exif.isEmpty()) << file;
    }
    // A header that points outside the file, and directories with absurd counts and offsets.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.tif"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("II*\0\x08\0\0\0\x02\0", 10));
    // Make: ASCII, 1000 characters far beyond the end; Model: ASCII with a wrapped offset
    f.write(QByteArray("\x0f\x01\x02\0\xe8\x03\0\0\x00\x10\0\0", 12));
    f.write(QByteArray("\x10\x01\x02\0\x10\0\0\0\xf8\xff\xff\xff", 12));
    f.close();
    EXPECT_TRUE(imaging::ReadPhotoMetadata(path).isEmpty());
}

TEST(PhotoMetadata, AFailedWriteReportsAndLeavesNothing) {
    QTemporaryDir dir;
    const QString source = testsupport::corpusFile(QStringLiteral("canon_40d_II_thumb_jfif.jpg"));
    const imaging::PhotoLoad photo = imaging::LoadPhoto(source);
    ASSERT_TRUE(photo.ok());
    // A folder stands where the file should go.
    const QString target = dir.filePath(QStringLiteral("taken.jpg"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("taken.jpg")));
    const imaging::SaveResult r =
        imaging::SaveJpegWithMetadata(photo.bitmap, target, 80, imaging::ReadPhotoMetadata(source));
    EXPECT_EQ(r.error, imaging::ImageErrorWrite);
    EXPECT_FALSE(r.errorText.isEmpty());
    EXPECT_TRUE(QFileInfo(target).isDir());
}

} // namespace
