#pragma once

// The small picture the upload wizard shows of the photo being sent: the photo reduced to fit a
// 96 × 83 box, aspect kept. Reentrant: the upload worker calls it on its own thread.
#include <QImage>
#include <QString>

#include <optional>

namespace service {

inline constexpr int kPreviewWidth = 96;
inline constexpr int kPreviewHeight = 83;

// Nothing when the file cannot be read as a photo; no message either way.
std::optional<QImage> LoadUploadPreview(const QString& path);

} // namespace service
