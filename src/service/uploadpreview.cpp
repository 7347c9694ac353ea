#include "service/uploadpreview.h"

#include "imaging/imagefile.h"

namespace service {

std::optional<QImage> LoadUploadPreview(const QString& path) {
    imaging::ThumbnailLoad load = imaging::LoadThumbnail(path);
    if (!load.ok() || load.image.isNull())
        return std::nullopt;
    return std::move(load.image);
}

} // namespace service
