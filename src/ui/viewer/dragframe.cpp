#include "ui/viewer/dragframe.h"

#include "ui/viewer/viewmath.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// One pixel-wide run of the frame in viewport pixels, drawn pixel by pixel along the perimeter so that
// the pattern runs on around the corners.
void PaintRun(QPainter& p, QPoint from, QPoint step, int length, int& counter) {
    int i = 0;
    while (i < length) {
        const bool white = viewmath::DashIsWhite(counter + i);
        int j = i + 1;
        while (j < length && viewmath::DashIsWhite(counter + j) == white)
            ++j;
        const QPoint a = from + step * i;
        const QPoint b = from + step * (j - 1);
        p.fillRect(QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                         QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y()))),
                   white ? Qt::white : Qt::black);
        i = j;
    }
    counter += length;
}

} // namespace

void PaintDragFrame(QPainter& p, const ViewGeometry& view, const BitmapRect& rect) {
    const QPointF shift = -QPointF(view.viewportRect().topLeft());
    const QPointF tl =
        view.bitmapToControl(QPointF(std::nearbyint(rect.left), std::nearbyint(rect.top))) + shift;
    const QPointF br =
        view.bitmapToControl(QPointF(std::nearbyint(rect.right), std::nearbyint(rect.bottom))) + shift;
    const int l = static_cast<int>(std::lround(tl.x()));
    const int t = static_cast<int>(std::lround(tl.y()));
    const int r = static_cast<int>(std::lround(br.x())) - 1;
    const int b = static_cast<int>(std::lround(br.y())) - 1;
    if (r < l || b < t)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    int counter = 0;
    const int w = r - l, h = b - t;
    if (w == 0 || h == 0) {
        PaintRun(p, {l, t}, w == 0 ? QPoint(0, 1) : QPoint(1, 0), std::max(w, h) + 1, counter);
    } else {
        PaintRun(p, {l, t}, {1, 0}, w, counter);
        PaintRun(p, {r, t}, {0, 1}, h, counter);
        PaintRun(p, {r, b}, {-1, 0}, w, counter);
        PaintRun(p, {l, b}, {0, -1}, h, counter);
    }
    p.restore();
}
