// Feeds arbitrary bytes to the JPEG and TIFF decoders and the EXIF item reader. The first byte picks
// the path; pictures are capped at a few megapixels so that each input stays quick.
#include "imaging/exifitems.h"
#include "imaging/jpegdecoder.h"
#include "imaging/orientation.h"
#include "imaging/tiffdecoder.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::uint64_t kFuzzPixels = 4'000'000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint8_t path = data[0];
    const std::uint8_t* body = data + 1;
    const std::size_t n = size - 1;
    const QByteArray bytes(reinterpret_cast<const char*>(body), static_cast<qsizetype>(n));
    using namespace imaging::detail;
    switch (path % 5) {
    case 0:
    case 1: {
        JpegRequest request;
        request.maxPixels = kFuzzPixels;
        request.output = path % 5 == 0 ? JpegRequest::Output::Bitmap : JpegRequest::Output::Raster;
        if (path & 0x80) {
            request.fitWidth = 96;
            request.fitHeight = 83;
        }
        const JpegResult r = DecodeJpegBytes(body, n, request);
        if (r.ok() && r.bitmap.isNull() && r.raster.isNull())
            __builtin_trap();
        ExifLinesFromApp1(r.exif);
        break;
    }
    case 2: {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        TiffRequest request;
        request.maxPixels = kFuzzPixels;
        const TiffResult r = DecodeTiff(buffer, request);
        if (r.ok() && r.raster.isNull())
            __builtin_trap();
        break;
    }
    case 3:
        ExifLinesFromApp1(QByteArray("Exif\0\0", 6) + bytes);
        imaging::OrientationFromExif(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                     static_cast<std::size_t>(bytes.size()));
        break;
    default:
        ExifLinesFromTiff(bytes);
        break;
    }
    return 0;
}
