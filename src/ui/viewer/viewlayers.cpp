#include "ui/viewer/viewlayers.h"

#include <QPainter>

#include <array>
#include <cmath>

namespace {

QRectF ControlRect(const ViewGeometry& view, const BitmapRect& r) {
    return QRectF(view.bitmapToControl(QPointF(r.left, r.top)),
                  view.bitmapToControl(QPointF(r.right, r.bottom)));
}

// A rectangle in control pixels as the painter of the viewport sees it.
QRectF InViewport(const ViewGeometry& view, const QRectF& control) {
    return control.translated(-QPointF(view.viewportRect().topLeft()));
}

struct Grip {
    RubberBandLayer::Handle handle;
    QPointF at; // control pixels
};

std::array<Grip, 9> Grips(const ViewGeometry& view, const BitmapRect& r) {
    const QRectF c = ControlRect(view, r);
    const double mx = c.center().x(), my = c.center().y();
    using H = RubberBandLayer::Handle;
    return {{{H::TopLeft, c.topLeft()},
             {H::TopRight, c.topRight()},
             {H::BottomRight, c.bottomRight()},
             {H::BottomLeft, c.bottomLeft()},
             {H::Centre, c.center()},
             {H::Top, {mx, c.top()}},
             {H::Right, {c.right(), my}},
             {H::Bottom, {mx, c.bottom()}},
             {H::Left, {c.left(), my}}}};
}

bool IsSide(RubberBandLayer::Handle h) {
    using H = RubberBandLayer::Handle;
    return h == H::Top || h == H::Right || h == H::Bottom || h == H::Left;
}

} // namespace

bool ViewLayer::hitTest(const ViewGeometry& view, QPoint control) const {
    return ControlRect(view, rect_).normalized().contains(QPointF(control));
}

void BitmapLayer::paint(QPainter& p, const ViewGeometry& view) const {
    if (!image_.isNull())
        p.drawImage(InViewport(view, ControlRect(view, rect())), image_);
    if (paint_)
        paint_(p, view, *this);
}

void RubberBandLayer::setRect(const BitmapRect& r) {
    ViewLayer::setRect(r);
    if (child_)
        child_->setRect(r);
}

RubberBandLayer::Handle RubberBandLayer::handleAt(const ViewGeometry& view, QPoint control) const {
    const double reach = kGripSize / 2.0 + 1.0;
    for (const Grip& g : Grips(view, rect())) {
        if (IsSide(g.handle) && !sides_)
            continue;
        if (std::abs(g.at.x() - control.x()) <= reach && std::abs(g.at.y() - control.y()) <= reach)
            return g.handle;
    }
    if (ControlRect(view, rect()).normalized().contains(QPointF(control)))
        return Handle::Inside;
    return Handle::None;
}

bool RubberBandLayer::hitTest(const ViewGeometry& view, QPoint control) const {
    return handleAt(view, control) != Handle::None;
}

bool RubberBandLayer::beginDrag(const ViewGeometry& view, QPoint control) {
    dragging_ = handleAt(view, control);
    grab_ = control;
    grabRect_ = rect();
    return dragging_ != Handle::None;
}

BitmapRect RubberBandLayer::propose(const BitmapRect& start, Handle handle, float dx, float dy) const {
    BitmapRect r = start;
    switch (handle) {
    case Handle::None:
        return r;
    case Handle::Centre:
    case Handle::Inside:
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
        return r;
    default:
        break;
    }
    const bool moveLeft = handle == Handle::TopLeft || handle == Handle::BottomLeft || handle == Handle::Left;
    const bool moveRight =
        handle == Handle::TopRight || handle == Handle::BottomRight || handle == Handle::Right;
    const bool moveTop = handle == Handle::TopLeft || handle == Handle::TopRight || handle == Handle::Top;
    const bool moveBottom =
        handle == Handle::BottomLeft || handle == Handle::BottomRight || handle == Handle::Bottom;
    // The grip follows the pointer until the band would be smaller than its minimum; then the moving
    // edge stops at the minimum and the opposite edge stays put.
    if (moveLeft)
        r.left = std::min(start.left + dx, start.right - minW_);
    if (moveRight)
        r.right = std::max(start.right + dx, start.left + minW_);
    if (moveTop)
        r.top = std::min(start.top + dy, start.bottom - minH_);
    if (moveBottom)
        r.bottom = std::max(start.bottom + dy, start.top + minH_);
    return r;
}

void RubberBandLayer::dragTo(const ViewGeometry& view, QPoint control) {
    if (dragging_ == Handle::None)
        return;
    const long double s = view.effectiveScale();
    const float dx = static_cast<float>((control.x() - grab_.x()) / s);
    const float dy = static_cast<float>((control.y() - grab_.y()) / s);
    take(propose(grabRect_, dragging_, dx, dy), dragging_);
}

void RubberBandLayer::step(Handle handle, float dx, float dy) {
    take(propose(rect(), handle, dx, dy), handle);
}

void RubberBandLayer::take(BitmapRect proposed, Handle handle) {
    if (resizing_)
        resizing_(rect(), proposed, handle);
    setRect(proposed);
}

void RubberBandLayer::paint(QPainter& p, const ViewGeometry& view) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    const QPointF shift = -QPointF(view.viewportRect().topLeft());
    for (const Grip& g : Grips(view, rect())) {
        if (IsSide(g.handle) && !sides_)
            continue;
        const QPointF c = g.at + shift;
        const int half = kGripSize / 2;
        p.drawRect(QRect(static_cast<int>(std::lround(c.x())) - half,
                         static_cast<int>(std::lround(c.y())) - half, kGripSize - 1, kGripSize - 1));
    }
    p.restore();
}
