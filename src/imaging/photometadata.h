#pragma once

// The metadata a photo carries besides its pixels, kept across an edit: the EXIF block and the ICC
// colour profile of a JPEG file (or the camera items and profile of a TIFF), and the JPEG save that
// writes them back.
//
// A saved edit is upright and may have another size, so the EXIF block is rewritten on the way: its
// Orientation becomes 1, its pixel dimensions follow the image and its embedded preview (IFD1), which
// would show the unedited photo, is dropped. Every other item (dates, camera, exposure, GPS, maker
// notes) is kept as it was. Reentrant: callable from any thread.
#include "imaging/imagefile.h"

#include "imaging/raster.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace imaging {

struct PhotoMetadata {
    QByteArray exif; // the APP1 payload, starting "Exif\0\0"; empty when the photo has none
    QByteArray icc;  // the whole ICC profile (its APP2 chunks joined); empty when there is none

    bool isEmpty() const { return exif.isEmpty() && icc.isEmpty(); }
};

// Reads the metadata of a JPEG file from its header, or of a TIFF file from its directories (the pixels
// are not read). A damaged header or a missing file give empty metadata.
PhotoMetadata ReadPhotoMetadata(const QString& path);

// The EXIF payload made fit for an upright `size` image: Orientation 1, PixelXDimension and
// PixelYDimension set, IFD1 and its preview removed. Empty when `exif` cannot be read or the result
// would not fit in one JPEG segment.
QByteArray ExifForSavedImage(const QByteArray& exif, QSize size);

// A whole JPEG file in memory, or the reason there is none.
struct EncodedJpeg : ImageStatus {
    QByteArray bytes;
};

// The file SaveJpegWithMetadata writes, built in memory (so that a caller can encode on one thread and
// decide later, on another, whether and where to write it). A raster of another depth than 24 or 32
// bits is converted first, as SaveJpeg does.
EncodedJpeg EncodeJpegWithMetadata(const QImage& image, int quality, const PhotoMetadata& metadata);
EncodedJpeg EncodeJpegWithMetadata(const Raster& raster, int quality, const PhotoMetadata& metadata);

// Writes `bytes` to a temporary file beside `path` and renames it over `path` only when complete: a
// failure leaves the file that was there untouched.
SaveResult WriteFileAtomically(const QString& path, const QByteArray& bytes);

// SaveJpeg that also writes `metadata` (the EXIF block rewritten by ExifForSavedImage, the ICC profile
// split into APP2 chunks). Like SaveJpeg it replaces the target only when the whole file is written.
SaveResult SaveJpegWithMetadata(const QImage& image, const QString& path, int quality,
                                const PhotoMetadata& metadata);

// Reads one EXIF item of a JPEG file as text ("" when absent): tests and diagnostics.
QString ExifItemText(const QString& path, int tag, int ifd);

} // namespace imaging
