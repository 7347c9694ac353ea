#include "ui/common/cursors.h"
#include "ui/viewer/imageviewcontroller.h"
#include "uitestsupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <algorithm>

namespace {

struct ViewerFixture : ::testing::Test {
    ImageView view;
    ImageViewController viewer{&view};
    QLabel label{QStringLiteral("Widok: 100%")};
    std::vector<std::pair<QPoint, QPoint>> cropDone, regionDone;
    std::vector<int> ended;

    void SetUp() override {
        view.resize(524, 468);
        view.show();
        viewer.setZoomLabel(&label);
        viewer.hooks().cropDragFinished = [this](QPoint s, QPoint r) { cropDone.emplace_back(s, r); };
        viewer.hooks().regionDragFinished = [this](QPoint s, QPoint r) { regionDone.emplace_back(s, r); };
        viewer.hooks().toolEnded = [this](int tool) { ended.push_back(tool); };
    }
    void show(int w, int h) {
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
    void drag(QPoint from, std::initializer_list<QPoint> through, QPoint to,
              Qt::KeyboardModifiers mods = Qt::NoModifier) {
        mouse(QEvent::MouseButtonPress, from, mods);
        for (QPoint p : through)
            mouse(QEvent::MouseMove, p, mods);
        mouse(QEvent::MouseMove, to, mods);
        mouse(QEvent::MouseButtonRelease, to, mods);
    }
    BitmapRect frameRect() const {
        return view.layerCount() ? view.layer(0)->rect() : BitmapRect{-1, -1, -1, -1};
    }
};

TEST_F(ViewerFixture, FittedPhotosInTheViewport) {
    const struct {
        QSize photo;
        ImageView::ScaleMode mode;
        float scale;
        const char* label;
    } cases[] = {
        {{400, 300}, ImageView::ScaleMode::Normal, 1.0f, "Widok: 100%"}, // centred at one to one
        {{3000, 2000}, ImageView::ScaleMode::Scale, 0.17467f, "Widok: 17%"},
        {{524, 200}, ImageView::ScaleMode::Scale, 1.0f, "Widok: 100%"}, // exactly as wide: not centred
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        show(c.photo.width(), c.photo.height());
        EXPECT_EQ(view.scaleMode(), c.mode);
        EXPECT_NEAR(view.scale(), c.scale, 1e-5);
        EXPECT_FALSE(view.scrollBarsShown());
        EXPECT_EQ(label.text(), QString::fromLatin1(c.label));
    }
    show(400, 300);
    EXPECT_EQ(view.photoOrigin(), QPoint(62, 84));
}

TEST_F(ViewerFixture, ViewQualityPicksTheStretchFilterOfTheFit) {
    viewer.setViewQuality(true);
    show(3000, 2000);
    EXPECT_EQ(view.filter(), ImageView::Filter::Lanczos);
    viewer.setViewQuality(false);
    viewer.refreshView();
    EXPECT_EQ(view.filter(), ImageView::Filter::Nearest);
}

TEST_F(ViewerFixture, ZoomInAndOutWalkTheStepsWithLabelsAndScrollBars) {
    show(3000, 2000);
    const QStringList in{"25", "50", "75", "100", "200", "300", "400", "500", "600", "700", "800", "800"};
    for (const QString& percent : in) {
        viewer.zoomIn();
        EXPECT_EQ(label.text(), QStringLiteral("Widok: ") + percent + QLatin1Char('%'));
        EXPECT_FALSE(viewer.fitToWindow());
    }
    EXPECT_EQ(view.scale(), 8.0f);
    EXPECT_TRUE(view.scrollBarsShown());
    const QStringList out{"700", "600", "500", "400", "300", "200", "100", "75", "50", "25", "12", "12"};
    for (const QString& percent : out) {
        viewer.zoomOut();
        EXPECT_EQ(label.text(), QStringLiteral("Widok: ") + percent + QLatin1Char('%'));
    }
    EXPECT_EQ(view.scale(), 0.125f);
    EXPECT_FALSE(view.scrollBarsShown()); // 375 x 250 fits
    viewer.zoomToFit();
    EXPECT_TRUE(viewer.fitToWindow());
    EXPECT_EQ(label.text(), QStringLiteral("Widok: 17%"));
}

TEST_F(ViewerFixture, FixedZoomsAndBackToFitRestoreTheFullViewport) {
    show(3000, 2000);
    viewer.zoomTo(2.0f);
    EXPECT_TRUE(view.scrollBarsShown());
    EXPECT_LT(view.viewportRect().width(), 524);
    viewer.zoomToFit();
    EXPECT_FALSE(view.scrollBarsShown());
    EXPECT_EQ(view.viewportRect().size(), QSize(524, 468));
    EXPECT_NEAR(view.scale(), 0.17467, 1e-5);
}

// At a fitted scale of 0.5 a control pixel is two bitmap pixels: control (100, 100) is bitmap (200, 200).
struct MagnifierFixture : ViewerFixture {
    void SetUp() override {
        ViewerFixture::SetUp();
        show(1048, 936);
        ASSERT_EQ(view.scale(), 0.5f);
        ASSERT_EQ(view.controlToBitmap(QPoint(100, 100)), QPoint(200, 200));
        viewer.startMagnifier();
    }
};

TEST_F(MagnifierFixture, DragZoomsToFitTheRectangleUpToEight) {
    EXPECT_EQ(viewer.toolMode(), ImageViewController::MagnifierTool);
    EXPECT_EQ(viewer.magnifierMarker(), 1);
    drag({100, 100}, {{120, 110}}, {150, 125}); // 100 x 50 bitmap pixels
    EXPECT_FLOAT_EQ(view.scale(), 5.06f);
    EXPECT_EQ(label.text(), QStringLiteral("Widok: 506%"));
    EXPECT_EQ(view.layerCount(), 0);
    EXPECT_TRUE(view.scrollBarsShown());
    const QPoint middle = view.controlToBitmap(view.viewportRect().center() + QPoint(1, 1));
    EXPECT_NEAR(middle.x(), 250, 1);
    EXPECT_NEAR(middle.y(), 225, 1);
    viewer.zoomToFit();
    viewer.startMagnifier();
    drag({100, 100}, {{105, 105}}, {110, 110}); // 20 x 20
    EXPECT_EQ(view.scale(), 8.0f);
    EXPECT_EQ(label.text(), QStringLiteral("Widok: 800%"));
}

TEST_F(MagnifierFixture, ClickZoomsInAndAltClickZoomsOut) {
    mouse(QEvent::MouseButtonPress, {200, 200});
    mouse(QEvent::MouseButtonRelease, {200, 200});
    EXPECT_EQ(view.scale(), 0.75f);
    mouse(QEvent::MouseButtonPress, {200, 200}, Qt::AltModifier);
    mouse(QEvent::MouseButtonRelease, {200, 200}, Qt::AltModifier);
    EXPECT_EQ(view.scale(), 0.5f);
}

TEST_F(MagnifierFixture, AltShowsTheZoomOutCursorUntilReleasedAndEscapeEndsTheTool) {
    QTest::keyPress(&view, Qt::Key_Alt);
    EXPECT_TRUE(viewer.altHeld());
    EXPECT_EQ(view.viewport()->cursor().pixmap().toImage(),
              cursors::Cursor(cursors::ZoomOut).pixmap().toImage());
    QTest::keyRelease(&view, Qt::Key_Alt);
    EXPECT_FALSE(viewer.altHeld());
    EXPECT_EQ(view.viewport()->cursor().pixmap().toImage(),
              cursors::Cursor(cursors::Zoom).pixmap().toImage());
    QTest::keyPress(&view, Qt::Key_Escape);
    EXPECT_EQ(viewer.toolMode(), ImageViewController::NoTool);
    EXPECT_EQ(ended, std::vector<int>{ImageViewController::MagnifierTool});
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::ArrowCursor);
    mouse(QEvent::MouseButtonPress, {200, 200});
    mouse(QEvent::MouseButtonRelease, {200, 200});
    EXPECT_EQ(view.scale(), 0.5f); // no magnifier any more
}

TEST_F(MagnifierFixture, ReleaseOutsideThePhotoIsClampedToIt) {
    // The photo fills the viewport at 0.5; drag from bitmap (1000, 900) beyond the bottom-right corner.
    drag({500, 450}, {{510, 460}}, {523, 467});
    EXPECT_EQ(view.scale(), 8.0f); // 48 x 36 pixels: (524 - 18) / 48 is above 8
}

struct CropFixture : ViewerFixture {
    void SetUp() override {
        ViewerFixture::SetUp();
        show(1048, 936);
        viewer.setToolMode(ImageViewController::CropTool);
    }
};

TEST_F(CropFixture, DragThatNeverLeavesTenPixelsInBothDirectionsMakesNoFrame) {
    mouse(QEvent::MouseButtonPress, {100, 100});
    for (QPoint p : {QPoint(105, 300), QPoint(300, 105), QPoint(95, 95), QPoint(104, 104)}) {
        mouse(QEvent::MouseMove, p);
        EXPECT_EQ(view.layerCount(), 0) << p.x() << "," << p.y();
    }
    mouse(QEvent::MouseButtonRelease, {104, 104});
    EXPECT_TRUE(cropDone.empty());
}

TEST_F(CropFixture, FrameAppearsPastTheThresholdAndFollowsTheDirectionRule) {
    mouse(QEvent::MouseButtonPress, {100, 100});
    EXPECT_TRUE(viewer.isCropDragging());
    EXPECT_EQ(viewer.dragStart(), QPoint(200, 200));
    mouse(QEvent::MouseMove, {106, 106}); // bitmap (212, 212): 12 pixels both ways
    ASSERT_EQ(view.layerCount(), 1);
    EXPECT_EQ(frameRect(), (BitmapRect{200, 200, 212, 212}));
    struct Case {
        QPoint to;
        BitmapRect expected;
    };
    const Case cases[] = {
        {{150, 130}, {200, 200, 300, 260}}, // right-down
        {{60, 130}, {120, 200, 200, 260}},  // left-down
        {{60, 40}, {120, 80, 200, 200}},    // left-up
        {{150, 40}, {200, 80, 300, 200}},   // right-up
        {{-30, -30}, {0, 0, 200, 200}},     // clamped to the photo
    };
    for (const Case& c : cases) {
        mouse(QEvent::MouseMove, c.to);
        ASSERT_EQ(view.layerCount(), 1);
        EXPECT_EQ(frameRect(), c.expected) << c.to.x() << "," << c.to.y();
    }
    // Level with the start: too thin, the frame goes.
    mouse(QEvent::MouseMove, {150, 100});
    EXPECT_EQ(view.layerCount(), 0);
    mouse(QEvent::MouseMove, {150, 130});
    mouse(QEvent::MouseButtonRelease, {150, 130});
    EXPECT_FALSE(viewer.isCropDragging());
    ASSERT_EQ(cropDone.size(), 1u);
    EXPECT_EQ(cropDone[0].first, QPoint(200, 200));
    EXPECT_EQ(cropDone[0].second, QPoint(300, 260));
}

TEST_F(CropFixture, FormatLockHookShapesTheRectangle) {
    viewer.hooks().adjustCropDrag = [](viewmath::DragRect& r) { r.bottom = r.top + 2 * r.width() / 3; };
    drag({50, 50}, {{60, 60}}, {200, 400});
    ASSERT_EQ(view.layerCount(), 1);
    EXPECT_EQ(frameRect(), (BitmapRect{100, 100, 400, 300}));
}

TEST_F(CropFixture, TheDashedFrameTakesAPressOnItInsteadOfANewDrag) {
    drag({100, 100}, {{110, 110}}, {200, 150}); // drag frame (200, 200)-(400, 300) in bitmap pixels
    ASSERT_EQ(view.layerCount(), 1);
    const QImage out = uitest::frameOf(view);
    QString top;
    for (int x = 100; x < 120; ++x)
        top += out.pixel(x, 100) == qRgb(255, 255, 255) ? QLatin1Char('W')
               : out.pixel(x, 100) == qRgb(0, 0, 0)     ? QLatin1Char('B')
                                                        : QLatin1Char('?');
    EXPECT_EQ(top, QStringLiteral("WWWWWBBBBBWWWWWBBBBB"));
    EXPECT_EQ(out.pixel(150, 120), qRgb(90, 140, 200)); // inside stays the photo
    // What the crop tool makes of it on release: a rubber band carrying the drag frame.
    RubberBandLayer* band = view.addRubberBandLayer();
    band->setChild(view.layer(0));
    band->setMinimumSize(10, 10);
    band->setRect(view.layer(0)->rect());
    mouse(QEvent::MouseButtonPress, {200, 150}); // its bottom-right grip
    EXPECT_FALSE(viewer.isCropDragging());
    mouse(QEvent::MouseMove, {250, 175});
    mouse(QEvent::MouseButtonRelease, {250, 175});
    EXPECT_EQ(view.layerCount(), 2);
    EXPECT_EQ(band->rect(), (BitmapRect{200, 200, 500, 350}));
    EXPECT_EQ(view.layer(0)->rect(), band->rect());
    EXPECT_EQ(cropDone.size(), 1u); // only the first drag finished as a drag
    // A press beside it starts a new drag and drops both layers.
    mouse(QEvent::MouseButtonPress, {20, 20});
    EXPECT_TRUE(viewer.isCropDragging());
    EXPECT_EQ(view.layerCount(), 0);
}

TEST_F(ViewerFixture, RegionDragUsesTwoPixels) {
    show(1048, 936);
    viewer.setToolMode(ImageViewController::RedEyeTool);
    mouse(QEvent::MouseButtonPress, {100, 100});
    EXPECT_TRUE(viewer.isRegionDragging());
    mouse(QEvent::MouseMove, {101, 101}); // 2 bitmap pixels: not more than 2
    EXPECT_EQ(view.layerCount(), 0);
    mouse(QEvent::MouseMove, {102, 102}); // 4 pixels
    ASSERT_EQ(view.layerCount(), 1);
    EXPECT_EQ(frameRect(), (BitmapRect{200, 200, 204, 204}));
    mouse(QEvent::MouseButtonRelease, {102, 102});
    ASSERT_EQ(regionDone.size(), 1u);
    EXPECT_EQ(regionDone[0].second, QPoint(204, 204));
}

TEST_F(ViewerFixture, SpaceDoesNothingOverAFittedPhotoAndPansWhileTheScrollBarsAreShown) {
    show(3000, 2000);
    viewer.setToolMode(ImageViewController::CropTool);
    QTest::keyPress(&view, Qt::Key_Space);
    EXPECT_EQ(viewer.toolMode(), ImageViewController::CropTool);
    QTest::keyRelease(&view, Qt::Key_Space);
    EXPECT_EQ(viewer.toolMode(), ImageViewController::CropTool);
    viewer.setToolMode(ImageViewController::NoTool);
    viewer.zoomTo(2.0f);
    view.horizontalScrollBar()->setValue(1000);
    view.verticalScrollBar()->setValue(1000);
    QTest::keyPress(&view, Qt::Key_Space);
    EXPECT_EQ(viewer.toolMode(), ImageViewController::HandTool);
    mouse(QEvent::MouseButtonPress, {200, 200});
    EXPECT_TRUE(viewer.isPanning());
    mouse(QEvent::MouseMove, {150, 230});
    EXPECT_EQ(view.scrollPosition(), QPoint(1050, 970));
    mouse(QEvent::MouseMove, {160, 230});
    EXPECT_EQ(view.scrollPosition(), QPoint(1040, 970));
    mouse(QEvent::MouseButtonRelease, {160, 230});
    EXPECT_FALSE(viewer.isPanning());
    EXPECT_EQ(viewer.toolMode(), ImageViewController::HandTool);
    QTest::keyRelease(&view, Qt::Key_Space);
    EXPECT_EQ(viewer.toolMode(), ImageViewController::NoTool);
}

TEST_F(ViewerFixture, SpaceLetsPressesThroughTheFrameAndReturnsToTheToolOnScreen) {
    bool cropPanel = true;
    viewer.hooks().cropPanelVisible = [&] { return cropPanel; };
    show(3000, 2000);
    viewer.zoomTo(1.0f);
    viewer.setToolMode(ImageViewController::CropTool);
    drag({100, 100}, {{120, 120}}, {300, 300});
    ASSERT_EQ(view.layerCount(), 1);
    QTest::keyPress(&view, Qt::Key_Space);
    EXPECT_TRUE(view.layer(0)->ignoresMouse());
    QTest::keyRelease(&view, Qt::Key_Space);
    EXPECT_FALSE(view.layer(0)->ignoresMouse());
    EXPECT_EQ(viewer.toolMode(), ImageViewController::CropTool);
    cropPanel = false;
    viewer.startMagnifier();
    QTest::keyPress(&view, Qt::Key_Space);
    QTest::keyRelease(&view, Qt::Key_Space);
    EXPECT_EQ(viewer.toolMode(), ImageViewController::MagnifierTool);
}

TEST_F(ViewerFixture, NothingHappensWithoutAPhoto) {
    viewer.refreshView();
    viewer.zoomIn();
    EXPECT_EQ(label.text(), QStringLiteral("Widok: 100%"));
}

TEST(Cursors, FiveNamedCursorsFromTheResources) {
    const QStringList names{"RACZKA", "CROP", "REDEYE", "ZOOM", "ZOOMOUT"};
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(cursors::ResourceName(n), names[n - 1]);
        const QImage img = cursors::Cursor(n).pixmap().toImage().convertToFormat(QImage::Format_Alpha8);
        ASSERT_FALSE(img.isNull()) << n;
        int opaque = 0;
        for (int y = 0; y < img.height(); ++y)
            opaque += std::count_if(img.constScanLine(y), img.constScanLine(y) + img.width(),
                                    [](uchar a) { return a > 128; });
        EXPECT_GT(opaque, 40) << n; // drawn, not an empty square
    }
    EXPECT_TRUE(cursors::ResourceName(6).isEmpty());
    EXPECT_EQ(cursors::Cursor(0).shape(), Qt::ArrowCursor);
}

TEST_F(ViewerFixture, TheScaledCopySizeRuleForetellsTheViewAfterARefresh) {
    // The rule is taken before an edit and used for its result on another thread: it must give the
    // size the view asks for once the result is shown and refreshed, turned or not.
    const struct {
        const char* name;
        QSize before;
        QSize after;
        std::function<void()> zoom; // empty: fitted to the window
    } cases[] = {
        {"fitted, same size", {1200, 900}, {1200, 900}, {}},
        {"fitted, turned", {1200, 900}, {900, 1200}, {}},
        {"fitted, smaller than the window", {1200, 900}, {300, 200}, {}},
        {"zoomed out", {1200, 900}, {900, 1200}, [this] { viewer.zoomTo(0.5f); }},
        {"zoomed in", {1200, 900}, {1200, 900}, [this] { viewer.zoomTo(2.0f); }},
    };
    for (const auto& c : cases) {
        show(c.before.width(), c.before.height());
        if (c.zoom)
            c.zoom();
        const auto rule = viewer.scaledCopySizeRule();
        view.setBitmap(uitest::plain(c.after, QColor(20, 30, 40)));
        viewer.refreshView();
        const bool copied = view.effectiveScale() < 1.0f;
        EXPECT_EQ(rule(c.after), copied ? view.scaledSize() : QSize()) << c.name;
        if (!c.zoom)
            viewer.setFitToWindow(true);
    }
}

} // namespace
