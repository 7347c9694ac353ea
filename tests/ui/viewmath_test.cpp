#include "ui/viewer/viewmath.h"

#include <gtest/gtest.h>

using namespace viewmath;

namespace {

TEST(ViewMath, ScalesBetweenStepsGoToTheNextStepInTheirDirection) {
    struct Case {
        float from, in, out;
    };
    const Case cases[] = {
        {0.6f, 0.75f, 0.5f}, {2.5f, 3, 2}, {0.1f, 0.25f, 0.1f}, {0.2f, 0.25f, 0.125f}, {1.5f, 2, 1},
        {0.9f, 1, 0.75f},    {7.5f, 8, 7}, {9.0f, 9.0f, 9.0f},  {0.25f, 0.5f, 0.125f}, {1.0f, 2, 0.75f},
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(ZoomStepIn(c.from), c.in) << c.from;
        EXPECT_FLOAT_EQ(ZoomStepOut(c.from), c.out) << c.from;
    }
}

TEST(ViewMath, FitToViewport) {
    const struct {
        QSize viewport, photo;
        bool normal;
        float scale;
    } cases[] = {
        {{524, 468}, {400, 300}, true, 1.0f}, // small: one to one
        {{524, 468}, {3000, 2000}, false, static_cast<float>(524.0L / 3000.0L)},
        {{524, 468}, {400, 468}, false, 1.0f},
        {{500, 250}, {1000, 500}, false, 0.5f},                                  // equal ratios
        {{524, 468}, {1000, 2000}, false, static_cast<float>(468.0L / 2000.0L)}, // portrait: by its height
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.photo.width() << "x" << c.photo.height());
        const Fit f = FitToViewport(c.viewport, c.photo);
        EXPECT_EQ(f.normal, c.normal);
        EXPECT_EQ(f.scale, c.scale);
    }
    EXPECT_NEAR(FitToViewport({524, 468}, {3000, 2000}).scale, 0.17467, 1e-5);
}

TEST(ViewMath, ZoomLabelRoundsTiesToEven) {
    EXPECT_EQ(ZoomLabelText(0.125f), QStringLiteral("Widok: 12%"));
    EXPECT_EQ(ZoomLabelText(0.375f), QStringLiteral("Widok: 38%")); // 37.5 -> 38
    EXPECT_EQ(ZoomLabelText(5.06f), QStringLiteral("Widok: 506%"));
}

TEST(ViewMath, ScrollBarsOnlyWhenTheScaledPhotoOverflows) {
    EXPECT_FALSE(NeedsScrollBars({524, 468}, {400, 300}, 1.0f));
    EXPECT_FALSE(NeedsScrollBars({524, 468}, {524, 468}, 1.0f));
    EXPECT_TRUE(NeedsScrollBars({524, 468}, {525, 300}, 1.0f));
    EXPECT_TRUE(NeedsScrollBars({524, 468}, {400, 469}, 1.0f));
    EXPECT_FALSE(NeedsScrollBars({524, 468}, {3000, 2000}, static_cast<float>(524.0L / 3000.0L)));
    EXPECT_TRUE(NeedsScrollBars({524, 468}, {3000, 2000}, 0.25f));
    // Round(1049 x 0.5) = 524 (524.5 ties to even) still fits.
    EXPECT_FALSE(NeedsScrollBars({524, 468}, {1049, 100}, 0.5f));
    EXPECT_TRUE(NeedsScrollBars({524, 468}, {1051, 100}, 0.5f));
}

TEST(ViewMath, MagnifierScaleFollowsTheLongerSideAndStopsAtEight) {
    EXPECT_FLOAT_EQ(MagnifierScale({524, 468}, 100, 50), 5.06f);
    EXPECT_EQ(MagnifierScale({524, 468}, 20, 20), 8.0f);
    EXPECT_FLOAT_EQ(MagnifierScale({524, 468}, 50, 100), 4.5f);
    EXPECT_FLOAT_EQ(MagnifierScale({524, 468}, 1012, 10), 0.5f);
}

TEST(ViewMath, DirectionRuleInAllFourDirections) {
    const QSize bm(1000, 800);
    struct Case {
        QPoint s, p;
        DragDirection dir;
        int l, t, r, b;
    };
    const Case cases[] = {
        {{100, 100}, {300, 250}, DragDirection::RightDown, 100, 100, 300, 250},
        {{300, 100}, {100, 250}, DragDirection::LeftDown, 100, 100, 300, 250},
        {{300, 250}, {100, 100}, DragDirection::LeftUp, 100, 100, 300, 250},
        {{100, 250}, {300, 100}, DragDirection::RightUp, 100, 100, 300, 250},
        // Clamped to the bitmap on every side.
        {{10, 10}, {-50, -40}, DragDirection::LeftUp, 0, 0, 10, 10},
        {{990, 790}, {1200, 900}, DragDirection::RightDown, 990, 790, 1000, 800},
        {{990, 10}, {1200, -5}, DragDirection::RightUp, 990, 0, 1000, 10},
        // Level with the start: an empty side.
        {{100, 100}, {300, 100}, DragDirection::RightDown, 100, 100, 300, 100},
        {{100, 100}, {100, 50}, DragDirection::RightUp, 100, 50, 100, 100},
    };
    for (const Case& c : cases) {
        const DragRect r = RectOfDrag(c.s, c.p, bm);
        EXPECT_EQ(r.direction, c.dir) << c.p.x() << "," << c.p.y();
        EXPECT_EQ(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)),
                  QRect(QPoint(c.l, c.t), QPoint(c.r, c.b)))
            << c.p.x() << "," << c.p.y();
    }
}

TEST(ViewMath, ThresholdMustBeExceededInBothDirectionsAtOnce) {
    const QSize bm(500, 400);
    EXPECT_FALSE(BeyondThreshold({100, 100}, {110, 150}, bm, 10));
    EXPECT_TRUE(BeyondThreshold({100, 100}, {111, 111}, bm, 10));
    EXPECT_FALSE(BeyondThreshold({100, 100}, {200, 109}, bm, 10));
    EXPECT_TRUE(BeyondThreshold({100, 100}, {89, 89}, bm, 10));
    // The pointer is lowered to the bitmap's size first: 505 counts as 500.
    EXPECT_FALSE(BeyondThreshold({490, 100}, {505, 200}, bm, 10));
    EXPECT_TRUE(BeyondThreshold({480, 100}, {505, 200}, bm, 10));
    // Region drags use 2 pixels.
    EXPECT_FALSE(BeyondThreshold({10, 10}, {12, 13}, bm, 2));
    EXPECT_TRUE(BeyondThreshold({10, 10}, {13, 13}, bm, 2));
}

TEST(ViewMath, DragStartIsClampedToTheBitmap) {
    EXPECT_EQ(ClampToBitmap({-5, 20}, {100, 50}), QPoint(0, 20));
    EXPECT_EQ(ClampToBitmap({150, 60}, {100, 50}), QPoint(100, 50));
}

} // namespace
