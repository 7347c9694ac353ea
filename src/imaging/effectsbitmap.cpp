#include "imaging/effectsbitmap.h"

#include <cstdlib>
#include <limits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace imaging::detail {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kLargeBitmap = std::size_t{8} << 20;

void freeBuffer(void* buffer) {
    std::free(buffer);
}
} // namespace

QImage NewBitmap(int width, int height) {
    if (width <= 0 || height <= 0 || width > std::numeric_limits<int>::max() / 4)
        return {};
    const qsizetype bytesPerLine = static_cast<qsizetype>(width) * 4;
    const std::size_t bytes = static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(height);
#if defined(__linux__)
    if (bytes >= kLargeBitmap) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* buffer = std::aligned_alloc(kHugePage, rounded);
        if (buffer == nullptr)
            return {};
        madvise(buffer, rounded, MADV_HUGEPAGE); // advice only: without huge pages it still works
        return QImage(static_cast<uchar*>(buffer), width, height, bytesPerLine, QImage::Format_ARGB32,
                      freeBuffer, buffer);
    }
#endif
    return QImage(width, height, QImage::Format_ARGB32);
}

} // namespace imaging::detail
