#include "imaging/raster.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(Raster, RowsArePaddedToFourBytesAndBadSizesAndDepthsRefused) {
    using imaging::Raster;
    for (const auto& [width, bits, stride] :
         {std::tuple{1, 1, 4}, {33, 1, 8}, {7, 4, 4}, {3, 24, 12}, {5, 24, 16}})
        EXPECT_EQ(Raster::strideFor(width, bits), stride) << width << " × " << bits;
    EXPECT_EQ(Raster::allocate(5, 3, 24).pixels.size(), 48u);
    EXPECT_TRUE(Raster::allocate(0, 3, 24).isNull());
    EXPECT_TRUE(Raster::allocate(3, -1, 8).isNull());
    EXPECT_TRUE(Raster::allocate(3, 3, 16).isNull());
}

} // namespace
