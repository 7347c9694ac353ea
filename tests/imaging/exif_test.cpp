// The camera's EXIF preview and the metadata an edited save carries over.
#include "imagefixtures.h"

#include "imaging/exifpreview.h"
#include "imaging/photometadata.h"

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
        {"normal", [](ExifSpec&) {}, true, true, "<none>"},
        {"big-endian", [](ExifSpec& s) { s.bigEndian = true; }, true, true, "<none>"},
        {"uncompressed", [](ExifSpec& s) { s.compression = 1; }, true, false, "<none>"},
        {"region of 256 bytes", [](ExifSpec& s) { s.thumbnail = s.thumbnail.left(256 - 42); }, false, false,
         "<none>"},
        {"link below 22", [](ExifSpec& s) { s.linkOverride = 21; }, false, false, "<none>"},
        {"link past the end", [](ExifSpec& s) { s.linkOverride = 0x7FFFFFF0; }, false, false, "<none>"},
        {"no IFD1", [](ExifSpec& s) { s.withIfd1 = false; }, false, false, "<none>"},
        {"JFIF preview", [](ExifSpec& s) { s.thumbnail = fixtures::JpegBytes(fixtures::Quadrants(64, 48)); },
         true, false},
        {"no end marker", [](ExifSpec& s) { s.thumbnail.chop(2); }, true, false, "<none>"},
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
    ASSERT_EQ(std::pair(expected.size(), expected.format()), std::pair(QSize(64, 48), QImage::Format_ARGB32));
    EXPECT_EQ(expected.pixel(10, 10) >> 20, fixtures::Quadrants(64, 48).pixel(10, 10) >> 20); // red corner
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExifSpec spec = withPreview();
        c.change(spec);
        ExifReader reader;
        ASSERT_TRUE(reader.ReadExifData(photoWith({exifSegment(spec)})));
        EXPECT_EQ(std::pair(reader.status(), reader.HasExifThumbnail()),
                  std::pair(QString(c.status), c.hasThumbnail));
        reader.ParseThumbnailDirectory();
        const QImage preview = reader.ExtractExifThumbnail();
        EXPECT_EQ(preview.isNull() ? QImage() : expected, c.preview ? expected : QImage());
        EXPECT_TRUE(preview.isNull() || preview == expected);
    }
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
