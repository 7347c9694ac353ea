#include "service/uploadpreview.h"

#include <QImageReader>

namespace service {

// Until the image-file layer offers its thumbnail load, Qt's reader stands in for it here; this is the
// one place that changes when it does.
std::optional<QImage> LoadUploadPreview(const QString& path) {
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
}

} // namespace service
