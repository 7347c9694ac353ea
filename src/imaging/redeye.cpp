#include "imaging/redeye.h"

#include "core/rounding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace imaging {

namespace {

constexpr int kNotRed = 0;
constexpr int kUngrouped = 1;
constexpr int kFirstBlob = 2;

struct Blob {
    int label = 0;
    int count = 0;
    int minX = 0;
    int maxX = 0;
    int minY = 0;
    int maxY = 0;
    // The blob's first pixel in column order (left to right, each column top to bottom): blobs of equal
    // size are taken in that order.
    int firstX = 0;
    int firstY = 0;
    double aspect() const { return static_cast<double>(maxX - minX + 1) / (maxY - minY + 1); }
};

// Labels of the region, row by row like the image's own memory, so that looking through a large region
// walks memory in order.
class LabelGrid {
public:
    LabelGrid(int width, int height)
        : width_(width)
        , height_(height)
        , labels_(static_cast<std::size_t>(width) * height, kNotRed) {}

    int width() const { return width_; }
    int height() const { return height_; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    int& at(int x, int y) { return labels_[static_cast<std::size_t>(y) * width_ + x]; }
    int at(int x, int y) const { return labels_[static_cast<std::size_t>(y) * width_ + x]; }

private:
    int width_;
    int height_;
    std::vector<int> labels_;
};

// Floods the 8-connected red pixels around (x, y) with the blob's label, using a work list of
// positions: a pupil of a large photo would overflow the stack if this recursed.
Blob flood(LabelGrid& grid, int startX, int startY, int label) {
    Blob blob{label, 0, startX, startX, startY, startY, startX, startY};
    std::vector<QPoint> work{QPoint(startX, startY)};
    grid.at(startX, startY) = label;
    while (!work.empty()) {
        const QPoint p = work.back();
        work.pop_back();
        ++blob.count;
        blob.minX = std::min(blob.minX, p.x());
        blob.maxX = std::max(blob.maxX, p.x());
        blob.minY = std::min(blob.minY, p.y());
        blob.maxY = std::max(blob.maxY, p.y());
        if (p.x() < blob.firstX || (p.x() == blob.firstX && p.y() < blob.firstY)) {
            blob.firstX = p.x();
            blob.firstY = p.y();
        }
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int x = p.x() + dx;
                const int y = p.y() + dy;
                if (grid.inside(x, y) && grid.at(x, y) == kUngrouped) {
                    grid.at(x, y) = label;
                    work.emplace_back(x, y);
                }
            }
    }
    return blob;
}

const Blob* choosePupil(const std::vector<Blob>& ordered) {
    if (ordered.size() == 1 && ordered.front().count > 1)
        return &ordered.front();
    for (const Blob& blob : ordered) {
        if (blob.count <= 1)
            break;
        const double aspect = blob.aspect();
        if (aspect > 0.75 && aspect < 2.0 && blob.count > 20)
            return &blob;
    }
    return nullptr;
}

} // namespace

bool IsRedEyeRed(int red, int green) {
    // Round(1.8 × G) for every G, worked out once: the classification runs for every pixel of a region
    // that may hold tens of millions.
    static const std::array<int, 256> threshold = [] {
        std::array<int, 256> t{};
        for (int g = 0; g < 256; ++g)
            t[static_cast<std::size_t>(g)] = core::RoundEven(1.8L * g);
        return t;
    }();
    return red > threshold[static_cast<std::size_t>(green & 255)] && red > 40;
}

bool RemoveRedEye(const QImage& source, QImage& result) {
    const QImage src = source.convertToFormat(QImage::Format_ARGB32);
    result = src;
    if (src.isNull())
        return false;
    LabelGrid grid(src.width(), src.height());
    for (int y = 0; y < grid.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < grid.width(); ++x)
            if (IsRedEyeRed(qRed(row[x]), qGreen(row[x])))
                grid.at(x, y) = kUngrouped;
    }
    std::vector<Blob> blobs;
    for (int y = 0; y < grid.height(); ++y)
        for (int x = 0; x < grid.width(); ++x)
            if (grid.at(x, y) == kUngrouped)
                blobs.push_back(flood(grid, x, y, kFirstBlob + static_cast<int>(blobs.size())));
    if (blobs.empty())
        return false;
    // Largest first; of equal ones, the one met first when reading the region column by column.
    std::sort(blobs.begin(), blobs.end(), [](const Blob& a, const Blob& b) {
        if (a.count != b.count)
            return a.count > b.count;
        return a.firstX != b.firstX ? a.firstX < b.firstX : a.firstY < b.firstY;
    });
    const Blob* pupil = choosePupil(blobs);
    if (pupil == nullptr)
        return false;

    const int label = pupil->label;
    const auto outsidePupil = [&](int x, int y) { return grid.inside(x, y) && grid.at(x, y) != label; };
    for (int y = pupil->minY; y <= pupil->maxY; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = pupil->minX; x <= pupil->maxX; ++x) {
            if (grid.at(x, y) != label)
                continue;
            const long double r = qRed(in[x]);
            const long double g = qGreen(in[x]);
            const long double b = qBlue(in[x]);
            const bool edge = outsidePupil(x - 1, y) || outsidePupil(x + 1, y) || outsidePupil(x, y - 1) ||
                              outsidePupil(x, y + 1);
            // The rim keeps a little more light, so the darkened pupil does not look cut out.
            const int red = edge ? core::RoundEven(0.1L * r + 0.7L * g + 0.4L * b)
                                 : core::RoundEven(0.05L * r + 0.6L * g + 0.3L * b);
            out[x] = qRgba(red, qGreen(in[x]), qBlue(in[x]), 255);
        }
    }
    return true;
}

bool RemoveRedEyeInRegion(QImage& bitmap, const QRect& asked) {
    if (bitmap.isNull() || asked.isEmpty())
        return false;
    if (bitmap.format() != QImage::Format_ARGB32)
        bitmap = bitmap.convertToFormat(QImage::Format_ARGB32);
    // Beyond the photo the region reads black. One black pixel around the photo tells the pupil's rim
    // all that the rest would, so a region dragged far past the photo costs no more than the photo.
    const QRect region = asked.intersected(bitmap.rect().adjusted(-1, -1, 1, 1));
    const QRect inside = region.intersected(bitmap.rect());
    if (inside.isEmpty())
        return false;
    QImage source(region.size(), QImage::Format_ARGB32);
    if (source.isNull())
        return false;
    source.fill(qRgb(0, 0, 0));
    const QPoint offset = inside.topLeft() - region.topLeft();
    for (int y = 0; y < inside.height(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(bitmap.constScanLine(inside.top() + y)) + inside.left(),
                    inside.width(), reinterpret_cast<QRgb*>(source.scanLine(offset.y() + y)) + offset.x());
    QImage result;
    if (!RemoveRedEye(source, result))
        return false;
    for (int y = 0; y < inside.height(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(result.constScanLine(offset.y() + y)) + offset.x(),
                    inside.width(),
                    reinterpret_cast<QRgb*>(bitmap.scanLine(inside.top() + y)) + inside.left());
    return true;
}

} // namespace imaging
