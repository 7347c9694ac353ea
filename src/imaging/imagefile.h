#pragma once

// Photo files on disk: whole-photo loads into the working bitmap or the intermediate raster, the 96 × 83
// thumbnail, the EXIF line list and JPEG writing, on top of libjpeg-turbo, libtiff and libexif.
//
// Every function here is reentrant: the viewer, the upload worker and the thumbnail pool may call any of
// them from any thread at the same time. Nothing here shows a window; each operation returns its result
// with an error code and the Polish text of that code, and the caller shows its own message.
#include "imaging/raster.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace imaging {

// Error codes of the image-file layer; ImageErrorText gives the Polish text of each.
enum ImageError : int {
    ImageOk = 0,
    ImageErrorOpen = 1,         // the file cannot be opened
    ImageErrorRead = 2,         // a read from the file failed
    ImageErrorFormat = 3,       // neither JPEG nor TIFF
    ImageErrorCorrupt = 4,      // the file's data is damaged or truncated
    ImageErrorDepth = 5,        // a depth other than 1, 4, 8, 24 or 32 bits per pixel
    ImageErrorTooLarge = 6,     // above 400 megapixels or a raster above 2 GiB
    ImageErrorMemory = 7,       // memory could not be allocated
    ImageErrorWrite = 8,        // the target file cannot be written
    ImageErrorBadParameter = 9, // an empty image, a bad quality or path
    ImageErrorUnsupported = 10  // a JPEG or TIFF variant that cannot be decoded (12-bit, for instance)
};

// The Polish text of an error code ("" for ImageOk).
QString ImageErrorText(int code);

// The viewer's and browser's message for an image of another depth.
inline constexpr const char kUnsupportedDepthMessage[] =
    "Tylko obrazy 1, 4, 8, 24 lub 32 BitsPerPixel są obsługiwane w tym programie!";

// What every operation reports: an error code and its text.
struct ImageStatus {
    int error = ImageOk;
    QString errorText;

    bool ok() const { return error == ImageOk; }
    bool depthRefused() const { return error == ImageErrorDepth; }
};

// A whole photo in the working bitmap (QImage::Format_ARGB32, alpha 255), upright after the EXIF
// "Orientation", with its EXIF line list ("name = value" lines, or the single line "<brak danych>").
struct PhotoLoad : ImageStatus {
    QImage bitmap;
    QStringList exifLines;
};

// A whole photo in the intermediate raster (1, 4 or 8 bits indexed, 24 or 32 bits), upright. No EXIF.
struct RasterLoad : ImageStatus {
    Raster raster;
};

// A reduced photo no wider than 96 and no higher than 83 pixels, with the photo's (upright) aspect ratio,
// in QImage::Format_ARGB32 with alpha 255.
struct ThumbnailLoad : ImageStatus {
    QImage image;
};

// The result of a save; on failure the file that was at the path before is left untouched.
struct SaveResult : ImageStatus {};

inline constexpr int kThumbnailBoxWidth = 96;
inline constexpr int kThumbnailBoxHeight = 83;

// Start-up and shutdown of the image-file layer; each runs once however often it is called. Loads and
// saves also work without them.
void InitImageLibrary();
void ExitImageLibrary();

// Loads a JPEG or TIFF file (the first page of a multi-page one) into the working bitmap with its EXIF
// lines.
PhotoLoad LoadPhoto(const QString& path);

// Loads a JPEG or TIFF file into the intermediate raster at its own depth.
RasterLoad LoadPhotoRaster(const QString& path);

// Loads a thumbnail that fits 96 × 83; JPEG files are decoded at a reduced scale, never at full size.
ThumbnailLoad LoadThumbnail(const QString& path);

// A reduced photo for looking at what it shows, upright, in QImage::Format_ARGB32 with alpha 255: a JPEG
// file is decoded at the smallest DCT scale whose picture is still at least twice the box fitted with
// the photo's aspect ratio, never larger than needed; a TIFF file is decoded whole. Not reduced further.
// `fullSize` is the upright photo's own size.
struct PreviewLoad : ThumbnailLoad {
    QSize fullSize;
};
PreviewLoad LoadPhotoPreview(const QString& path, int boxWidth, int boxHeight);

// Writes a baseline JPEG at quality 0-100 (libjpeg's lowest is 1). Alpha is ignored. The file is written
// to a temporary file in the same folder and renamed over the target only when complete.
SaveResult SaveJpeg(const QImage& image, const QString& path, int quality);
SaveResult SaveJpeg(const Raster& raster, const QString& path, int quality);

// "Błąd odczytu pliku: " + the error text, or the depth message for a depth refusal: what the viewer
// shows after a failed load.
QString ViewerLoadMessage(const ImageStatus& status);

// True for a ".tif" or ".tiff" file name in any letter case.
bool IsTiffPath(const QString& path);

// The batch cropping wizard's English texts: "File not readable: " + the error text, or its depth message.
QString WizardLoadMessage(const ImageStatus& status);

// "Błąd podczas zapisu pliku: " + the error text: what both saves show after a failure.
QString SaveFailureMessage(const ImageStatus& status);

} // namespace imaging
