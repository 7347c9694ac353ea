#include "imaging/subjects.h"

#include "imaging/faces.h"
#include "imaging/imagefile.h"

#include <cmath>
#include <cstdlib>

namespace imaging {

namespace {

// A JPEG is decoded at the smallest DCT scale still twice this box: 4000 × 3000 gives 1000 × 750.
constexpr int kPreviewBox = 500;

QRect scaled(const QRect& r, long double sx, long double sy) {
    const auto at = [](long double v) { return static_cast<int>(std::nearbyint(v)); };
    const int left = at(r.left() * sx);
    const int top = at(r.top() * sy);
    return {left, top, at((r.left() + r.width()) * sx) - left, at((r.top() + r.height()) * sy) - top};
}

} // namespace

QImage SearchCopy(const QImage& image) {
    if (image.isNull())
        return {};
    const long double pixels = static_cast<long double>(image.width()) * image.height();
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    if (pixels <= kSearchPixels)
        return grey;
    const long double k = std::sqrt(kSearchPixels / pixels);
    const int w = std::max(1, static_cast<int>(image.width() * k));
    const int h = std::max(1, static_cast<int>(image.height() * k));
    return grey.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::vector<long long> RowDetail(const QImage& grey) {
    std::vector<long long> detail(static_cast<std::size_t>(std::max(0, grey.height())), 0);
    for (int y = 0; y < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        const uchar* below = grey.constScanLine(y + 1 < grey.height() ? y + 1 : y);
        long long sum = 0;
        for (int x = 0; x < grey.width(); ++x) {
            const int right = row[x + 1 < grey.width() ? x + 1 : x];
            sum += std::abs(right - row[x]) + std::abs(below[x] - row[x]);
        }
        detail[static_cast<std::size_t>(y)] = sum;
    }
    return detail;
}

PhotoSubjects FindSubjects(const QImage& grey, QSize photoSize) {
    PhotoSubjects found;
    found.size = photoSize;
    if (grey.isNull() || photoSize.isEmpty())
        return found;
    found.searched = grey.size();
    const long double sx = static_cast<long double>(photoSize.width()) / grey.width();
    const long double sy = static_cast<long double>(photoSize.height()) / grey.height();
    for (const QRect& face : DetectFaces(grey))
        found.faces.push_back(scaled(face, sx, sy));
    found.detail = RowDetail(grey);
    return found;
}

PhotoSubjects FindSubjectsInFile(const QString& path) {
    const PreviewLoad preview = LoadPhotoPreview(path, kPreviewBox, kPreviewBox);
    if (!preview.ok())
        return {};
    return FindSubjects(SearchCopy(preview.image), preview.fullSize);
}

} // namespace imaging
