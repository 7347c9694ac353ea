// The camera's EXIF preview and the metadata an edited save carries over.
#include "imagefixtures.h"

#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"
#include "imaging/photometadata.h"
#include "imaging/rotate.h"

#include <QDir>
#include <QFileInfo>

#include <libexif/exif-ifd.h>
#include <libexif/exif-tag.h>

using namespace imaging;
using fixtures::ExifSpec;

namespace {

// A camera-style preview: SOI straight into the quantisation tables, no JFIF header.
ExifSpec withPreview() {
    ExifSpec spec;
    spec.thumbnail = fixtures::JpegBytes(fixtures::Quadrants(64, 48), 90, false, false);
    return spec;
}

QByteArray exifSegment(const ExifSpec& spec) {
    return fixtures::Segment(0xE1, fixtures::ExifPayload(spec));
}

QByteArray photoWith(const std::vector<QByteArray>& segments) {
    return fixtures::InsertAfterSoi(fixtures::JpegBytes(fixtures::Smooth(32, 24), 80), segments);
}

TEST(ExifPreview, RegionSizeLinkCompressionAndByteOrderRules) {
    struct Case {
        const char* name;
        void (*change)(ExifSpec&);
        bool hasThumbnail, preview;
        const char* status = "<none>";
    };
    const Case cases[] = {
        {"normal", [](ExifSpec&) {}, true, true},
        {"big-endian", [](ExifSpec& s) { s.bigEndian = true; }, true, true},
        {"uncompressed", [](ExifSpec& s) { s.compression = 1; }, true, false},
        {"region of 256 bytes", [](ExifSpec& s) { s.thumbnail = s.thumbnail.left(256 - 42); }, false, false},
        {"link below 22", [](ExifSpec& s) { s.linkOverride = 21; }, false, false},
        {"link past the end", [](ExifSpec& s) { s.linkOverride = 0x7FFFFFF0; }, false, false},
        {"no IFD1", [](ExifSpec& s) { s.withIfd1 = false; }, false, false},
        {"JFIF preview", [](ExifSpec& s) { s.thumbnail = fixtures::JpegBytes(fixtures::Quadrants(64, 48)); },
         true, false},
        {"no end marker", [](ExifSpec& s) { s.thumbnail.chop(2); }, true, false},
        {"garbage before the preview", [](ExifSpec& s) { s.thumbnail.prepend(QByteArray(40, '\x11')); }, true,
         true},
        {"bad header", [](ExifSpec& s) { s.header = QByteArray("Exig\0\0", 6); }, false, false,
         "Incorrect Exif header"},
        {"bad byte order", [](ExifSpec& s) { s.byteOrder = "IM"; }, false, false,
         "Invalid Exif alignment marker"}};
    const QImage expected = [] {
        ExifReader reader;
        reader.ReadExifData(photoWith({exifSegment(withPreview())}));
        reader.ParseThumbnailDirectory();
        return reader.ExtractExifThumbnail();
    }();
    ASSERT_EQ(expected.size(), QSize(64, 48));
    EXPECT_EQ(expected.format(), QImage::Format_ARGB32);
    EXPECT_EQ(expected.pixel(10, 10) >> 20, fixtures::Quadrants(64, 48).pixel(10, 10) >> 20); // red corner
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExifSpec spec = withPreview();
        c.change(spec);
        ExifReader reader;
        ASSERT_TRUE(reader.ReadExifData(photoWith({exifSegment(spec)})));
        EXPECT_EQ(reader.status(), c.status);
        EXPECT_EQ(reader.HasExifThumbnail(), c.hasThumbnail);
        reader.ParseThumbnailDirectory();
        const QImage preview = reader.ExtractExifThumbnail();
        EXPECT_EQ(preview.isNull() ? QImage() : expected, c.preview ? expected : QImage());
        EXPECT_TRUE(preview.isNull() || preview == expected);
    }
}

TEST(ExifPreview, OnlyTheFirstFiveSectionsMaySupplyMetadataAndCutFilesGiveNone) {
    const QByteArray exif = exifSegment(withPreview());
    const QByteArray app2 = fixtures::Segment(0xE2, QByteArray(10, 'x'));
    const QByteArray comment = fixtures::Segment(0xFE, QByteArray("made by hand"));
    struct Case {
        const char* name;
        std::vector<QByteArray> segments;
        bool metadata, thumbnail;
    };
    // The segments come right after the start of image, before the photo's own JFIF header.
    const Case cases[] = {
        {"EXIF fourth", {app2, app2, app2, exif}, true, true},
        {"EXIF fifth", {app2, app2, app2, app2, exif}, false, false},
        {"comment, then EXIF fifth", {comment, app2, app2, app2, exif}, true, true},
        {"EXIF before XMP", {exif, fixtures::Segment(0xE1, "http://ns.adobe.com/xap/1.0/")}, true, true},
        {"comment only", {comment}, true, false},
        {"IPTC only", {fixtures::Segment(0xED, "Photoshop 3.0")}, true, false},
        {"nothing", {app2}, false, false}};
    for (const Case& c : cases) {
        ExifReader reader;
        EXPECT_EQ(reader.ReadExifData(photoWith(c.segments)), c.metadata) << c.name;
        EXPECT_EQ(reader.HasMetadata(), c.metadata) << c.name;
        EXPECT_EQ(reader.HasExifThumbnail(), c.thumbnail) << c.name;
    }
    ExifReader reader;
    EXPECT_FALSE(reader.ReadExifData(QByteArray("\x89PNG\r\n", 6)));
    EXPECT_FALSE(reader.ReadExifData(QByteArray()));
    EXPECT_FALSE(reader.ReadExifData(photoWith({exif}).left(200))); // cut inside the EXIF section
    EXPECT_TRUE(
        reader.ReadExifData(photoWith({fixtures::Segment(0xE1, fixtures::ExifPayload({}).left(20))})));
    EXPECT_EQ(reader.status(), "Illegal Exif construction"); // IFD0 runs past the section
}

TEST(ExifPreview, FilesAreReadOnlyUnderAJpegName) {
    const fixtures::TempFolder dir;
    const QByteArray bytes = photoWith({exifSegment(withPreview())});
    for (auto [name, jpeg] :
         {std::pair{"a.jpg", true}, {"b.JPEG", true}, {"c.Jpe", true}, {"d.tif", false}, {"e.png", false}}) {
        ExifReader reader;
        EXPECT_EQ(reader.ReadExifFile(dir.write(name, bytes)), jpeg) << name;
        EXPECT_EQ(LoadExifPreview(dir.path(name)).isNull(), !jpeg) << name;
    }
    EXPECT_TRUE(LoadExifPreview(dir.path("missing.jpg")).isNull());
}

// The corpus: a preview comes out exactly where the camera wrote one that starts with its tables
// (FF D8 FF DB or FF D8 FF C4) and IFD1 says JPEG; it equals the reference thumbnail decoded alone by an
// independent decoder, the preview overwritten in the middle too (both make the same of what is left).
TEST(ExifPreview, CameraPhotosOfTheCorpus) {
    const QDir corpus(testsupport::corpusDir());
    int previews = 0;
    for (const QString& name : corpus.entryList({"*.jpg"}, QDir::Files)) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray reference = fixtures::ReadFile(corpus.filePath("expected/" + name + ".thumb.jpg"));
        ExifReader reader;
        reader.ReadExifFile(corpus.filePath(name));
        reader.ParseThumbnailDirectory();
        const QImage preview = reader.ExtractExifThumbnail();
        const bool tables =
            reference.startsWith("\xFF\xD8\xFF\xDB") || reference.startsWith("\xFF\xD8\xFF\xC4");
        const QImage expected = QImage::fromData(reference).convertToFormat(QImage::Format_ARGB32);
        if (!tables || reader.thumbnailCompression() != 6) {
            EXPECT_TRUE(preview.isNull());
            continue;
        }
        EXPECT_EQ(preview, expected);
        ++previews;
    }
    EXPECT_GE(previews, 12);
    for (const char* name :
         {"kodak_dc210_MM_uncompressed_thumb.jpg", "jolla_II_nothumb_8mp.jpg", "canon_40d_II_thumb_jfif.jpg",
          "damaged_overwritten_exif_ifd1_pointer_canon_s40.jpg"})
        EXPECT_TRUE(LoadExifPreview(testsupport::corpusFile(name)).isNull()) << name;
}

// An edited save keeps the camera's items with Orientation 1 and the new size, keeps the ICC profile,
// and drops the preview, which showed the unedited photo; a TIFF's own pixel layout does not travel.
TEST(PhotoMetadata, AnEditedSaveKeepsExifAndIccWithUprightSizeAndNoStalePreview) {
    using Items = std::vector<std::pair<ExifTag, ExifIfd>>;
    const Items camera{{EXIF_TAG_MODEL, EXIF_IFD_0},
                       {EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF},
                       {EXIF_TAG_EXPOSURE_TIME, EXIF_IFD_EXIF}};
    struct Case {
        const char* file;
        bool icc;
        Items items; // present in the source, expected in the saved JPEG
    };
    const Case cases[] = {
        {"canon_40d_II_thumb_jfif.jpg", true, camera}, // little-endian, ICC profile, a JFIF preview
        {"nikon_d70_MM_thumb.jpg", false, camera},     // big-endian, preview after a maker note
        {"fujifilm_e500_MM_nothumb.jpg", false, camera},
        {"tiff_rgba8_none_MM_exif.tiff",
         true, // big-endian, EXIF and GPS directories
         {{EXIF_TAG_MAKE, EXIF_IFD_0},
          {EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF},
          {EXIF_TAG_FNUMBER, EXIF_IFD_EXIF},
          {static_cast<ExifTag>(EXIF_TAG_GPS_VERSION_ID), EXIF_IFD_GPS}}},
        {"tiff_rgb8_lzw_make_model_xmp.tiff",
         true,
         {{EXIF_TAG_MAKE, EXIF_IFD_0}, {EXIF_TAG_DATE_TIME, EXIF_IFD_0}}}};
    const fixtures::TempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString source = testsupport::corpusFile(QString::fromLatin1(c.file));
        const PhotoMetadata original = ReadPhotoMetadata(source);
        ASSERT_FALSE(original.exif.isEmpty());
        EXPECT_EQ(original.icc.isEmpty(), !c.icc);
        PhotoLoad photo = LoadPhoto(source);
        ASSERT_TRUE(photo.ok());
        RotateLeft(photo.bitmap); // an edit that changes the dimensions
        const QString target = dir.path(QString::fromLatin1(c.file) + ".jpg");
        ASSERT_TRUE(SaveJpegWithMetadata(photo.bitmap, target, 80, original).ok());
        EXPECT_EQ(LoadPhoto(target).bitmap.size(), photo.bitmap.size());
        for (const auto& [tag, ifd] : c.items) {
            EXPECT_FALSE(ExifItemText(source, tag, ifd).isEmpty()) << tag;
            EXPECT_EQ(ExifItemText(target, tag, ifd), ExifItemText(source, tag, ifd)) << tag;
        }
        EXPECT_EQ(ExifItemText(target, EXIF_TAG_ORIENTATION, EXIF_IFD_0), QStringLiteral("Top-left"));
        EXPECT_EQ(ExifItemText(target, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_IFD_EXIF),
                  QString::number(photo.bitmap.width()));
        EXPECT_EQ(ExifItemText(target, EXIF_TAG_PIXEL_Y_DIMENSION, EXIF_IFD_EXIF),
                  QString::number(photo.bitmap.height()));
        EXPECT_TRUE(ExifItemText(target, EXIF_TAG_STRIP_OFFSETS, EXIF_IFD_0).isEmpty());
        EXPECT_TRUE(ExifItemText(target, EXIF_TAG_COMPRESSION, EXIF_IFD_0).isEmpty());
        EXPECT_TRUE(LoadExifPreview(target).isNull());
        EXPECT_EQ(ReadPhotoMetadata(target).icc, original.icc);
    }
    EXPECT_FALSE(LoadExifPreview(testsupport::corpusFile("nikon_d70_MM_thumb.jpg")).isNull());
}

TEST(PhotoMetadata, WithoutMetadataItIsThePlainSaveAndAFailedWriteLeavesNothing) {
    const fixtures::TempFolder dir;
    const QString source = testsupport::corpusFile("grey_noexif.jpg");
    const PhotoMetadata none = ReadPhotoMetadata(source);
    EXPECT_TRUE(none.isEmpty());
    EXPECT_TRUE(ReadPhotoMetadata(dir.path("missing.jpg")).isEmpty());
    const QImage photo = LoadPhoto(source).bitmap;
    ASSERT_TRUE(SaveJpegWithMetadata(photo, dir.path("a.jpg"), 75, none).ok());
    ASSERT_TRUE(SaveJpeg(photo, dir.path("b.jpg"), 75).ok());
    EXPECT_EQ(fixtures::ReadFile(dir.path("a.jpg")), fixtures::ReadFile(dir.path("b.jpg")));
    // A folder stands where the file should go.
    const QString camera = testsupport::corpusFile("canon_40d_II_thumb_jfif.jpg");
    ASSERT_TRUE(QDir(dir.dir.path()).mkdir("taken.jpg"));
    const SaveResult r =
        SaveJpegWithMetadata(LoadPhoto(camera).bitmap, dir.path("taken.jpg"), 80, ReadPhotoMetadata(camera));
    EXPECT_EQ(r.error, ImageErrorWrite);
    EXPECT_FALSE(r.errorText.isEmpty());
    EXPECT_TRUE(QFileInfo(dir.path("taken.jpg")).isDir());
}

// TIFFs without readable directories give nothing: a header pointing outside the file, absurd counts
// and offsets (Make of 1000 characters far beyond the end, Model at a wrapped offset).
TEST(PhotoMetadata, ATiffWithoutReadableDirectoriesGivesNothing) {
    for (const char* file : {"damaged_truncated_half_rgb8_lzw.tiff", "tiff_bilevel_g4.tiff"})
        EXPECT_TRUE(ReadPhotoMetadata(testsupport::corpusFile(QString::fromLatin1(file))).exif.isEmpty())
            << file;
    const fixtures::TempFolder dir;
    const QByteArray bad = fixtures::TiffBytes({{{{0x010F, fixtures::kAscii, {0x1000}, {}, 1000},
                                                  {0x0110, fixtures::kAscii, {0xFFFFFFF8u}, {}, 16}}}},
                                               {});
    EXPECT_TRUE(ReadPhotoMetadata(dir.write("bad.tif", bad.left(bad.size() - 4))).isEmpty());
}

} // namespace
