#pragma once

// TIFF decoding with libtiff for the image-file layer: the first page of a file into the intermediate
// raster at the depth the file calls for. Reentrant: every call opens its own TIFF handle with its own
// error and warning handlers, so nothing is printed and nothing is shared between threads.
#include "imaging/decodelimits.h"
#include "imaging/imagefile.h"
#include "imaging/raster.h"

#include <cstdint>

class QIODevice;

namespace imaging::detail {

struct TiffResult : ImageStatus {
    Raster raster;        // as stored (not yet upright)
    int orientation = 1;  // the file's own "Orientation", 1-8
    bool hasExif = false; // the first directory links an EXIF directory
};

// Decodes the first page of a TIFF file read from a seekable device.
TiffResult DecodeTiff(QIODevice& device, std::uint64_t maxPixels = kMaxPixels);

// Silences libtiff's process-wide handlers (used only where a per-file handler cannot be set); safe
// to call from any thread, any number of times.
void SilenceTiffGlobalHandlers();

} // namespace imaging::detail
