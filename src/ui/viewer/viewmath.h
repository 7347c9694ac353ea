#pragma once

// The viewer's arithmetic without a widget: zoom steps, the fit rule, the scroll-bar rule, the
// magnifier's zoom-to-rectangle scale and the rectangle of a mouse drag. Pure functions, any thread.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

namespace viewmath {

// The largest and smallest scale the zoom steps reach.
inline constexpr float kMaxZoom = 8.0f;
inline constexpr float kMinZoom = 0.125f;

// One zoom step in or out from scale `s`: 12.5 %, 25 %, 50 %, 75 %, 100 %, 200 % ... 800 %; a scale
// between two steps goes to the next one in the chosen direction.
float ZoomStepIn(float s);
float ZoomStepOut(float s);

// How a photo of `bitmap` pixels is shown fitted into a viewport of `viewport` pixels.
struct Fit {
    bool normal = false; // true: centred at 1:1 (the photo is smaller in both directions)
    float scale = 1.0f;
};
Fit FitToViewport(QSize viewport, QSize bitmap);

// The drawn size of a photo of `bitmap` pixels at `scale`: each side Round(side × scale), at least 1.
QSize ScaledSize(QSize bitmap, float scale);

// Whether a photo of `bitmap` pixels at `scale` needs scroll bars in a viewport of `viewport` pixels.
bool NeedsScrollBars(QSize viewport, QSize bitmap, float scale);

// The zoom label's text: "Widok: " + Round(scale x 100) + "%".
QString ZoomLabelText(float scale);

// Scale of the magnifier's zoom to a dragged rectangle of `w` x `h` bitmap pixels (both positive):
// the rectangle's longer direction, measured against the viewport less 18 pixels, capped at 8.
float MagnifierScale(QSize viewport, int w, int h);

// The four directions of a drag from its start towards the pointer (level counts as right or down).
enum class DragDirection { RightDown, LeftDown, LeftUp, RightUp };
DragDirection DirectionOf(QPoint start, QPoint pointer);

// The rectangle between the drag start and the pointer, ordered by direction and clamped to the
// bitmap (left and top at least 0, right at most the width, bottom at most the height).
struct DragRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    DragDirection direction = DragDirection::RightDown;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};
DragRect RectOfDrag(QPoint start, QPoint pointer, QSize bitmap);

// Whether the pointer has moved more than `threshold` pixels from the drag start in both directions at
// once; the pointer is first lowered to the bitmap's width and height (not raised to 0).
bool BeyondThreshold(QPoint start, QPoint pointer, QSize bitmap, int threshold);

// A bitmap point clamped to 0..width and 0..height (the drag start's range).
QPoint ClampToBitmap(QPoint p, QSize bitmap);

// The dashed drag frame: whether the pixel at `step` along the frame is white (four white, four black,
// the pattern advancing 0.8 of a step per pixel).
bool DashIsWhite(int step);

} // namespace viewmath
