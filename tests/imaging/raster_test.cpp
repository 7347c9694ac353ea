#include "imaging/raster.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(Raster, RowsArePaddedToFourBytesCountedIn64BitsAndBadSizesRefused) {
    using imaging::Raster;
    const std::tuple<std::int64_t, int, std::int64_t> strides[] = {
        {1, 1, 4},
        {33, 1, 8},
        {7, 4, 4},
        {3, 24, 12},
        {5, 24, 16},
        // Rows of photos no int can count in bits.
        {300'000'000, 8, 300'000'000},
        {100'000'000, 24, 300'000'000},
        {400'000'000, 32, 1'600'000'000},
        {300'000'001, 1, 37'500'004},
        {600'000'000, 32, 2'400'000'000},
    };
    for (const auto& [width, bits, stride] : strides)
        EXPECT_EQ(Raster::strideFor(width, bits), stride) << width << " × " << bits;
    const Raster r = Raster::allocate(5, 3, 24);
    EXPECT_EQ(std::pair(r.bytesPerRow, r.pixels.size()), std::pair(16, std::size_t{48}));
    // A row beyond INT_MAX bytes is refused before anything is allocated.
    for (const auto& [width, height, bits] :
         {std::tuple{0, 3, 24}, {3, -1, 8}, {3, 3, 16}, {600'000'000, 1, 32}})
        EXPECT_TRUE(Raster::allocate(width, height, bits).isNull()) << width << "x" << height << "x" << bits;
}

} // namespace
