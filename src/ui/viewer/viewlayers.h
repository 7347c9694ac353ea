#pragma once

// Layers drawn above the photo in the image view, with their geometry in bitmap pixels: a bitmap layer
// painted by a callback (the drag frame), and a rubber band with handles that the mouse moves and
// resizes (the crop frame). UI thread only; the view owns its layers.
#include "ui/viewer/viewgeometry.h"

#include <QCursor>
#include <QImage>
#include <QPoint>
#include <QRectF>

#include <functional>

class QPainter;

// A rectangle in bitmap pixels, kept in single precision.
struct BitmapRect {
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
    float width() const { return right - left; }
    float height() const { return bottom - top; }
    QRectF toRectF() const { return QRectF(QPointF(left, top), QPointF(right, bottom)); }
    bool operator==(const BitmapRect&) const = default;
};

class ViewLayer {
public:
    enum class Kind { Bitmap, RubberBand };
    virtual ~ViewLayer() = default;

    Kind kind() const { return kind_; }
    const BitmapRect& rect() const { return rect_; }
    virtual void setRect(const BitmapRect& r) { rect_ = r; }
    bool isVisible() const { return visible_; }
    void setVisible(bool on) { visible_ = on; }
    // A layer that ignores the mouse lets presses through to the photo (panning over a crop frame).
    bool ignoresMouse() const { return ignoreMouse_; }
    void setIgnoreMouse(bool on) { ignoreMouse_ = on; }

    virtual void paint(QPainter& p, const ViewGeometry& view) const = 0;
    // Whether a press at `control` (view control pixels) lands on the layer.
    virtual bool hitTest(const ViewGeometry& view, QPoint control) const;

protected:
    explicit ViewLayer(Kind kind)
        : kind_(kind) {}

private:
    Kind kind_;
    BitmapRect rect_;
    bool visible_ = true;
    bool ignoreMouse_ = false;
};

// A layer scaled with the photo: its own (optional) image stretched over its rectangle, then whatever
// its paint callback draws in control pixels.
class BitmapLayer : public ViewLayer {
public:
    using PaintCallback = std::function<void(QPainter&, const ViewGeometry&, const BitmapLayer&)>;
    BitmapLayer()
        : ViewLayer(Kind::Bitmap) {}

    void setImage(const QImage& image) { image_ = image; }
    const QImage& image() const { return image_; }
    void setPaintCallback(PaintCallback cb) { paint_ = std::move(cb); }

    void paint(QPainter& p, const ViewGeometry& view) const override;

private:
    QImage image_;
    PaintCallback paint_;
};

// A rectangle with grips: the corners and the centre always, the four sides when asked. Dragging a grip
// resizes it, dragging inside or the centre grip moves it; a child layer follows its rectangle.
class RubberBandLayer : public ViewLayer {
public:
    enum class Handle {
        None,
        TopLeft,
        Top,
        TopRight,
        Right,
        BottomRight,
        Bottom,
        BottomLeft,
        Left,
        Centre,
        Inside
    };
    // Called on every mouse move with the rectangle before the move and the proposed one (already at
    // least the minimum size); the callback may change `proposed`, which is then taken.
    using ResizingCallback = std::function<void(const BitmapRect& old, BitmapRect& proposed, Handle handle)>;

    static constexpr int kGripSize = 7; // control pixels

    RubberBandLayer()
        : ViewLayer(Kind::RubberBand) {}

    void setRect(const BitmapRect& r) override;
    void setChild(ViewLayer* child) { child_ = child; }
    ViewLayer* child() const { return child_; }
    void setSideHandles(bool on) { sides_ = on; }
    bool sideHandles() const { return sides_; }
    void setMinimumSize(float w, float h) {
        minW_ = w;
        minH_ = h;
    }
    float minimumWidth() const { return minW_; }
    float minimumHeight() const { return minH_; }
    void setResizingCallback(ResizingCallback cb) { resizing_ = std::move(cb); }
    void setCursor(const QCursor& c) { cursor_ = c; }
    const QCursor& cursor() const { return cursor_; }

    // Which grip (or the inside) lies under `control`; None when the press misses the band.
    Handle handleAt(const ViewGeometry& view, QPoint control) const;
    bool hitTest(const ViewGeometry& view, QPoint control) const override;

    // A mouse drag of the band: begin answers whether the press took it.
    bool beginDrag(const ViewGeometry& view, QPoint control);
    void dragTo(const ViewGeometry& view, QPoint control);
    void endDrag() { dragging_ = Handle::None; }
    // One step of a drag of `handle` by (dx, dy) bitmap pixels, under the same rules as the mouse's.
    void step(Handle handle, float dx, float dy);
    bool isDragging() const { return dragging_ != Handle::None; }

    // The rectangle a grip drag proposes, before the callback: pure geometry, kept for the tests.
    BitmapRect propose(const BitmapRect& start, Handle handle, float dx, float dy) const;

    void paint(QPainter& p, const ViewGeometry& view) const override;

private:
    // The callback's say on `proposed`, then the rectangle taken.
    void take(BitmapRect proposed, Handle handle);

    ViewLayer* child_ = nullptr;
    bool sides_ = false;
    float minW_ = 0;
    float minH_ = 0;
    ResizingCallback resizing_;
    QCursor cursor_{Qt::SizeAllCursor};
    Handle dragging_ = Handle::None;
    QPoint grab_;
    BitmapRect grabRect_;
};
