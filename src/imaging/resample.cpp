#include "imaging/resample.h"

namespace imaging {

QImage ScaleLanczos(const QImage& src, QSize size) {
    if (src.isNull() || size.isEmpty())
        return {};
    return src.convertToFormat(QImage::Format_ARGB32)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

QImage ScaleNearest(const QImage& src, QSize size) {
    if (src.isNull() || size.isEmpty())
        return {};
    return src.convertToFormat(QImage::Format_ARGB32)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

} // namespace imaging
