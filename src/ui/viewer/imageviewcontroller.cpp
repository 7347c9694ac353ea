#include "ui/viewer/imageviewcontroller.h"

#include "ui/common/cursors.h"
#include "ui/viewer/dragframe.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>

using viewmath::DragRect;

ImageViewController::ImageViewController(ImageView* view, QObject* parent)
    : QObject(parent)
    , view_(view) {
    view_->setTool(this);
}

ImageViewController::~ImageViewController() {
    if (view_)
        view_->setTool(nullptr);
}

void ImageViewController::refreshView() {
    // Showing or hiding the scroll bars resizes the viewport, which asks for a refresh again: run
    // that one after this one instead of inside it.
    if (refreshing_) {
        refreshAgain_ = true;
        return;
    }
    refreshing_ = true;
    int rounds = 0;
    do {
        refreshAgain_ = false;
        refreshOnce();
    } while (refreshAgain_ && ++rounds < 4);
    refreshing_ = false;
}

void ImageViewController::refreshOnce() {
    if (!view_ || !view_->hasBitmap())
        return;
    const QSize vp = view_->viewportRect().size();
    const QSize bm = view_->bitmap().size();
    if (fit_) {
        const viewmath::Fit f = viewmath::FitToViewport(vp, bm);
        if (f.normal) {
            view_->setCentered(true);
            view_->setScaleMode(ImageView::ScaleMode::Normal);
            view_->setScale(1.0f);
        } else {
            view_->setScaleMode(ImageView::ScaleMode::Scale);
            view_->setScale(f.scale);
            view_->setFilter(viewQuality_ ? ImageView::Filter::Lanczos : ImageView::Filter::Nearest);
        }
    } else {
        view_->setScaleMode(ImageView::ScaleMode::Scale);
    }
    if (viewmath::NeedsScrollBars(vp, bm, view_->scale()))
        view_->setScrollBarThickness(view_->systemScrollBarThickness());
    else
        view_->setScrollBarThickness(-1);
    updateZoomLabel();
    view_->repaintView();
}

std::function<QSize(QSize)> ImageViewController::scaledCopySizeRule() const {
    const QSize vp = view_->viewportRect().size();
    const bool fit = fit_;
    const float scale = view_->scaleMode() == ImageView::ScaleMode::Normal ? 1.0f : view_->scale();
    return [vp, fit, scale](QSize bitmap) {
        float s = scale;
        if (fit) {
            const viewmath::Fit f = viewmath::FitToViewport(vp, bitmap);
            s = f.normal ? 1.0f : f.scale;
        }
        return s < 1.0f ? viewmath::ScaledSize(bitmap, s) : QSize();
    };
}

void ImageViewController::updateZoomLabel() {
    if (zoomLabel_ && view_)
        zoomLabel_->setText(viewmath::ZoomLabelText(view_->scale()));
}

void ImageViewController::zoomTo(float scale) {
    fit_ = false;
    view_->setScaleMode(ImageView::ScaleMode::Scale);
    view_->setScale(scale);
    refreshView();
}

void ImageViewController::zoomIn() {
    zoomTo(viewmath::ZoomStepIn(view_->scale()));
}

void ImageViewController::zoomOut() {
    zoomTo(viewmath::ZoomStepOut(view_->scale()));
}

void ImageViewController::zoomToFit() {
    fit_ = true;
    refreshView();
}

void ImageViewController::startMagnifier() {
    if (hooks_.cancelTools)
        hooks_.cancelTools();
    *toolMode_ = MagnifierTool;
    view_->repaintView();
    view_->setViewCursor(cursors::Cursor(cursors::Zoom));
    view_->removeAllLayers();
    magnifierMarker_ = 1;
    if (hooks_.selectionChanged)
        hooks_.selectionChanged();
}

void ImageViewController::defaultScreenCursor() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void ImageViewController::endTool() {
    const int tool = *toolMode_;
    if (tool != CropTool && tool != RedEyeTool && tool != MagnifierTool)
        return;
    view_->setViewCursor(QCursor(Qt::ArrowCursor));
    defaultScreenCursor();
    if (hooks_.toolEnded)
        hooks_.toolEnded(tool);
    *toolMode_ = NoTool;
    refreshView();
    view_->removeAllLayers();
}

BitmapLayer* ImageViewController::createDragFrame() {
    // The frame has no pixels of its own: it is only its rectangle and the dashed line around it.
    BitmapLayer* frame = view_->addBitmapLayer();
    frame->setVisible(true);
    frame->setIgnoreMouse(false);
    frame->setPaintCallback(
        [](QPainter& p, const ViewGeometry& v, const BitmapLayer& l) { PaintDragFrame(p, v, l.rect()); });
    return frame;
}

void ImageViewController::setDragFrame(const viewmath::DragRect& r) {
    view_->layer(0)->setRect({static_cast<float>(r.left), static_cast<float>(r.top),
                              static_cast<float>(r.right), static_cast<float>(r.bottom)});
    view_->repaintView();
}

void ImageViewController::cropDrag(QPoint start, QPoint end) {
    view_->removeAllLayers();
    createDragFrame();
    dragStart_ = start;
    viewmath::DragRect r = viewmath::RectOfDrag(start, end, view_->bitmap().size());
    if (hooks_.adjustCropDrag)
        hooks_.adjustCropDrag(r);
    setDragFrame(r);
    if (hooks_.cropDragFinished)
        hooks_.cropDragFinished(start, end);
}

bool ImageViewController::viewMousePress(QMouseEvent& e, ViewLayer* hit) {
    // Only the left button drags; the right one opens the view's menu.
    if (e.button() != Qt::LeftButton)
        return true;
    const bool alt = (e.modifiers() & Qt::AltModifier) || altHeld_;
    if (*toolMode_ == MagnifierTool && alt) {
        zoomOut();
        return true;
    }
    const QPoint control = e.position().toPoint() + view_->viewportRect().topLeft();
    if (*toolMode_ == CropTool || *toolMode_ == RedEyeTool || *toolMode_ == MagnifierTool) {
        if (hit && hit->kind() == ViewLayer::Kind::RubberBand)
            return false; // the crop frame and its grips take the press
        if (*toolMode_ == CropTool)
            cropDrag_ = true;
        else
            regionDrag_ = true;
        if (!hit)
            view_->removeAllLayers();
        dragStart_ = viewmath::ClampToBitmap(view_->controlToBitmap(control), view_->bitmap().size());
    }
    lastMouse_ = e.position().toPoint();
    if (*toolMode_ == HandTool)
        panning_ = true;
    return hit != nullptr;
}

void ImageViewController::viewMouseMove(QMouseEvent& e) {
    if (cropDrag_ || regionDrag_) {
        const QPoint control = e.position().toPoint() + view_->viewportRect().topLeft();
        const QPoint p = view_->controlToBitmap(control);
        const QSize bm = view_->bitmap().size();
        if (view_->layerCount() > 1)
            view_->removeAllLayers();
        const int threshold = cropDrag_ ? kCropThreshold : kRegionThreshold;
        if (view_->layerCount() == 0 && viewmath::BeyondThreshold(dragStart_, p, bm, threshold))
            createDragFrame();
        if (view_->layerCount() == 0)
            return;
        DragRect r = viewmath::RectOfDrag(dragStart_, p, bm);
        if (cropDrag_ && hooks_.adjustCropDrag)
            hooks_.adjustCropDrag(r);
        const int minimum = cropDrag_ ? kCropThreshold : kRegionThreshold;
        if (r.width() < minimum || r.height() < minimum) {
            view_->removeAllLayers();
        } else {
            setDragFrame(r);
        }
        if (cropDrag_ && hooks_.selectionChanged)
            hooks_.selectionChanged();
        return;
    }
    if (panning_) {
        const QPoint now = e.position().toPoint();
        view_->scrollByPixels(lastMouse_.x() - now.x(), lastMouse_.y() - now.y());
        lastMouse_ = now;
    }
}

void ImageViewController::viewMouseRelease(QMouseEvent& e) {
    if (e.button() != Qt::LeftButton)
        return;
    cropDrag_ = false;
    regionDrag_ = false;
    const QPoint control = e.position().toPoint() + view_->viewportRect().topLeft();
    const int layers = view_->layerCount();
    if (*toolMode_ == CropTool && layers == 1 && hooks_.cropDragFinished)
        hooks_.cropDragFinished(dragStart_, view_->controlToBitmap(control));
    else if (*toolMode_ == RedEyeTool && layers == 1 && hooks_.regionDragFinished)
        hooks_.regionDragFinished(dragStart_, view_->controlToBitmap(control));
    else if (*toolMode_ == MagnifierTool) {
        const bool alt = (e.modifiers() & Qt::AltModifier) || altHeld_;
        if (layers == 1)
            zoomToRectangle(control);
        else if (layers == 0 && !alt)
            zoomIn();
    }
    if (panning_)
        panning_ = false; // the hand stays until Space is released
}

void ImageViewController::zoomToRectangle(QPoint releaseControl) {
    if (hooks_.hideRedEyePanel)
        hooks_.hideRedEyePanel();
    view_->removeAllLayers();
    QPoint q = view_->controlToBitmap(releaseControl);
    q = {std::max(q.x(), 0), std::max(q.y(), 0)};
    const QSize bm = view_->bitmap().size();
    const int left = std::min(dragStart_.x(), q.x());
    const int top = std::min(dragStart_.y(), q.y());
    const int right = std::min(std::max(dragStart_.x(), q.x()), bm.width());
    const int bottom = std::min(std::max(dragStart_.y(), q.y()), bm.height());
    fit_ = false;
    refreshView();
    const int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0)
        return;
    const float s = viewmath::MagnifierScale(view_->viewportRect().size(), w, h);
    view_->setScale(s);
    // The scroll bars follow the new scale, so that the enlarged photo can be scrolled.
    refreshView();
    view_->centerOn(QPointF(left + w / 2, top + h / 2));
    updateZoomLabel();
    view_->repaintView();
}

void ImageViewController::nudgePointer() {
    // Putting the pointer where it is makes the window system show the new cursor at once.
    QCursor::setPos(QCursor::pos());
}

bool ImageViewController::viewKeyPress(QKeyEvent& e) {
    switch (e.key()) {
    case Qt::Key_Space:
        if (e.isAutoRepeat() || !view_->scrollBarsShown())
            return true;
        if (ViewLayer* frame = selectionFrame())
            frame->setIgnoreMouse(true);
        view_->setViewCursor(cursors::Cursor(cursors::Raczka));
        *toolMode_ = HandTool;
        return true;
    case Qt::Key_Escape:
        if (*toolMode_ == CropTool || *toolMode_ == RedEyeTool || *toolMode_ == MagnifierTool) {
            endTool();
            return true;
        }
        return false;
    case Qt::Key_Alt:
        if (*toolMode_ == MagnifierTool && !altHeld_) {
            altHeld_ = true;
            view_->setViewCursor(cursors::Cursor(cursors::ZoomOut));
            nudgePointer();
        }
        return *toolMode_ == MagnifierTool;
    default:
        return hooks_.toolKey && hooks_.toolKey(e);
    }
}

ViewLayer* ImageViewController::selectionFrame() const {
    // The drag frame alone, or the crop frame (the rubber band) above it.
    const int n = view_->layerCount();
    return n == 1 ? view_->layer(0) : n == 2 ? view_->layer(1) : nullptr;
}

void ImageViewController::returnFromHand() {
    if (hooks_.cropPanelVisible && hooks_.cropPanelVisible()) {
        *toolMode_ = CropTool;
        view_->setViewCursor(cursors::Cursor(cursors::Crop));
    } else if (hooks_.redEyePanelVisible && hooks_.redEyePanelVisible()) {
        *toolMode_ = RedEyeTool;
        view_->setViewCursor(cursors::Cursor(cursors::RedEye));
    } else if (magnifierMarker_ != 1) {
        *toolMode_ = NoTool;
        view_->setViewCursor(QCursor(Qt::ArrowCursor));
    } else {
        *toolMode_ = MagnifierTool;
        view_->setViewCursor(cursors::Cursor(cursors::Zoom));
    }
}

bool ImageViewController::viewKeyRelease(QKeyEvent& e) {
    bool used = false;
    if (e.key() == Qt::Key_Space && !e.isAutoRepeat()) {
        // Without scroll bars the press did nothing, so the release leaves the tool alone, unless the
        // hand was taken while the bars were still there.
        if (view_->scrollBarsShown() || *toolMode_ == HandTool) {
            if (ViewLayer* frame = selectionFrame())
                frame->setIgnoreMouse(false);
            panning_ = false;
            returnFromHand();
            defaultScreenCursor();
        }
        used = true;
    }
    if (altHeld_ && *toolMode_ == MagnifierTool) {
        view_->setViewCursor(cursors::Cursor(cursors::Zoom));
        nudgePointer();
        altHeld_ = false;
        used = true;
    }
    return used;
}

void ImageViewController::viewResized() {
    refreshView();
}
