#pragma once

// TIFF decoding with libtiff for the image-file layer: the first page of a file into the intermediate
// raster at the depth the file calls for, or straight into the working bitmap. Reentrant: every call
// opens its own TIFF handle with its own error and warning handlers, so nothing is printed and nothing
// is shared between threads. Never throws.
//
// Nothing large is allocated before the file is known to hold the data for it: tiles may not be larger
// than the picture, an uncompressed strip or tile must hold all of its rows, and compressed data must
// be plausible for the size it claims to expand to.
#include "imaging/decodelimits.h"
#include "imaging/imagefile.h"
#include "imaging/raster.h"

#include <QImage>

#include <cstdint>

class QIODevice;

namespace imaging::detail {

struct TiffRequest {
    enum class Output { Raster, Bitmap };
    Output output = Output::Raster;
    std::uint64_t maxPixels = kMaxPixels;
};

struct TiffResult : ImageStatus {
    Raster raster;        // Output::Raster: as stored (not yet upright)
    QImage bitmap;        // Output::Bitmap: Format_ARGB32, alpha 255, as stored
    int orientation = 1;  // the file's own "Orientation", 1-8
    bool hasExif = false; // the first directory links an EXIF directory
};

// Decodes the first page of a TIFF file read from a seekable device positioned anywhere.
TiffResult DecodeTiff(QIODevice& device, const TiffRequest& request = {});

// Silences libtiff's process-wide handlers (used only where a per-file handler cannot be set); safe
// to call from any thread, any number of times.
void SilenceTiffGlobalHandlers();

} // namespace imaging::detail
