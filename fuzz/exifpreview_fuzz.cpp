// Feeds arbitrary bytes to the EXIF preview reader as if they were a JPEG file.
#include "imaging/exifpreview.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    imaging::ExifReader reader;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    reader.ReadExifData(bytes);
    if (reader.HasMetadata() && reader.HasExifThumbnail()) {
        reader.ParseThumbnailDirectory();
        const QImage preview = reader.ExtractExifThumbnail();
        if (!preview.isNull() && (preview.width() <= 0 || preview.height() <= 0))
            __builtin_trap();
    }
    return 0;
}
