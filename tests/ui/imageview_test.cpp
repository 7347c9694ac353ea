#include "ui/viewer/imageview.h"
#include "uitestsupport.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <QScrollBar>
#include <atomic>
#include <new>

namespace {

// A photo whose every pixel tells where it came from: red = x, green = y (both modulo 256).
QImage Coordinates(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<quint32*>(img.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = 0xFF000000u | (quint32(x & 0xFF) << 16) | (quint32(y & 0xFF) << 8) | 0x40u;
    }
    return img;
}

using uitest::frameOf;

struct ViewFixture : ::testing::Test {
    ImageView view;
    void SetUp() override {
        view.resize(400, 300);
        view.show();
    }
    // A flat 1200 × 900 photo of colour 0x0A141E at a quarter.
    void flatQuarter() {
        view.setBitmap(uitest::plain(QSize(1200, 900), QColor(10, 20, 30)));
        view.setScaleMode(ImageView::ScaleMode::Scale);
        view.setScale(0.25f);
    }
    // A coordinates photo at this scale without scroll bars.
    void scaled(int w, int h, float scale) {
        view.setBitmap(Coordinates(w, h));
        view.setScaleMode(ImageView::ScaleMode::Scale);
        view.setScrollBarThickness(-1);
        view.setScale(scale);
    }
};

TEST_F(ViewFixture, CentredPhotoConvertsBothWays) {
    view.setBitmap(Coordinates(200, 100));
    view.setCentered(true);
    view.setScaleMode(ImageView::ScaleMode::Normal);
    EXPECT_EQ(view.photoOrigin(), QPoint(100, 100));
    EXPECT_EQ(view.controlToBitmap(QPoint(100, 100)), QPoint(0, 0));
    EXPECT_EQ(view.controlToBitmap(QPoint(99, 150)), QPoint(-1, 50));
    EXPECT_EQ(view.bitmapToControl(QPointF(200, 100)), QPointF(300, 200));
    view.setCentered(false);
    EXPECT_EQ(view.photoOrigin(), QPoint(0, 0));
}

TEST_F(ViewFixture, ConversionsAtSeveralScalesAndScrollPositions) {
    scaled(1000, 800, 1.0f);
    struct Case {
        float scale;
        QPoint scroll;
        QPoint control;
        QPoint bitmap;
    };
    const Case cases[] = {
        {2.0f, {0, 0}, {0, 0}, {0, 0}},
        {2.0f, {0, 0}, {399, 299}, {199, 149}},
        {2.0f, {100, 40}, {0, 0}, {50, 20}},
        {2.0f, {101, 41}, {0, 0}, {50, 20}},
        {4.0f, {1000, 800}, {10, 10}, {252, 202}},
        {8.0f, {7600, 6100}, {399, 299}, {999, 799}},
        {0.5f, {100, 100}, {10, 10}, {220, 220}},
    };
    for (const Case& c : cases) {
        view.setScale(c.scale);
        view.horizontalScrollBar()->setValue(c.scroll.x());
        view.verticalScrollBar()->setValue(c.scroll.y());
        EXPECT_EQ(view.scrollPosition(), c.scroll) << c.scale;
        EXPECT_EQ(view.controlToBitmap(c.control), c.bitmap) << c.scale << " " << c.control.x();
        const QPointF back = view.bitmapToControl(QPointF(c.bitmap));
        EXPECT_LE(std::abs(back.x() - c.control.x()), c.scale);
        EXPECT_LE(std::abs(back.y() - c.control.y()), c.scale);
    }
}

TEST_F(ViewFixture, ScrollRangesFollowTheScaledPhoto) {
    scaled(1000, 800, 2.0f);
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 2000 - 400);
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 1600 - 300);
    // The zoom kept the centre: bitmap (200, 150) is still in the middle.
    EXPECT_EQ(view.scrollPosition(), QPoint(200, 150));
    view.horizontalScrollBar()->setValue(0);
    view.verticalScrollBar()->setValue(0);
    view.scrollByPixels(30, 20);
    view.scrollByPixels(-10, 5);
    EXPECT_EQ(view.scrollPosition(), QPoint(20, 25));
    view.scrollByPixels(-100, -100);
    EXPECT_EQ(view.scrollPosition(), QPoint(0, 0));
}

TEST_F(ViewFixture, ZoomedInDrawingIsNearestNeighbourFromTheBitmap) {
    scaled(300, 300, 3.0f);
    view.horizontalScrollBar()->setValue(31);
    view.verticalScrollBar()->setValue(62);
    const QImage frame = frameOf(view);
    for (QPoint p : {QPoint(0, 0), QPoint(1, 1), QPoint(2, 7), QPoint(399, 299), QPoint(200, 150)}) {
        const QPoint b = view.controlToBitmap(p);
        EXPECT_EQ(qRed(frame.pixel(p)), b.x() & 0xFF) << p.x() << "," << p.y();
        EXPECT_EQ(qGreen(frame.pixel(p)), b.y() & 0xFF) << p.x() << "," << p.y();
    }
    // Source pixel 11 covers control pixels 2..4 at scroll 31: (11 * 3 - 31) = 2.
    EXPECT_EQ(qRed(frame.pixel(1, 0)), 10);
    EXPECT_EQ(qRed(frame.pixel(2, 0)), 11);
    EXPECT_EQ(qRed(frame.pixel(4, 0)), 11);
    EXPECT_EQ(qRed(frame.pixel(5, 0)), 12);
}

TEST_F(ViewFixture, PartialRepaintsMatchAFullOne) {
    scaled(500, 400, 5.06f);
    view.horizontalScrollBar()->setValue(777);
    const QImage full = frameOf(view);
    QImage pieces(full.size(), QImage::Format_RGB32);
    QPainter p(&pieces);
    for (int y = 0; y < 300; y += 37)
        for (int x = 0; x < 400; x += 53)
            view.render(p, QRect(x, y, 53, 37));
    p.end();
    EXPECT_EQ(full, pieces);

    // After panning away and back the kept enlargement, made for another place, shows the same pixels
    // as a view that never moved.
    view.horizontalScrollBar()->setValue(1077);
    frameOf(view);
    view.horizontalScrollBar()->setValue(900);
    ImageView fresh;
    fresh.resize(400, 300);
    fresh.show();
    fresh.setBitmap(view.bitmap());
    fresh.setScaleMode(ImageView::ScaleMode::Scale);
    fresh.setScale(5.06f);
    fresh.horizontalScrollBar()->setValue(900);
    fresh.verticalScrollBar()->setValue(view.verticalScrollBar()->value());
    EXPECT_EQ(frameOf(view), frameOf(fresh));
}

TEST_F(ViewFixture, AlphaIsIgnoredOnScreen) {
    QImage img(50, 50, QImage::Format_ARGB32);
    img.fill(qRgba(200, 100, 50, 0));
    view.setBitmap(img);
    view.setScaleMode(ImageView::ScaleMode::Normal);
    const QImage frame = frameOf(view);
    EXPECT_EQ(frame.pixel(200, 150) & 0xFFFFFFu, 0xC86432u);
    view.setScaleMode(ImageView::ScaleMode::Scale);
    view.setScale(0.5f);
    EXPECT_EQ(frameOf(view).pixel(200, 150) & 0xFFFFFFu, 0xC86432u);
}

TEST_F(ViewFixture, FittedCopyIsKeptUntilSizePhotoOrFilterChanges) {
    flatQuarter();
    view.setFilter(ImageView::Filter::Nearest);
    frameOf(view);
    ASSERT_TRUE(view.hasScaledCache());
    EXPECT_EQ(view.scaledCacheFilter(), ImageView::Filter::Nearest);
    view.setFilter(ImageView::Filter::Lanczos);
    frameOf(view);
    view.finishPendingScaling();
    EXPECT_EQ(view.scaledCacheFilter(), ImageView::Filter::Lanczos);
    EXPECT_EQ(frameOf(view).pixel(200, 150) & 0xFFFFFFu, 0x0A141Eu);
    // Another scale makes a new copy; a new photo drops it.
    view.setScale(0.3f);
    frameOf(view);
    EXPECT_EQ(view.scaledCacheFilter(), ImageView::Filter::Nearest); // until the worker is done
    view.finishPendingScaling();
    EXPECT_EQ(view.scaledCacheFilter(), ImageView::Filter::Lanczos);
    view.setBitmap(Coordinates(100, 100));
    EXPECT_FALSE(view.hasScaledCache());
}

TEST_F(ViewFixture, AnEditedPhotoOfTheSameSizeIsDrawnFromItsOwnPixels) {
    // An edit gives a new bitmap of the same size: the fitted copy is made again over the old one's
    // pixels, alpha ignored, exactly as a view that never saw the old photo draws it.
    scaled(800, 600, 0.5f);
    const QImage first = frameOf(view);
    EXPECT_EQ(first.pixel(10, 20) & 0xFFFFFFu, 0x152940u); // bitmap pixel (21, 41)
    QImage edited = Coordinates(800, 600);
    for (int y = 0; y < edited.height(); ++y) {
        auto* row = reinterpret_cast<quint32*>(edited.scanLine(y));
        for (int x = 0; x < edited.width(); ++x)
            row[x] = (row[x] & 0x00FFFF00u) | 0x9Cu; // blue changed, alpha 0
    }
    view.setBitmap(edited);
    EXPECT_FALSE(view.hasScaledCache());
    const QImage second = frameOf(view);
    EXPECT_TRUE(view.hasScaledCache());
    EXPECT_EQ(second.pixel(10, 20) & 0xFFFFFFu, 0x15299Cu);
    EXPECT_EQ(second.pixel(399, 299) & 0xFFFFFFu, 0x1F579Cu); // bitmap pixel (799, 599)
    ImageView fresh;
    fresh.resize(view.size());
    fresh.show();
    fresh.setBitmap(edited);
    fresh.setScaleMode(ImageView::ScaleMode::Scale);
    fresh.setScrollBarThickness(-1);
    fresh.setScale(0.5f);
    EXPECT_EQ(second, frameOf(fresh));
    // Undo brings the first photo back, and a photo of another size gets a copy of its own size.
    view.setBitmap(Coordinates(800, 600));
    EXPECT_EQ(frameOf(view), first);
    view.setBitmap(Coordinates(800, 400)); // 400 × 200, centred 50 pixels down
    const QImage wide = frameOf(view);
    EXPECT_EQ(wide.pixel(10, 70) & 0xFFFFFFu, 0x152940u);
    EXPECT_EQ(wide.pixel(399, 249) & 0xFFFFFFu, 0x1F8F40u); // bitmap pixel (799, 399)
}

TEST_F(ViewFixture, ANearestCopyMadeElsewhereIsShownOnlyWhenItsSizeIsTheOneWanted) {
    // A copy handed in with the photo is drawn as it is (here a flat colour no scaling would give); one
    // of another size, or a photo shown at 100 %, is left aside and the view scales the photo itself.
    scaled(800, 600, 0.5f);
    const QImage ownCopy = frameOf(view);
    const auto flat = [](QSize size) {
        QImage copy(size, QImage::Format_RGB32);
        copy.fill(qRgb(200, 10, 10));
        return copy;
    };
    view.setBitmap(Coordinates(800, 600), flat(QSize(400, 300)));
    EXPECT_TRUE(view.hasScaledCache());
    EXPECT_EQ(frameOf(view).pixel(10, 20), qRgb(200, 10, 10));
    view.setBitmap(Coordinates(800, 600), flat(QSize(401, 300)));
    EXPECT_EQ(frameOf(view), ownCopy);
    view.setScale(1.0f);
    view.setBitmap(Coordinates(800, 600), flat(QSize(400, 300)));
    EXPECT_NE(frameOf(view).pixel(10, 20), qRgb(200, 10, 10)); // drawn from the bitmap's own pixels
}

TEST_F(ViewFixture, AScalerThatThrowsLeavesTheNearestCopyAndIsNotAskedAgain) {
    std::atomic<int> calls = 0;
    view.setLanczosScaler([&](const QImage&, QSize) -> QImage {
        ++calls;
        throw std::bad_alloc();
    });
    flatQuarter();
    view.setFilter(ImageView::Filter::Lanczos);
    frameOf(view);
    view.finishPendingScaling();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frameOf(view).pixel(150, 110) & 0xFFFFFFu, 0x0A141Eu);
        view.finishPendingScaling();
    }
    EXPECT_EQ(view.scaledCacheFilter(), ImageView::Filter::Nearest);
    EXPECT_EQ(calls.load(), 1);
    // Another size is worth another try.
    view.setScale(0.3f);
    frameOf(view);
    view.finishPendingScaling();
    EXPECT_EQ(calls.load(), 2);
}

TEST_F(ViewFixture, LanczosSmoothsWhatNearestLeavesHard) {
    // One-pixel black and white stripes shrunk to a third: nearest keeps pure black and white, the
    // Lanczos copy averages them to greys.
    QImage stripes(1200, 900, QImage::Format_ARGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    view.setBitmap(stripes);
    view.setScaleMode(ImageView::ScaleMode::Scale);
    view.setScale(1.0f / 3.0f);
    auto greys = [&] {
        const QImage frame = frameOf(view);
        int count = 0;
        for (int x = 0; x < 400; ++x) {
            const int v = qRed(frame.pixel(x, 150));
            count += v > 40 && v < 215;
        }
        return count;
    };
    view.setFilter(ImageView::Filter::Nearest);
    EXPECT_EQ(greys(), 0);
    view.setFilter(ImageView::Filter::Lanczos);
    frameOf(view);
    view.finishPendingScaling();
    EXPECT_GT(greys(), 300);
}

TEST(RubberBand, GripsHonourTheMinimumSize) {
    RubberBandLayer band;
    band.setMinimumSize(10, 10);
    const BitmapRect r{100, 100, 200, 150};
    using H = RubberBandLayer::Handle;
    EXPECT_EQ(band.propose(r, H::BottomRight, 20, 5), (BitmapRect{100, 100, 220, 155}));
    EXPECT_EQ(band.propose(r, H::BottomRight, -200, -200), (BitmapRect{100, 100, 110, 110}));
    EXPECT_EQ(band.propose(r, H::TopLeft, 95, 45), (BitmapRect{190, 140, 200, 150}));
    EXPECT_EQ(band.propose(r, H::Left, -30, 99), (BitmapRect{70, 100, 200, 150}));
    EXPECT_EQ(band.propose(r, H::Top, 7, 60), (BitmapRect{100, 140, 200, 150}));
    EXPECT_EQ(band.propose(r, H::Inside, -150, 5), (BitmapRect{-50, 105, 50, 155}));
    EXPECT_EQ(band.propose(r, H::Centre, 1, 1), (BitmapRect{101, 101, 201, 151}));
}

TEST_F(ViewFixture, RubberBandMovesAndResizesWithTheMouseThroughItsCallback) {
    scaled(400, 300, 1.0f);
    view.setCentered(false);
    BitmapLayer* frame = view.addBitmapLayer();
    RubberBandLayer* band = view.addRubberBandLayer();
    band->setChild(frame);
    band->setMinimumSize(10, 10);
    band->setRect({100, 100, 200, 150});
    std::vector<RubberBandLayer::Handle> handles;
    BitmapRect lastOld;
    band->setResizingCallback([&](const BitmapRect& old, BitmapRect& proposed, RubberBandLayer::Handle h) {
        handles.push_back(h);
        lastOld = old;
        if (proposed.left < 0) { // keep the band on the photo
            proposed.right -= proposed.left;
            proposed.left = 0;
        }
    });
    EXPECT_EQ(band->handleAt(view, QPoint(150, 125)), RubberBandLayer::Handle::Centre);
    EXPECT_EQ(band->handleAt(view, QPoint(150, 100)), RubberBandLayer::Handle::Inside); // no side grips
    band->setSideHandles(true);
    EXPECT_EQ(band->handleAt(view, QPoint(150, 100)), RubberBandLayer::Handle::Top);

    ASSERT_TRUE(band->beginDrag(view, QPoint(200, 150)));
    band->dragTo(view, QPoint(230, 170));
    EXPECT_EQ(band->rect(), (BitmapRect{100, 100, 230, 170}));
    band->dragTo(view, QPoint(0, 0));
    EXPECT_EQ(band->rect(), (BitmapRect{100, 100, 110, 110}));
    EXPECT_EQ(lastOld, (BitmapRect{100, 100, 230, 170}));
    band->endDrag();

    ASSERT_TRUE(band->beginDrag(view, QPoint(105, 108)));
    band->dragTo(view, QPoint(-15, 113));
    EXPECT_EQ(band->rect(), (BitmapRect{0, 105, 10, 115}));
    EXPECT_EQ(frame->rect(), band->rect());
    band->endDrag();
    ASSERT_EQ(handles.size(), 3u);
    EXPECT_EQ(handles[0], RubberBandLayer::Handle::BottomRight);
    EXPECT_EQ(handles[2], RubberBandLayer::Handle::Centre);
    EXPECT_EQ(view.layerAt(QPoint(5, 110)), band);
    band->setIgnoreMouse(true);
    EXPECT_EQ(view.layerAt(QPoint(5, 110)), frame);
}

} // namespace
