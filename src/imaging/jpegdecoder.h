#pragma once

// JPEG decoding with libjpeg-turbo for the image-file layer and the EXIF preview. Reentrant: each call
// has its own decompressor, error manager and source; libjpeg's errors end the call with an error code
// (never the process) and its warnings are counted, never printed.
#include "imaging/decodelimits.h"
#include "imaging/imagefile.h"
#include "imaging/raster.h"

#include <QByteArray>
#include <QImage>

#include <cstddef>
#include <cstdint>

class QIODevice;

namespace imaging::detail {

struct JpegRequest {
    enum class Output { Bitmap, Raster };
    Output output = Output::Bitmap;
    // A box (in upright pixels) the result will be reduced to: decode at the smallest DCT scale whose
    // image is still at least twice the fitted size. Zero: full size.
    int fitWidth = 0;
    int fitHeight = 0;
    std::uint64_t maxPixels = kMaxPixels;
};

struct JpegResult : ImageStatus {
    QImage bitmap;   // Output::Bitmap: Format_ARGB32, alpha 255, as stored (not yet upright)
    Raster raster;   // Output::Raster: 8 bits through the grey ramp or 24 bits, as stored
    QByteArray exif; // the first APP1 payload that starts "Exif\0\0"
    int orientation = 1;
    int fullWidth = 0; // the stored image's own size, before any scaling
    int fullHeight = 0;
};

// Decodes a JPEG stream from a device positioned at its start.
JpegResult DecodeJpeg(QIODevice& device, const JpegRequest& request);

// Decodes a JPEG stream held in memory (the bytes must outlive the call).
JpegResult DecodeJpegBytes(const std::uint8_t* data, std::size_t size, const JpegRequest& request);

// The DCT scale numerator (over 8) for a stored image of width × height reduced into boxW × boxH.
int JpegScaleFor(int width, int height, int boxW, int boxH);

// The size an image of width × height gets when fitted into boxW × boxH with its aspect ratio.
void FitInBox(int width, int height, int boxW, int boxH, int& outW, int& outH);

} // namespace imaging::detail
