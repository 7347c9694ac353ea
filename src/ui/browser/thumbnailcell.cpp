#include "ui/browser/thumbnailcell.h"

#include "core/rounding.h"
#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"
#include "imaging/resample.h"

#include <QPainter>

#include <cmath>

namespace ui {

namespace {

bool isJpeg(const QString& path) {
    const QString upper = path.toUpper();
    return upper.endsWith(QLatin1String(".JPG")) || upper.endsWith(QLatin1String(".JPEG"));
}

} // namespace

QRect thumbnailPlacement(QSize photo) {
    if (photo.isEmpty())
        return {};
    const long double w = photo.width();
    const long double h = photo.height();
    if (w / h >= static_cast<long double>(kBoxWidth) / kBoxHeight) {
        const int height = qMax(1, core::RoundEven(h / (w / kBoxWidth)));
        return {kBoxLeft, kBoxTop + (kBoxHeight - height) / 2, kBoxWidth, height};
    }
    const int width = qMax(1, core::RoundEven(w / (h / kBoxHeight)));
    return {kBoxLeft + (kBoxWidth - width) / 2, kBoxTop, width, kBoxHeight};
}

QImage decodeThumbnail(const QString& path) {
    // The camera's own preview is by far the quickest; it comes turned upright like every other load.
    QImage picture = isJpeg(path) ? imaging::LoadExifPreview(path) : QImage();
    if (picture.width() == 0 || picture.height() == 0)
        picture = imaging::LoadThumbnail(path).image;
    return picture;
}

QImage composeCell(const QImage& photo, const QImage& blank, const QImage& placeholder) {
    const QRect logical = thumbnailPlacement(photo.size());
    if (logical.isEmpty())
        return failedCell(placeholder);
    // On a scaled screen the cell has more device pixels than logical ones: the photo is scaled to those.
    const qreal r = blank.devicePixelRatio();
    const QRect place =
        r == 1.0 ? logical
                 : QRect(qRound(logical.x() * r), qRound(logical.y() * r),
                         qMax(1, qRound(logical.width() * r)), qMax(1, qRound(logical.height() * r)));
    QImage scaled = photo.size() == place.size() ? photo.convertToFormat(QImage::Format_ARGB32)
                                                 : imaging::ScaleLanczos(photo, place.size());
    if (scaled.isNull())
        return failedCell(placeholder);
    scaled.setDevicePixelRatio(r);
    QImage cell = blank.convertToFormat(QImage::Format_ARGB32);
    QPainter p(&cell);
    p.drawImage(QPointF(place.x() / r, place.y() / r), scaled);
    return cell;
}

QImage failedCell(const QImage& placeholder) {
    QImage cell = placeholder.convertToFormat(QImage::Format_ARGB32);
    QPainter p(&cell);
    p.setPen(QPen(QColor(255, 0, 0), 2));
    p.drawLine(28, 21, 88, 81);
    p.drawLine(88, 21, 28, 81);
    return cell;
}

} // namespace ui
