// The arithmetic under the viewer, the crop tool and the photo list, checked by properties of its own
// output over many generated cases.
#include "ui/browser/photobrowser.h"
#include "ui/browser/thumbnailcell.h"
#include "ui/edit/cropmath.h"
#include "uitestsupport.h"

#include <cmath>

namespace {

using namespace viewmath;
using H = RubberBandLayer::Handle;
using ui::ViewKind;

// 12.5 %, 25 %, 50 %, 75 %, then every whole hundred up to 800 %.
const float kSteps[] = {0.125f, 0.25f, 0.5f, 0.75f, 1, 2, 3, 4, 5, 6, 7, 8};

TEST(ViewMath, ZoomGoesToTheNearestStepInItsDirection) {
    std::vector<float> from(std::begin(kSteps), std::end(kSteps));
    for (std::size_t i = 0; i + 1 < std::size(kSteps); ++i)
        from.push_back((kSteps[i] + kSteps[i + 1]) / 2);
    for (const float s : from) {
        const float* above = std::upper_bound(std::begin(kSteps), std::end(kSteps), s);
        const float* below = std::lower_bound(std::begin(kSteps), std::end(kSteps), s);
        EXPECT_EQ(ZoomStepIn(s), above == std::end(kSteps) ? s : *above) << s;
        EXPECT_EQ(ZoomStepOut(s), below == std::begin(kSteps) ? s : *(below - 1)) << s;
    }
    EXPECT_TRUE(ZoomStepIn(0.1f) == 0.25f && ZoomStepOut(0.1f) == 0.1f && ZoomStepOut(9.0f) == 9.0f);
}

TEST(ViewMath, AFittedPhotoFillsOneSideAndASmallOneStaysOneToOne) {
    QRandomGenerator random(11);
    for (int i = 0; i < 500; ++i) {
        const QSize viewport(100 + random.bounded(900), 100 + random.bounded(900));
        const QSize photo(1 + random.bounded(4000), 1 + random.bounded(4000));
        const Fit f = FitToViewport(viewport, photo);
        const bool small = photo.width() < viewport.width() && photo.height() < viewport.height();
        EXPECT_EQ(f.normal, small);
        if (small)
            continue;
        const QSize shown = ScaledSize(photo, f.scale);
        EXPECT_TRUE(!NeedsScrollBars(viewport, photo, f.scale) &&
                    (shown.width() == viewport.width() || shown.height() == viewport.height()))
            << photo.width() << "x" << photo.height() << " in " << viewport.width() << "x"
            << viewport.height();
    }
}

TEST(ViewMath, LabelsScrollBarsAndTheMagnifier) {
    EXPECT_EQ(ZoomLabelText(0.125f), QStringLiteral("Widok: 12%")); // ties to even
    EXPECT_EQ(ZoomLabelText(0.375f), QStringLiteral("Widok: 38%"));
    EXPECT_EQ(ZoomLabelText(5.06f), QStringLiteral("Widok: 506%"));
    EXPECT_FALSE(NeedsScrollBars({524, 468}, {524, 468}, 1.0f));
    EXPECT_TRUE(NeedsScrollBars({524, 468}, {525, 300}, 1.0f));
    EXPECT_TRUE(NeedsScrollBars({524, 468}, {400, 469}, 1.0f));
    EXPECT_FALSE(NeedsScrollBars({524, 468}, {1049, 100}, 0.5f)); // 524.5 rounds to 524
    EXPECT_TRUE(NeedsScrollBars({524, 468}, {1051, 100}, 0.5f));
    EXPECT_FLOAT_EQ(MagnifierScale({524, 468}, 100, 50), 5.06f); // the longer side, 18 pixels kept
    EXPECT_FLOAT_EQ(MagnifierScale({524, 468}, 50, 100), 4.5f);
    EXPECT_EQ(MagnifierScale({524, 468}, 20, 20), 8.0f);
}

TEST(ViewMath, ADragSpansStartAndPointerInsideTheBitmap) {
    const QSize bm(1000, 800);
    QRandomGenerator random(5);
    for (int i = 0; i < 1000; ++i) {
        const QPoint s(random.bounded(1001), random.bounded(801));
        const QPoint p(random.bounded(1400) - 200, random.bounded(1200) - 200);
        const DragRect r = RectOfDrag(s, p, bm);
        const QPoint q = ClampToBitmap(p, bm);
        EXPECT_EQ(QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom)),
                  QRect(QPoint(std::min(s.x(), q.x()), std::min(s.y(), q.y())),
                        QPoint(std::max(s.x(), q.x()), std::max(s.y(), q.y()))));
        const bool left = p.x() < s.x(), up = p.y() < s.y();
        EXPECT_EQ(r.direction, left ? (up ? DragDirection::LeftUp : DragDirection::LeftDown)
                                    : (up ? DragDirection::RightUp : DragDirection::RightDown));
    }
    // A drag counts once it passes the threshold both ways, the pointer lowered to the bitmap first.
    EXPECT_FALSE(BeyondThreshold({100, 100}, {110, 150}, QSize(500, 400), 10));
    EXPECT_TRUE(BeyondThreshold({100, 100}, {89, 89}, QSize(500, 400), 10));
    EXPECT_FALSE(BeyondThreshold({490, 100}, {505, 200}, QSize(500, 400), 10));
    EXPECT_TRUE(BeyondThreshold({480, 100}, {505, 200}, QSize(500, 400), 10));
}

TEST(CropMath, ALockedDragKeepsItsCornerItsRatioAndThePhoto) {
    using D = DragDirection;
    QRandomGenerator random(7);
    for (int i = 0; i < 3000; ++i) {
        const cropmath::CropChoice& c = cropmath::CropChoices()[random.bounded(cropmath::kFreeChoice)];
        const int p = c.dragLong, q = c.dragShort, height = 200 + random.bounded(1500);
        DragRect r;
        r.left = random.bounded(1000);
        r.right = r.left + 1 + random.bounded(1000);
        r.top = random.bounded(height);
        r.bottom = r.top + random.bounded(height - r.top + 1);
        r.direction = static_cast<D>(random.bounded(4));
        const DragRect in = r;
        cropmath::LockDrag(r, p, q, height);
        SCOPED_TRACE(testing::Message() << c.button << " " << int(in.direction) << " " << in.width());
        const bool down = in.direction == D::RightDown || in.direction == D::LeftDown;
        const bool right = in.direction == D::RightDown || in.direction == D::RightUp;
        EXPECT_EQ(down ? r.top : r.bottom, down ? in.top : in.bottom); // the corner the drag began at
        EXPECT_EQ(right ? r.left : r.right, right ? in.left : in.right);
        EXPECT_TRUE(r.top >= 0 && r.bottom <= height);
        const long long w = r.width(), h = r.height();
        if (w == in.width()) // the height follows the width, truncated
            EXPECT_TRUE(q * w - p * h >= 0 && q * w - p * h < p) << w << "x" << h;
        else // the photo's edge stopped it: the width follows the height
            EXPECT_TRUE((r.top == 0 || r.bottom == height) && p * h - q * w >= 0 && p * h - q * w < q)
                << w << "x" << h;
    }
}

TEST(CropMath, ACornerDragKeepsTheFormatsProportionsInsideThePhoto) {
    const int W = 2000, Hgt = 1500;
    QRandomGenerator random(3);
    for (int i = 0; i < 3000; ++i) {
        const cropmath::CropChoice& c = cropmath::CropChoices()[random.bounded(cropmath::kFreeChoice)];
        const H handle =
            std::array{H::TopLeft, H::TopRight, H::BottomLeft, H::BottomRight}[random.bounded(4)];
        const bool leftSide = handle == H::TopLeft || handle == H::BottomLeft;
        const bool topSide = handle == H::TopLeft || handle == H::TopRight;
        // The corner across from the grip stays where it is; the grip goes anywhere, even off the photo.
        const int ox = 100 + random.bounded(W - 200), oy = 100 + random.bounded(Hgt - 200);
        const int gx = leftSide ? ox - 20 - random.bounded(ox + 300) : ox + 20 + random.bounded(W - ox + 300);
        const int gy =
            topSide ? oy - 20 - random.bounded(oy + 300) : oy + 20 + random.bounded(Hgt - oy + 300);
        BitmapRect n{float(std::min(ox, gx)), float(std::min(oy, gy)), float(std::max(ox, gx)),
                     float(std::max(oy, gy))};
        cropmath::ResizeFrame({0, 0, 10, 10}, n, handle, c, W, Hgt);
        SCOPED_TRACE(testing::Message()
                     << c.button << " grip " << gx << "," << gy << " across " << ox << "," << oy);
        EXPECT_EQ(leftSide ? n.right : n.left, ox);
        EXPECT_EQ(topSide ? n.bottom : n.top, oy);
        EXPECT_TRUE(n.left >= 0 && n.top >= 0 && n.right <= W && n.bottom <= Hgt);
        const long double a = c.format()->longSideMm, b = c.format()->shortSideMm;
        // Each side is rounded to a whole pixel: the proportion is off by at most half a pixel a side.
        EXPECT_LE(std::abs((n.bottom - n.top) * a - (n.right - n.left) * b), (a + b) / 2 + 1);
    }
}

TEST(CropMath, MovesKeepTheSizeAndFreeFramesAreClampedAndRounded) {
    const BitmapRect old{100, 100, 400, 300};
    BitmapRect moved{1800, -30, 2100, 170}, free{-5, 100.5f, 2500, 300.6f};
    cropmath::ResizeFrame(old, moved, H::Inside, cropmath::CropChoices()[0], 2000, 1500);
    cropmath::ResizeFrame(old, free, H::BottomRight, cropmath::CropChoices()[cropmath::kFreeChoice], 2000,
                          1500);
    EXPECT_EQ(moved, (BitmapRect{1700, 0, 2000, 200}));
    EXPECT_EQ(free, (BitmapRect{0, 100, 2000, 301})); // ties to even
}

TEST(CropMath, QualityIsGoodFromEachFormatsOwnMinimumWidth) {
    int previousArea = 0, previousMinimum = 0;
    for (const cropmath::CropChoice& c : cropmath::CropChoices()) {
        SCOPED_TRACE(c.button);
        EXPECT_EQ(cropmath::QualityOf(false, 5000, c), cropmath::Quality::None);
        if (c.isFree()) {
            EXPECT_TRUE(c.caption() == "dowolna" &&
                        cropmath::QualityOf(true, 1100, c) == cropmath::Quality::Blank);
            continue;
        }
        EXPECT_EQ(cropmath::QualityOf(true, c.minimumWidth, c), cropmath::Quality::Good);
        EXPECT_EQ(cropmath::QualityOf(true, c.minimumWidth - 1, c), cropmath::Quality::Medium);
        // A bigger print never asks for fewer pixels.
        const int area = c.format()->longSideMm * c.format()->shortSideMm;
        EXPECT_TRUE(area > previousArea && c.minimumWidth >= previousMinimum)
            << area << " " << c.minimumWidth;
        previousArea = area;
        previousMinimum = c.minimumWidth;
    }
    EXPECT_EQ(cropmath::SelectionText({0.9f, 0, 1100.7f, 733.9f}), QStringLiteral("Wymiar: 1099x733"));
}

TEST(BrowserGeometry, MarksAreHitStrictlyInsideTheirBoxInBothViews) {
    // Icons, 3 columns, 5 photos: every pixel of cell 4 (column 1, row 1) and beyond.
    for (int y = 0; y < ui::kCellSize; ++y)
        for (int x = 0; x < ui::kCellSize; ++x) {
            const ui::BrowserHit hit = ui::hitTest(ViewKind::Icons, 3, 5, QPoint(116 + x, 116 + y));
            ASSERT_EQ(hit.index, 4);
            ASSERT_EQ(hit.onMark, QRect(10, 98, 10, 10).contains(x, y)) << x << "," << y;
            EXPECT_EQ(ui::hitTest(ViewKind::Icons, 3, 5, QPoint(232 + x, 116 + y)).index, -1); // no photo 6
            EXPECT_EQ(ui::hitTest(ViewKind::Icons, 3, 5, QPoint(348 + x, y)).index, -1); // beside the grid
        }
    // Details: row 2 is photo 1, the header row none.
    for (int y = 0; y < ui::kRowHeight; ++y)
        for (int x = 0; x < 120; ++x) {
            const ui::BrowserHit hit = ui::hitTest(ViewKind::Details, 3, 5, QPoint(x, 36 + y));
            ASSERT_EQ(hit.index, 1);
            ASSERT_EQ(hit.onMark, QRect(3, 4, 10, 10).contains(x, y)) << x << "," << y;
            EXPECT_EQ(ui::hitTest(ViewKind::Details, 3, 5, QPoint(x, y)).index, -1);
            EXPECT_EQ(ui::hitTest(ViewKind::Details, 3, 5, QPoint(x, 6 * 18 + y)).index, -1);
        }
}

TEST(BrowserGeometry, AThumbnailFillsItsBoxOneWayKeepsItsShapeAndIsCentred) {
    const QRect box(ui::kBoxLeft, ui::kBoxTop, ui::kBoxWidth, ui::kBoxHeight);
    QRandomGenerator random(13);
    for (int i = 0; i < 2000; ++i) {
        const QSize photo(1 + random.bounded(5000), 1 + random.bounded(5000));
        const QRect r = ui::thumbnailPlacement(photo);
        SCOPED_TRACE(testing::Message() << photo.width() << "x" << photo.height());
        ASSERT_TRUE(box.contains(r));
        const bool wide = r.width() == box.width();
        EXPECT_TRUE(wide || r.height() == box.height());
        EXPECT_EQ(wide ? r.top() - box.top() : r.left() - box.left(),
                  wide ? (box.height() - r.height()) / 2 : (box.width() - r.width()) / 2);
        // The short side is the photo's proportion rounded, or one pixel for a sliver.
        const long double exact = wide ? (long double)photo.height() * box.width() / photo.width()
                                       : (long double)photo.width() * box.height() / photo.height();
        EXPECT_LE(std::abs((wide ? r.height() : r.width()) - std::max(1.0L, exact)), 0.5L + 1e-9L);
    }
    EXPECT_EQ(ui::thumbnailPlacement(QSize(192, 125)).height(), 62); // 62.5 ties to even
    EXPECT_EQ(ui::thumbnailPlacement(QSize(192, 127)).height(), 64);
    EXPECT_EQ(ui::thumbnailPlacement(QSize(0, 10)), QRect());
}

} // namespace
