#pragma once

// The main window's viewer state and rules around the image view: `ToolMode`, `FitToWindow`, the fit
// and scroll-bar rules (`RefreshView`), the zoom steps and fixed zooms, the magnifier, the crop and
// region drags with their frame, Space panning, Escape and Alt, and the zoom label. What a finished
// crop or region drag does, and the tool panels, belong to the crop and red-eye tools: they plug in
// through `Hooks`. UI thread only.
#include "ui/viewer/imageview.h"
#include "ui/viewer/viewmath.h"

#include <QLabel>
#include <QObject>
#include <QPointer>

#include <functional>

class ImageViewController : public QObject, public ViewTool {
    Q_OBJECT
public:
    enum Tool { NoTool = -1, HandTool = 0, CropTool = 1, RedEyeTool = 2, MagnifierTool = 3 };
    // Pixels the pointer must move from the drag start, in both directions, before a frame appears.
    static constexpr int kCropThreshold = 10;
    static constexpr int kRegionThreshold = 2;

    struct Hooks {
        // The magnifier cancels a crop or red-eye tool in progress and re-lays out the tool panels.
        std::function<void()> cancelTools;
        // A crop drag's rectangle (direction rule applied, clamped) before it is given to the frame:
        // the place for a print-format lock.
        std::function<void(viewmath::DragRect&)> adjustCropDrag;
        // The selection changed (its size label and quality indicator follow it).
        std::function<void()> selectionChanged;
        // Mouse up in the crop tool (1) or the red-eye tool (2) with exactly one layer, the drag frame:
        // the drag start and the release point in bitmap pixels.
        std::function<void(QPoint start, QPoint release)> cropDragFinished;
        std::function<void(QPoint start, QPoint release)> regionDragFinished;
        // Escape ended tool 1, 2 or 3: hide its panel, re-lay out the panels.
        std::function<void(int tool)> toolEnded;
        // The magnifier's zoom to a rectangle hides the red-eye panel.
        std::function<void()> hideRedEyePanel;
        // What is on screen, for returning from the hand tool.
        std::function<bool()> cropPanelVisible;
        std::function<bool()> redEyePanelVisible;
        // A key the view does not use itself, offered to the tool in use first; true when it took it.
        std::function<bool(QKeyEvent&)> toolKey;
    };

    explicit ImageViewController(ImageView* view, QObject* parent = nullptr);
    ~ImageViewController() override;

    ImageView* view() const { return view_; }
    Hooks& hooks() { return hooks_; }
    void setZoomLabel(QLabel* label) { zoomLabel_ = label; }
    // "ViewQuality": Lanczos for a fitted photo when on, nearest neighbour when off.
    void setViewQuality(bool on) { viewQuality_ = on; }
    bool viewQuality() const { return viewQuality_; }

    // The size of the view's scaled copy of a photo of a given size once it is refreshed as the view
    // stands now (empty when it would be drawn at 100 % or more). Holds copies only: callable anywhere.
    std::function<QSize(QSize)> scaledCopySizeRule() const;

    int toolMode() const { return *toolMode_; }
    void setToolMode(int mode) { *toolMode_ = mode; }
    // Keeps `ToolMode` in the owner's field instead of its own (the main window's editing state).
    void bindToolMode(int* storage) {
        *storage = *toolMode_;
        toolMode_ = storage;
    }
    bool fitToWindow() const { return fit_; }
    void setFitToWindow(bool on) { fit_ = on; }
    bool isPanning() const { return panning_; }
    bool isCropDragging() const { return cropDrag_; }
    bool isRegionDragging() const { return regionDrag_; }
    QPoint dragStart() const { return dragStart_; }
    bool altHeld() const { return altHeld_; }
    int magnifierMarker() const { return magnifierMarker_; }

    // Fit rule, scroll-bar rule, zoom label, repaint. Nothing happens while the view has no bitmap.
    void refreshView();
    void updateZoomLabel();
    void zoomIn();
    void zoomOut();
    void zoomToFit();
    // Fit off, the given scale (1, 2, 3 or 4 from the fixed zoom commands), refresh.
    void zoomTo(float scale);
    // The magnifier command.
    void startMagnifier();
    // Escape: ends tool 1, 2 or 3.
    void endTool();
    // What a crop drag from `start` to `end` (bitmap pixels) leaves, made without the mouse.
    void cropDrag(QPoint start, QPoint end);

    // ViewTool
    bool viewMousePress(QMouseEvent& e, ViewLayer* hit) override;
    void viewMouseMove(QMouseEvent& e) override;
    void viewMouseRelease(QMouseEvent& e) override;
    bool viewKeyPress(QKeyEvent& e) override;
    bool viewKeyRelease(QKeyEvent& e) override;
    void viewResized() override;

private:
    void refreshOnce();
    void zoomToRectangle(QPoint releaseControl);
    BitmapLayer* createDragFrame();
    void setDragFrame(const viewmath::DragRect& r);
    void returnFromHand();
    ViewLayer* selectionFrame() const;
    void nudgePointer();
    static void defaultScreenCursor();

    QPointer<ImageView> view_;
    QPointer<QLabel> zoomLabel_;
    Hooks hooks_;
    bool viewQuality_ = false;
    int ownToolMode_ = NoTool;
    int* toolMode_ = &ownToolMode_;
    bool fit_ = true;
    bool panning_ = false;
    bool cropDrag_ = false;
    bool regionDrag_ = false;
    QPoint dragStart_;
    QPoint lastMouse_;
    bool altHeld_ = false;
    int magnifierMarker_ = 0;
    bool refreshing_ = false;
    bool refreshAgain_ = false;
};
