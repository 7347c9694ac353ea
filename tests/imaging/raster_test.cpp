#include "imaging/raster.h"

#include <gtest/gtest.h>

namespace {

TEST(Raster, RowsArePaddedToFourBytes) {
    EXPECT_EQ(imaging::Raster::strideFor(1, 1), 4);
    EXPECT_EQ(imaging::Raster::strideFor(33, 1), 8);
    EXPECT_EQ(imaging::Raster::strideFor(3, 24), 12);
    EXPECT_EQ(imaging::Raster::strideFor(5, 24), 16);
    EXPECT_EQ(imaging::Raster::strideFor(7, 4), 4);
    const auto r = imaging::Raster::allocate(5, 3, 24);
    EXPECT_EQ(r.bytesPerRow, 16);
    EXPECT_EQ(r.pixels.size(), 48u);
}

TEST(Raster, RefusesBadSizesAndDepths) {
    EXPECT_TRUE(imaging::Raster::allocate(0, 3, 24).isNull());
    EXPECT_TRUE(imaging::Raster::allocate(3, -1, 8).isNull());
    EXPECT_TRUE(imaging::Raster::allocate(3, 3, 16).isNull());
}

} // namespace
