#include "imaging/imagefile.h"

#include "imaging/exifitems.h"
#include "imaging/jpegdecoder.h"
#include "imaging/jpegencoder.h"
#include "imaging/orientation.h"
#include "imaging/rasterconvert.h"
#include "imaging/tiffdecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <atomic>
#include <new>
#include <stdexcept>

namespace imaging {

namespace {

enum class FileKind { Jpeg, Tiff, Unknown };

// The EXIF items of a TIFF file are read from memory; a larger file keeps what lies in its first part.
constexpr qint64 kMaxTiffExifBytes = qint64{64} * 1024 * 1024;

std::atomic<int> libraryUsers{0};

template <class Result>
Result failed(int code) {
    Result r;
    r.error = code;
    r.errorText = ImageErrorText(code);
    return r;
}

int openForReading(QFile& file) {
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return ImageErrorOpen;
    if (file.size() == 0)
        return ImageErrorCorrupt;
    return ImageOk;
}

FileKind sniff(QFile& file) {
    char head[4] = {};
    const qint64 got = file.peek(head, 4);
    const auto b = [&](int i) { return static_cast<unsigned char>(head[i]); };
    if (got >= 2 && b(0) == 0xFF && b(1) == 0xD8)
        return FileKind::Jpeg;
    const bool little = head[0] == 'I' && head[1] == 'I' && (b(2) == 42 || b(2) == 43) && b(3) == 0;
    const bool big = head[0] == 'M' && head[1] == 'M' && b(2) == 0 && (b(3) == 42 || b(3) == 43);
    if (got == 4 && (little || big))
        return FileKind::Tiff;
    return FileKind::Unknown;
}

// The smooth reduction of an upright picture into the thumbnail box.
QImage reduceToThumbnail(QImage image) {
    int w = 0;
    int h = 0;
    detail::FitInBox(image.width(), image.height(), kThumbnailBoxWidth, kThumbnailBoxHeight, w, h);
    // Alpha is 255 everywhere, so the picture can be scaled as opaque RGB (no premultiplying).
    image.reinterpretAsFormat(QImage::Format_RGB32);
    if (w != image.width() || h != image.height())
        image = image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    image.reinterpretAsFormat(QImage::Format_ARGB32);
    return image;
}

QStringList tiffExifLines(QFile& file) {
    if (!file.seek(0))
        return {};
    return detail::ExifLinesFromTiff(file.read(std::min(file.size(), kMaxTiffExifBytes)));
}

} // namespace

QString ImageErrorText(int code) {
    switch (code) {
    case ImageOk:
        return {};
    case ImageErrorOpen:
        return QStringLiteral("Nie można otworzyć pliku");
    case ImageErrorRead:
        return QStringLiteral("Błąd odczytu danych z pliku");
    case ImageErrorFormat:
        return QStringLiteral("Nieznany format pliku (oczekiwano JPEG lub TIFF)");
    case ImageErrorCorrupt:
        return QStringLiteral("Plik jest uszkodzony lub niekompletny");
    case ImageErrorDepth:
        return QStringLiteral("Nieobsługiwana liczba bitów na piksel");
    case ImageErrorTooLarge:
        return QStringLiteral("Obraz jest zbyt duży (ponad 400 megapikseli lub ponad 2 GiB danych)");
    case ImageErrorMemory:
        return QStringLiteral("Za mało pamięci");
    case ImageErrorWrite:
        return QStringLiteral("Nie można zapisać pliku");
    case ImageErrorBadParameter:
        return QStringLiteral("Nieprawidłowy obraz lub parametr zapisu");
    case ImageErrorUnsupported:
        return QStringLiteral("Nieobsługiwany rodzaj pliku JPEG lub TIFF");
    default:
        return QStringLiteral("Nieznany błąd (kod %1)").arg(code);
    }
}

QString ViewerLoadMessage(const ImageStatus& status) {
    if (status.depthRefused())
        return QString::fromUtf8(kUnsupportedDepthMessage);
    return QStringLiteral("Błąd odczytu pliku: ") + status.errorText;
}

bool IsTiffPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("tif") || suffix == QLatin1String("tiff");
}

QString WizardLoadMessage(const ImageStatus& status) {
    if (status.depthRefused())
        return QStringLiteral("Only 1, 4, 8, 24 or 32 BitsPerPixel are supported in this demo !");
    return QStringLiteral("File not readable: ") + status.errorText;
}

QString SaveFailureMessage(const ImageStatus& status) {
    return QStringLiteral("Błąd podczas zapisu pliku: ") + status.errorText;
}

void InitImageLibrary() {
    if (libraryUsers.fetch_add(1) == 0)
        detail::SilenceTiffGlobalHandlers();
}

void ExitImageLibrary() {
    // Nothing is held between calls; the counter only keeps start-up and shutdown paired.
    int users = libraryUsers.load();
    while (users > 0 && !libraryUsers.compare_exchange_weak(users, users - 1)) {
    }
}

namespace {

// Opens the file, tells JPEG from TIFF by its first bytes and hands the decoded picture to the
// caller's step for that kind.
template <class Result, class OnJpeg, class OnTiff>
Result loadWith(const QString& path, const detail::JpegRequest& request,
                detail::TiffRequest::Output tiffOutput, OnJpeg onJpeg, OnTiff onTiff) {
    QFile file(path);
    if (const int e = openForReading(file); e != ImageOk)
        return failed<Result>(e);
    Result result;
    switch (sniff(file)) {
    case FileKind::Jpeg: {
        detail::JpegResult jpeg = detail::DecodeJpeg(file, request);
        if (!jpeg.ok())
            return failed<Result>(jpeg.error);
        onJpeg(result, jpeg);
        return result;
    }
    case FileKind::Tiff: {
        detail::TiffRequest tiffRequest;
        tiffRequest.output = tiffOutput;
        detail::TiffResult tiff = detail::DecodeTiff(file, tiffRequest);
        if (!tiff.ok())
            return failed<Result>(tiff.error);
        onTiff(result, tiff, file);
        return result;
    }
    case FileKind::Unknown:
        break;
    }
    return failed<Result>(ImageErrorFormat);
}

// Runs one public operation so that no exception leaves it: a picture too large for the memory left
// ends as the memory error, whichever step (decoding, turning upright, reducing, encoding) ran out.
template <class Result, class Operation>
Result neverThrowing(Operation operation) {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return failed<Result>(ImageErrorMemory);
    } catch (const std::length_error&) {
        return failed<Result>(ImageErrorMemory);
    }
}

} // namespace

PhotoLoad LoadPhoto(const QString& path) {
    return neverThrowing<PhotoLoad>([&]() -> PhotoLoad {
        PhotoLoad result = loadWith<PhotoLoad>(
            path, {}, detail::TiffRequest::Output::Bitmap,
            [](PhotoLoad& r, const detail::JpegResult& jpeg) {
                r.bitmap = ApplyOrientation(jpeg.bitmap, jpeg.orientation);
                r.exifLines = detail::ExifLinesFromApp1(jpeg.exif);
            },
            [](PhotoLoad& r, const detail::TiffResult& tiff, QFile& file) {
                r.bitmap = ApplyOrientation(tiff.bitmap, tiff.orientation);
                if (tiff.hasExif)
                    r.exifLines = tiffExifLines(file);
            });
        if (result.ok() && result.bitmap.isNull())
            return failed<PhotoLoad>(ImageErrorMemory);
        if (result.ok() && result.exifLines.isEmpty())
            result.exifLines << QStringLiteral("<brak danych>");
        return result;
    });
}

RasterLoad LoadPhotoRaster(const QString& path) {
    return neverThrowing<RasterLoad>([&]() -> RasterLoad {
        detail::JpegRequest request;
        request.output = detail::JpegRequest::Output::Raster;
        RasterLoad result = loadWith<RasterLoad>(
            path, request, detail::TiffRequest::Output::Raster,
            [](RasterLoad& r, const detail::JpegResult& jpeg) {
                r.raster = ApplyOrientation(jpeg.raster, jpeg.orientation);
            },
            [](RasterLoad& r, const detail::TiffResult& tiff, QFile&) {
                r.raster = ApplyOrientation(tiff.raster, tiff.orientation);
            });
        if (result.ok() && result.raster.isNull())
            return failed<RasterLoad>(ImageErrorMemory);
        return result;
    });
}

PreviewLoad LoadPhotoPreview(const QString& path, int boxWidth, int boxHeight) {
    return neverThrowing<PreviewLoad>([&]() -> PreviewLoad {
        detail::JpegRequest request;
        request.fitWidth = boxWidth;
        request.fitHeight = boxHeight;
        PreviewLoad result = loadWith<PreviewLoad>(
            path, request, detail::TiffRequest::Output::Bitmap,
            [](PreviewLoad& r, const detail::JpegResult& jpeg) {
                r.image = ApplyOrientation(jpeg.bitmap, jpeg.orientation);
                r.fullSize = OrientationSwapsSides(jpeg.orientation) ? QSize(jpeg.fullHeight, jpeg.fullWidth)
                                                                     : QSize(jpeg.fullWidth, jpeg.fullHeight);
            },
            [](PreviewLoad& r, const detail::TiffResult& tiff, QFile&) {
                r.image = ApplyOrientation(tiff.bitmap, tiff.orientation);
                r.fullSize = r.image.size();
            });
        if (result.ok() && result.image.isNull())
            return failed<PreviewLoad>(ImageErrorMemory);
        return result;
    });
}

ThumbnailLoad LoadThumbnail(const QString& path) {
    return neverThrowing<ThumbnailLoad>([&]() -> ThumbnailLoad {
        ThumbnailLoad result = LoadPhotoPreview(path, kThumbnailBoxWidth, kThumbnailBoxHeight);
        if (result.ok())
            result.image = reduceToThumbnail(std::move(result.image));
        return result;
    });
}

namespace {

SaveResult saveRows(const QString& path, int width, int height, int bytesPerPixel, const std::uint8_t* first,
                    qsizetype stride, int quality) {
    if (path.isEmpty() || quality < 0 || quality > 100)
        return failed<SaveResult>(ImageErrorBadParameter);
    // Written beside the target and renamed over it only when complete, so a failure never damages the
    // photo being replaced.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed<SaveResult>(ImageErrorWrite);
    const int e = detail::EncodeJpeg(file, width, height, bytesPerPixel, first, stride, quality);
    if (e != ImageOk) {
        file.cancelWriting();
        return failed<SaveResult>(e);
    }
    // QSaveFile's commit renames even when its last flush wrote only part of the file (a full disk):
    // the flush is checked first, so that a short file never replaces the photo.
    if (!file.flush() || !file.commit())
        return failed<SaveResult>(ImageErrorWrite);
    return {};
}

} // namespace

SaveResult SaveJpeg(const QImage& image, const QString& path, int quality) {
    return neverThrowing<SaveResult>([&]() -> SaveResult {
        if (image.isNull())
            return failed<SaveResult>(ImageErrorBadParameter);
        const QImage source =
            image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
                ? image
                : image.convertToFormat(QImage::Format_RGB32);
        return saveRows(path, source.width(), source.height(), 4, source.constBits(), source.bytesPerLine(),
                        quality);
    });
}

SaveResult SaveJpeg(const Raster& raster, const QString& path, int quality) {
    return neverThrowing<SaveResult>([&]() -> SaveResult {
        if (raster.isNull() ||
            raster.pixels.size() < static_cast<std::size_t>(raster.bytesPerRow) * raster.height)
            return failed<SaveResult>(ImageErrorBadParameter);
        if (raster.bitsPerPixel == 24 || raster.bitsPerPixel == 32)
            return saveRows(path, raster.width, raster.height, raster.bitsPerPixel / 8, raster.pixels.data(),
                            raster.bytesPerRow, quality);
        const Raster direct = RasterTo24(raster);
        if (direct.isNull())
            return failed<SaveResult>(ImageErrorMemory);
        return saveRows(path, direct.width, direct.height, 3, direct.pixels.data(), direct.bytesPerRow,
                        quality);
    });
}

} // namespace imaging
