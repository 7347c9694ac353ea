#include "service/uploadpreview.h"

// The image-file layer lands separately; until it is part of the build, Qt's reader stands in for its
// thumbnail load so that the upload worker can be built and tested. This is the one place that changes.
#if __has_include("imaging/imagefile.h")
#include "imaging/imagefile.h"
#define PIXVALE_HAS_IMAGEFILE 1
#else
#include <QImageReader>
#endif

namespace service {

std::optional<QImage> LoadUploadPreview(const QString& path) {
#ifdef PIXVALE_HAS_IMAGEFILE
    imaging::ThumbnailLoad load = imaging::LoadThumbnail(path);
    if (!load.ok() || load.image.isNull())
        return std::nullopt;
    return std::move(load.image);
#else
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    reader.setScaledSize(
        size.scaled(kPreviewWidth, kPreviewHeight, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    return image.convertToFormat(QImage::Format_ARGB32);
#endif
}

} // namespace service
