#pragma once

// The largest images the decoders accept, checked before anything large is allocated.
#include "imaging/imagefile.h"

#include <cstdint>
#include <limits>

namespace imaging::detail {

inline constexpr std::uint64_t kMaxPixels = 400'000'000;
inline constexpr std::uint64_t kMaxRasterBytes = std::uint64_t{1} << 31; // 2 GiB

// ImageOk when an image of this size fits the limits at the given depth (every row within INT_MAX
// bytes, the whole within 2 GiB), else ImageErrorTooLarge (ImageErrorCorrupt for a zero or negative
// side).
inline int CheckImageSize(std::int64_t width, std::int64_t height, int bitsPerPixel) {
    if (width <= 0 || height <= 0)
        return ImageErrorCorrupt;
    const auto w = static_cast<std::uint64_t>(width);
    const auto h = static_cast<std::uint64_t>(height);
    if (w > kMaxPixels || h > kMaxPixels || w * h > kMaxPixels)
        return ImageErrorTooLarge;
    const std::uint64_t rowBytes = (w * static_cast<std::uint64_t>(bitsPerPixel) + 31) / 32 * 4;
    if (rowBytes > static_cast<std::uint64_t>(std::numeric_limits<int>::max()) ||
        rowBytes * h > kMaxRasterBytes)
        return ImageErrorTooLarge;
    return ImageOk;
}

} // namespace imaging::detail
