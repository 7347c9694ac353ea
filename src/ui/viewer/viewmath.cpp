#include "ui/viewer/viewmath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace viewmath {

float ZoomStepIn(float s) {
    if (s < 0.25f)
        return 0.25f;
    if (s < 0.5f)
        return 0.5f;
    if (s < 0.75f)
        return 0.75f;
    if (s < 1.0f)
        return 1.0f;
    if (s < kMaxZoom)
        return static_cast<float>(std::trunc(static_cast<long double>(s)) + 1.0L);
    return s;
}

float ZoomStepOut(float s) {
    if (s > kMaxZoom)
        return s;
    if (s >= 2.0f)
        return static_cast<float>(std::trunc(static_cast<long double>(s) + 0.99999L) - 1.0L);
    if (s > 1.0f)
        return 1.0f;
    if (s > 0.75f)
        return 0.75f;
    if (s > 0.5f)
        return 0.5f;
    if (s > 0.25f)
        return 0.25f;
    if (s > kMinZoom)
        return kMinZoom;
    return s;
}

Fit FitToViewport(QSize viewport, QSize bitmap) {
    const int vw = viewport.width(), vh = viewport.height();
    const int bw = bitmap.width(), bh = bitmap.height();
    if (vw > bw && bh < vh)
        return {true, 1.0f};
    if (bw <= 0 || bh <= 0)
        return {true, 1.0f};
    const float sx = static_cast<float>(static_cast<long double>(vw) / bw);
    const float sy = static_cast<float>(static_cast<long double>(vh) / bh);
    return {false, sy < sx ? sy : sx};
}

QSize ScaledSize(QSize bitmap, float scale) {
    const auto side = [scale](int pixels) {
        const long double v = std::nearbyint(static_cast<long double>(pixels) * scale);
        return std::max(1, static_cast<int>(v));
    };
    return {side(bitmap.width()), side(bitmap.height())};
}

bool NeedsScrollBars(QSize viewport, QSize bitmap, float scale) {
    const long double w = std::nearbyint(static_cast<long double>(bitmap.width()) * scale);
    const long double h = std::nearbyint(static_cast<long double>(bitmap.height()) * scale);
    return !(w <= viewport.width() && h <= viewport.height());
}

QString ZoomLabelText(float scale) {
    const long double percent = std::nearbyint(static_cast<long double>(scale) * 100.0L);
    return QStringLiteral("Widok: ") + QString::number(static_cast<long long>(percent)) + QLatin1Char('%');
}

float MagnifierScale(QSize viewport, int w, int h) {
    const long double ratio = static_cast<long double>(w) / h;
    const long double s = ratio >= 1.0L ? static_cast<long double>(viewport.width() - 18) / w
                                        : static_cast<long double>(viewport.height() - 18) / h;
    const float scale = static_cast<float>(s);
    return scale > kMaxZoom ? kMaxZoom : scale;
}

DragDirection DirectionOf(QPoint start, QPoint pointer) {
    const bool left = pointer.x() < start.x();
    const bool up = pointer.y() < start.y();
    if (left)
        return up ? DragDirection::LeftUp : DragDirection::LeftDown;
    return up ? DragDirection::RightUp : DragDirection::RightDown;
}

DragRect RectOfDrag(QPoint start, QPoint pointer, QSize bitmap) {
    DragRect r;
    r.direction = DirectionOf(start, pointer);
    // Every direction puts the smaller coordinate left or top; a level pointer gives an empty side.
    r.left = std::min(start.x(), pointer.x());
    r.right = std::max(start.x(), pointer.x());
    r.top = std::min(start.y(), pointer.y());
    r.bottom = std::max(start.y(), pointer.y());
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, bitmap.width());
    r.bottom = std::min(r.bottom, bitmap.height());
    return r;
}

bool BeyondThreshold(QPoint start, QPoint pointer, QSize bitmap, int threshold) {
    const int dx = std::abs(std::min(pointer.x(), bitmap.width()) - start.x());
    const int dy = std::abs(std::min(pointer.y(), bitmap.height()) - start.y());
    return dx > threshold && dy > threshold;
}

QPoint ClampToBitmap(QPoint p, QSize bitmap) {
    return {std::clamp(p.x(), 0, std::max(0, bitmap.width())),
            std::clamp(p.y(), 0, std::max(0, bitmap.height()))};
}

bool DashIsWhite(int step) {
    // 0.8 pattern steps per pixel, eight steps per period: ten pixels per period, computed in tenths.
    const long long tenths = static_cast<long long>(std::max(step, 0)) * 8;
    return (tenths / 10) % 8 < 4;
}

} // namespace viewmath
