#pragma once

// Baseline JPEG writing with libjpeg-turbo. Reentrant; libjpeg's errors end the call with an error
// code and nothing is printed.
#include <QtGlobal>

#include <cstdint>

class QIODevice;

namespace imaging::detail {

// Writes width × height pixels of 3 (B, G, R) or 4 (B, G, R, ignored) bytes each, rows `stride` bytes
// apart starting at `first`, as a baseline JPEG at quality 0-100 to `out`. Returns an ImageError code.
int EncodeJpeg(QIODevice& out, int width, int height, int bytesPerPixel, const std::uint8_t* first,
               qsizetype stride, int quality);

} // namespace imaging::detail
