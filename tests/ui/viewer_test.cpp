// The image view (drawing, conversions, the scaled copies, the rubber band) and the controller that
// wires the zoom, the magnifier, the crop and region drags and the hand to it. The arithmetic itself
// is checked in geometry_test.cpp; here each rule is checked once as wired.
#include "ui/viewer/imageviewcontroller.h"
#include "uitestsupport.h"

namespace {

using uitest::frameOf;

// A photo whose every pixel tells where it came from: red = x, green = y (both modulo 256).
QImage Coordinates(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, 0xFF000040u | (quint32(x & 0xFF) << 16) | (quint32(y & 0xFF) << 8));
    return img;
}

struct ViewTest : ::testing::Test {
    ImageView view;
    void SetUp() override {
        view.resize(400, 300);
        view.show();
    }
    void scaled(ImageView& v, const QImage& photo, float scale) {
        v.setBitmap(photo);
        v.setScaleMode(ImageView::ScaleMode::Scale);
        v.setScrollBarThickness(-1);
        v.setScale(scale);
    }
    // What a view that never showed anything else shows of this photo at this scale and scroll.
    QImage freshFrame(const QImage& photo, float scale, QPoint scroll = {}) {
        ImageView fresh;
        fresh.resize(view.size());
        fresh.show();
        scaled(fresh, photo, scale);
        fresh.horizontalScrollBar()->setValue(scroll.x());
        fresh.verticalScrollBar()->setValue(scroll.y());
        return frameOf(fresh);
    }
};

TEST_F(ViewTest, ZoomedInPixelsAreTheirBitmapPixelsAndPiecesMatchTheWhole) {
    scaled(view, Coordinates(500, 400), 5.06f);
    view.horizontalScrollBar()->setValue(777);
    view.verticalScrollBar()->setValue(31);
    const QImage full = frameOf(view);
    int wrong = 0;
    for (int y = 0; y < full.height(); ++y)
        for (int x = 0; x < full.width(); ++x) {
            const QPoint b = view.controlToBitmap(QPoint(x, y));
            wrong += qRed(full.pixel(x, y)) != (b.x() & 0xFF) || qGreen(full.pixel(x, y)) != (b.y() & 0xFF);
        }
    EXPECT_EQ(wrong, 0);
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
    EXPECT_EQ(frameOf(view), freshFrame(view.bitmap(), 5.06f, {900, 31}));
}

TEST_F(ViewTest, TheFittedCopyFollowsSizePhotoAndFilterAndLanczosRunsOffTheUiThread) {
    // One-pixel black and white stripes at a third: nearest keeps them hard, the smooth copy greys them.
    QImage stripes(1200, 900, QImage::Format_ARGB32);
    for (int x = 0; x < stripes.width(); ++x)
        for (int y = 0; y < stripes.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    scaled(view, stripes, 1.0f / 3.0f);
    const auto greys = [&] {
        const QImage frame = frameOf(view);
        int count = 0;
        for (int x = 0; x < 400; ++x)
            count += qRed(frame.pixel(x, 150)) > 40 && qRed(frame.pixel(x, 150)) < 215;
        return count;
    };
    view.setFilter(ImageView::Filter::Nearest);
    EXPECT_TRUE(greys() == 0 && view.hasScaledCache());
    view.setFilter(ImageView::Filter::Lanczos);
    frameOf(view);
    view.finishPendingScaling();
    EXPECT_EQ(view.scaledCacheFilter(), ImageView::Filter::Lanczos);
    EXPECT_GT(greys(), 300);
    // Another scale shows a nearest copy until the worker is done; a scaler that throws leaves it and
    // is not asked again for that size.
    testsupport::ThreadRecorder threads;
    view.setLanczosScaler([&](const QImage&, QSize) -> QImage {
        threads.note();
        throw std::bad_alloc();
    });
    view.setScale(0.3f);
    frameOf(view);
    EXPECT_EQ(view.scaledCacheFilter(), ImageView::Filter::Nearest);
    ASSERT_TRUE(testsupport::waitUntil([&] { return threads.count() == 1; })); // the worker's, not a waiter's
    EXPECT_TRUE(threads.noneOnUi());
    for (int i = 0; i < 3; ++i) {
        view.finishPendingScaling();
        frameOf(view);
    }
    EXPECT_TRUE(view.scaledCacheFilter() == ImageView::Filter::Nearest && threads.count() == 1);
    view.setBitmap(Coordinates(100, 100));
    EXPECT_FALSE(view.hasScaledCache());
}

struct ControllerTest : ::testing::Test {
    ImageView view;
    ImageViewController viewer{&view};
    QLabel label{QStringLiteral("Widok: 100%")};
    std::vector<std::pair<QPoint, QPoint>> cropDone;

    void SetUp() override {
        view.resize(524, 468);
        view.show();
        viewer.setZoomLabel(&label);
        viewer.hooks().cropDragFinished = [this](QPoint s, QPoint r) { cropDone.emplace_back(s, r); };
    }
    // At 1048 × 936 the photo is fitted at 0.5: control (100, 100) is bitmap (200, 200).
    void show(int w = 1048, int h = 936) {
        view.setBitmap(uitest::plain(QSize(w, h), QColor(90, 140, 200)));
        viewer.setFitToWindow(true);
        viewer.refreshView();
    }
    void mouse(QEvent::Type type, QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(pos), view.viewport()->mapToGlobal(QPointF(pos)), button, held, mods);
        QApplication::sendEvent(view.viewport(), &e);
    }
    // A press at `from`, a move half-way and to `to`, and the release there (a click when they agree).
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        mouse(QEvent::MouseButtonPress, from, mods);
        if (from != to) {
            mouse(QEvent::MouseMove, (from + to) / 2);
            mouse(QEvent::MouseMove, to);
        }
        mouse(QEvent::MouseButtonRelease, to, mods);
    }
    BitmapRect frameRect() const {
        return view.layerCount() ? view.layer(0)->rect() : BitmapRect{-1, -1, -1, -1};
    }
    void expectShown() {
        EXPECT_EQ(label.text(), viewmath::ZoomLabelText(view.scale()));
        EXPECT_EQ(view.scrollBarsShown(),
                  viewmath::NeedsScrollBars(view.viewportRect().size(), view.bitmap().size(),
                                            view.effectiveScale()));
    }
};

TEST_F(ControllerTest, FitZoomStepsAndBackToFitAsTheViewMathSays) {
    viewer.zoomIn(); // without a photo nothing happens
    EXPECT_EQ(label.text(), QStringLiteral("Widok: 100%"));
    show(400, 300);
    EXPECT_EQ(view.photoOrigin(), QPoint(62, 84)); // centred at one to one
    viewer.setViewQuality(true);
    show(3000, 2000);
    EXPECT_EQ(view.scale(), viewmath::FitToViewport(QSize(524, 468), QSize(3000, 2000)).scale);
    EXPECT_EQ(view.filter(), ImageView::Filter::Lanczos);
    expectShown();
    for (int i = 0; i < 24; ++i) { // up past 800 % and down past 12 %
        const float before = view.scale();
        i < 12 ? viewer.zoomIn() : viewer.zoomOut();
        EXPECT_EQ(view.scale(), i < 12 ? viewmath::ZoomStepIn(before) : viewmath::ZoomStepOut(before));
        EXPECT_FALSE(viewer.fitToWindow());
        expectShown();
    }
    viewer.zoomTo(2.0f);
    viewer.setViewQuality(false);
    viewer.zoomToFit();
    EXPECT_EQ(view.viewportRect().size(), QSize(524, 468)); // the scroll bars gave their room back
    EXPECT_EQ(view.filter(), ImageView::Filter::Nearest);
    expectShown();
}

TEST_F(ControllerTest, TheMagnifierZoomsToTheDraggedRectangleClampedToThePhoto) {
    show();
    viewer.startMagnifier();
    drag({100, 100}, {150, 125}); // 100 x 50 bitmap pixels from (200, 200)
    EXPECT_FLOAT_EQ(view.scale(), viewmath::MagnifierScale(QSize(524, 468), 100, 50)); // the viewport then
    expectShown();
    const QPoint middle = view.controlToBitmap(view.viewportRect().center() + QPoint(1, 1));
    EXPECT_TRUE(qAbs(middle.x() - 250) <= 1 && qAbs(middle.y() - 225) <= 1);
    show(1048, 600); // fitted at 0.5 with room below the photo, where a release ends at its edge
    const QPoint from = view.controlToBitmap({500, 150}), below = view.controlToBitmap({523, 467});
    ASSERT_GT(below.y(), 600);
    drag({500, 150}, {523, 467});
    const float zoomed = view.scale();
    EXPECT_FLOAT_EQ(zoomed, viewmath::MagnifierScale(QSize(524, 468), below.x() - from.x(), 600 - from.y()));
    drag({200, 200}, {200, 200}, Qt::AltModifier); // a click with Alt zooms out
    EXPECT_EQ(view.scale(), viewmath::ZoomStepOut(zoomed));
    QTest::keyClick(&view, Qt::Key_Escape);
    EXPECT_EQ(viewer.toolMode(), ImageViewController::NoTool);
}

TEST_F(ControllerTest, CropAndRegionDragsShowTheirFrameOnlyPastTheirThresholds) {
    show();
    viewer.setToolMode(ImageViewController::CropTool);
    mouse(QEvent::MouseButtonPress, {100, 100});
    for (const QPoint p : {QPoint(105, 300), QPoint(300, 105), QPoint(95, 95)}) {
        mouse(QEvent::MouseMove, p); // not 10 bitmap pixels both ways
        EXPECT_EQ(view.layerCount(), 0) << p.x() << "," << p.y();
    }
    mouse(QEvent::MouseMove, {106, 106}); // 12 both ways
    EXPECT_EQ(frameRect(), (BitmapRect{200, 200, 212, 212}));
    mouse(QEvent::MouseMove, {-30, 40}); // up and left, clamped to the photo
    EXPECT_EQ(frameRect(), (BitmapRect{0, 80, 200, 200}));
    mouse(QEvent::MouseMove, {150, 100}); // level with the start: too thin, the frame goes
    EXPECT_EQ(view.layerCount(), 0);
    mouse(QEvent::MouseMove, {150, 130});
    mouse(QEvent::MouseButtonRelease, {150, 130});
    EXPECT_EQ(cropDone, (std::vector<std::pair<QPoint, QPoint>>{{{200, 200}, {300, 260}}}));
    viewer.hooks().adjustCropDrag = [](viewmath::DragRect& r) { r.bottom = r.top + 2 * r.width() / 3; };
    drag({50, 50}, {200, 400}); // the format lock shapes the frame
    EXPECT_EQ(frameRect(), (BitmapRect{100, 100, 400, 300}));
    viewer.setToolMode(ImageViewController::RedEyeTool);
    mouse(QEvent::MouseButtonPress, {300, 300}); // beside the frame: a new drag
    mouse(QEvent::MouseMove, {301, 301});        // 2 bitmap pixels: not more than 2
    EXPECT_EQ(view.layerCount(), 0);
    mouse(QEvent::MouseMove, {302, 302});
    EXPECT_EQ(frameRect(), (BitmapRect{600, 600, 604, 604}));
}

} // namespace
