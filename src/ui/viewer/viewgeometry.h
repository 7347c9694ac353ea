#pragma once

// What the layers drawn over a bitmap need of the view they lie on: where a bitmap pixel falls in the
// control, the part of the control that shows the bitmap, and the scale. The image view provides it; the
// layers know nothing else of the view, so they can be drawn and tested on their own.
#include <QPointF>
#include <QRect>

class ViewGeometry {
public:
    virtual QPointF bitmapToControl(QPointF bitmap) const = 0;
    virtual QRect viewportRect() const = 0;
    virtual float effectiveScale() const = 0;

protected:
    ~ViewGeometry() = default;
};
