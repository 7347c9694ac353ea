#include "imagefixtures.h"
#include "testsupport.h"

#include "imaging/exifpreview.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace imaging;

namespace {

// A camera-style preview: SOI straight into the quantisation tables, no JFIF header.
QByteArray cameraPreview() {
    return fixtures::JpegBytes(fixtures::Quadrants(64, 48), 90, false, false);
}

QByteArray photoWith(const std::vector<QByteArray>& segments) {
    return fixtures::InsertAfterSoi(fixtures::JpegBytes(fixtures::Smooth(32, 24), 80), segments);
}

QByteArray exifSegment(const fixtures::ExifSpec& spec) {
    return fixtures::Segment(0xE1, fixtures::ExifPayload(spec));
}

QImage previewOf(const QByteArray& file) {
    ExifReader reader;
    if (!reader.ReadExifData(file) || !reader.HasExifThumbnail())
        return {};
    reader.ParseThumbnailDirectory();
    return reader.ExtractExifThumbnail();
}

TEST(ExifPreview, LittleAndBigEndianGiveTheSamePreview) {
    fixtures::ExifSpec spec;
    spec.thumbnail = cameraPreview();
    const QImage little = previewOf(photoWith({exifSegment(spec)}));
    spec.bigEndian = true;
    const QImage big = previewOf(photoWith({exifSegment(spec)}));
    ASSERT_FALSE(little.isNull());
    EXPECT_EQ(little.size(), QSize(64, 48));
    EXPECT_EQ(little.format(), QImage::Format_ARGB32);
    EXPECT_EQ(little, big);
    EXPECT_EQ(little.pixel(10, 10) >> 20, fixtures::Quadrants(64, 48).pixel(10, 10) >> 20); // red corner
}

TEST(ExifPreview, RegionSizeLinkAndCompressionRules) {
    struct Case {
        const char* name;
        fixtures::ExifSpec spec;
        bool hasThumbnail;
        bool preview;
        const char* status = "<none>";
    };
    const auto spec = [](auto change) {
        fixtures::ExifSpec s;
        s.thumbnail = cameraPreview();
        change(s);
        return s;
    };
    const Case cases[] = {
        {"normal", spec([](auto&) {}), true, true},
        {"uncompressed", spec([](auto& s) { s.compression = 1; }), true, false},
        {"region of 256 bytes", spec([](auto& s) { s.thumbnail = s.thumbnail.left(256 - 42); }), false,
         false},
        {"link below 22", spec([](auto& s) { s.linkOverride = 21; }), false, false},
        {"link past the end", spec([](auto& s) { s.linkOverride = 0x7FFFFFF0; }), false, false},
        {"no IFD1", spec([](auto& s) { s.withIfd1 = false; }), false, false},
        {"JFIF preview",
         spec([](auto& s) { s.thumbnail = fixtures::JpegBytes(fixtures::Quadrants(64, 48)); }), true, false},
        {"no end marker", spec([](auto& s) { s.thumbnail.chop(2); }), true, false},
        {"garbage before the preview", spec([](auto& s) { s.thumbnail.prepend(QByteArray(40, '\x11')); }),
         true, true},
        {"bad header", spec([](auto& s) { s.header = QByteArray("Exig\0\0", 6); }), false, false,
         "Incorrect Exif header"},
        {"bad byte order", spec([](auto& s) { s.byteOrder = "IM"; }), false, false,
         "Invalid Exif alignment marker"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExifReader reader;
        ASSERT_TRUE(reader.ReadExifData(photoWith({exifSegment(c.spec)})));
        EXPECT_EQ(reader.status(), c.status);
        EXPECT_EQ(reader.HasExifThumbnail(), c.hasThumbnail);
        reader.ParseThumbnailDirectory();
        EXPECT_EQ(reader.ExtractExifThumbnail().isNull(), !c.preview);
    }
}

TEST(ExifPreview, OnlyTheFirstFiveSectionsMaySupplyMetadata) {
    fixtures::ExifSpec spec;
    spec.thumbnail = cameraPreview();
    const QByteArray app2 = fixtures::Segment(0xE2, QByteArray(10, 'x'));
    const QByteArray comment = fixtures::Segment(0xFE, QByteArray("made by hand"));
    struct Case {
        const char* name;
        std::vector<QByteArray> segments;
        bool metadata;
        bool thumbnail;
    };
    // The segments come right after the start of image, before the photo's own JFIF header.
    const Case cases[] = {
        {"EXIF first", {exifSegment(spec)}, true, true},
        {"EXIF fourth", {app2, app2, app2, exifSegment(spec)}, true, true},
        {"EXIF fifth", {app2, app2, app2, app2, exifSegment(spec)}, false, false},
        {"EXIF sixth", {app2, app2, app2, app2, app2, exifSegment(spec)}, false, false},
        {"comment, then EXIF fifth", {comment, app2, app2, app2, exifSegment(spec)}, true, true},
        {"EXIF before XMP",
         {exifSegment(spec), fixtures::Segment(0xE1, "http://ns.adobe.com/xap/1.0/")},
         true,
         true},
        {"comment only", {comment}, true, false},
        {"IPTC only", {fixtures::Segment(0xED, "Photoshop 3.0")}, true, false},
        {"nothing", {app2}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExifReader reader;
        EXPECT_EQ(reader.ReadExifData(photoWith(c.segments)), c.metadata);
        EXPECT_EQ(reader.HasMetadata(), c.metadata);
        EXPECT_EQ(reader.HasExifThumbnail(), c.thumbnail);
    }
}

TEST(ExifPreview, CutFilesEndWithoutAPreview) {
    ExifReader reader;
    EXPECT_FALSE(reader.ReadExifData(QByteArray("\x89PNG\r\n", 6)));
    EXPECT_FALSE(reader.ReadExifData(QByteArray()));
    fixtures::ExifSpec spec;
    spec.thumbnail = cameraPreview();
    EXPECT_FALSE(
        reader.ReadExifData(photoWith({exifSegment(spec)}).left(200))); // cut inside the EXIF section
    spec.thumbnail.clear();
    EXPECT_TRUE(
        reader.ReadExifData(photoWith({fixtures::Segment(0xE1, fixtures::ExifPayload(spec).left(20))})));
    EXPECT_EQ(reader.status(), "Illegal Exif construction"); // IFD0 runs past the section
}

TEST(ExifPreview, FilesAreReadOnlyUnderAJpegName) {
    QTemporaryDir dir;
    fixtures::ExifSpec spec;
    spec.thumbnail = cameraPreview();
    const QByteArray bytes = photoWith({exifSegment(spec)});
    for (auto [name, jpeg] :
         {std::pair{"a.jpg", true}, {"b.JPEG", true}, {"c.Jpe", true}, {"d.tif", false}, {"e.png", false}}) {
        ASSERT_TRUE(fixtures::WriteFile(dir.filePath(name), bytes));
        ExifReader reader;
        EXPECT_EQ(reader.ReadExifFile(dir.filePath(name)), jpeg) << name;
        EXPECT_EQ(LoadExifPreview(dir.filePath(name)).isNull(), !jpeg) << name;
    }
    EXPECT_TRUE(LoadExifPreview(dir.filePath("missing.jpg")).isNull());
}

// The corpus: a preview comes out exactly where the camera wrote one that starts with its tables
// (FF D8 FF DB or FF D8 FF C4) and IFD1 says JPEG; it equals the reference thumbnail decoded alone.
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
        if (!tables || reader.thumbnailCompression() != 6 ||
            name.startsWith("damaged_overwritten_mid_thumb")) {
            EXPECT_TRUE(preview.isNull() || name.startsWith("damaged_overwritten_mid_thumb"));
            continue;
        }
        ASSERT_FALSE(preview.isNull());
        EXPECT_EQ(preview, QImage::fromData(reference).convertToFormat(QImage::Format_ARGB32))
            << name.toStdString();
        ++previews;
    }
    EXPECT_GE(previews, 11);
    EXPECT_TRUE(LoadExifPreview(testsupport::corpusFile("kodak_dc210_MM_uncompressed_thumb.jpg")).isNull());
    EXPECT_TRUE(LoadExifPreview(testsupport::corpusFile("jolla_II_nothumb_8mp.jpg")).isNull());
    EXPECT_TRUE(LoadExifPreview(testsupport::corpusFile("canon_40d_II_thumb_jfif.jpg")).isNull());
    EXPECT_TRUE(
        LoadExifPreview(testsupport::corpusFile("damaged_overwritten_exif_ifd1_pointer_canon_s40.jpg"))
            .isNull());
}

} // namespace
