#pragma once

// The small picture the upload wizard shows of the photo being sent: the image-file layer's thumbnail,
// which fits a 96 × 83 box with the photo's aspect. Reentrant: the upload worker calls it on its own
// thread.
#include <QImage>
#include <QString>

#include <optional>

namespace service {

// Nothing when the file cannot be read as a photo (a library error or a refused depth); no message.
std::optional<QImage> LoadUploadPreview(const QString& path);

} // namespace service
