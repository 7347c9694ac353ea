#include "ui/edit/cropmath.h"

#include <cmath>

namespace cropmath {

QString CropChoice::caption() const {
    const imaging::PrintFormat* f = format();
    return f ? f->nameText() : imaging::FreeFormatName();
}

const std::array<CropChoice, kChoiceCount>& CropChoices() {
    static const std::array<CropChoice, kChoiceCount> choices = {{
        {"rbKadrowanie913", 1, 13, 9, 640},
        {"rbKadrowanie1013", 7, 13, 10, 1024},
        {"rbKadrowanie1015", 2, 3, 2, 1024},
        {"rbKadrowanie1318", 3, 18, 13, 1152},
        {"rbKadrowanie1521", 4, 21, 15, 1425},
        {"rbKadrowanie2030", 5, 3, 2, 1600},
        {"rbKadrowanie3045", 6, 3, 2, 1600},
        {"rbKadrowanieDowolne", 0, 0, 0, 0},
    }};
    return choices;
}

void LockDrag(viewmath::DragRect& r, int p, int q, int bitmapHeight) {
    using D = viewmath::DragDirection;
    const int w = r.right - r.left;
    switch (r.direction) {
    case D::RightDown:
        r.bottom = r.top + q * w / p;
        if (r.bottom > bitmapHeight) {
            r.bottom = bitmapHeight;
            r.right = r.left + (bitmapHeight - r.top) * p / q;
        }
        break;
    case D::LeftDown:
        r.bottom = r.top + q * w / p;
        if (r.bottom > bitmapHeight) {
            r.bottom = bitmapHeight;
            r.left = r.right - p * (bitmapHeight - r.top) / q;
        }
        break;
    case D::LeftUp:
        r.top = r.bottom - q * w / p;
        if (r.top < 0) {
            r.top = 0;
            r.left = r.right - p * (r.bottom - r.top) / q;
        }
        break;
    case D::RightUp:
        r.top = r.bottom - q * w / p;
        if (r.top < 0) {
            r.top = 0;
            r.right = r.left + (r.bottom - r.top) * p / q;
        }
        break;
    }
}

namespace {

using H = RubberBandLayer::Handle;
using LD = long double;

float f(LD v) {
    return static_cast<float>(v);
}

// A moved frame keeps its size against the bitmap's edges.
void keepInside(const BitmapRect& o, BitmapRect& n, int W, int H) {
    if (n.left < 0) {
        n.left = 0;
        n.right = o.width();
    }
    if (n.top < 0) {
        n.top = 0;
        n.bottom = o.height();
    }
    if (n.right > W) {
        n.right = static_cast<float>(W);
        n.left = f(LD(n.right) - o.width());
    }
    if (n.bottom > H) {
        n.bottom = static_cast<float>(H);
        n.top = f(LD(n.bottom) - o.height());
    }
}

void clampToBitmap(BitmapRect& n, int W, int H) {
    n.left = std::max(n.left, 0.0f);
    n.top = std::max(n.top, 0.0f);
    n.right = std::min(n.right, static_cast<float>(W));
    n.bottom = std::min(n.bottom, static_cast<float>(H));
}

// A corner drag keeping b / a exactly.
void keepRatio(BitmapRect& n, H handle, LD a, LD b, int W, int Hgt) {
    switch (handle) {
    case H::TopLeft:
        n.top = f(n.bottom - b * (LD(n.right) - n.left) / a);
        if (n.top < 0) {
            n.top = 0;
            n.left = f(n.right - a * (LD(n.bottom) - n.top) / b);
        }
        if (n.left < 0) {
            n.left = 0;
            n.top = f(n.bottom - b * LD(n.right) / a);
        }
        break;
    case H::TopRight:
        n.top = f(n.bottom - b * (LD(n.right) - n.left) / a);
        if (n.top < 0) {
            n.top = 0;
            n.right = f(n.left + a * (LD(n.bottom) - n.top) / b);
        }
        if (n.right > W) {
            n.right = static_cast<float>(W);
            n.top = f(n.bottom - b * (LD(n.right) - n.left) / a);
        }
        break;
    case H::BottomLeft:
        n.bottom = f(n.top + b * (LD(n.right) - n.left) / a);
        if (n.bottom > Hgt) {
            n.bottom = static_cast<float>(Hgt);
            n.left = f(n.right - a * (LD(n.bottom) - n.top) / b);
        }
        if (n.left < 0) {
            n.left = 0;
            n.bottom = f(n.top + b * LD(n.right) / a);
        }
        break;
    case H::BottomRight:
        n.bottom = f(n.top + b * (LD(n.right) - n.left) / a);
        if (n.bottom > Hgt) {
            n.bottom = static_cast<float>(Hgt);
            n.right = f(n.left + a * (LD(n.bottom) - n.top) / b);
        }
        if (n.right > W) {
            n.right = static_cast<float>(W);
            n.bottom = f(n.top + b * (LD(W) - n.left) / a);
        }
        break;
    default:
        clampToBitmap(n, W, Hgt);
        break;
    }
}

} // namespace

void ResizeFrame(const BitmapRect& old, BitmapRect& n, RubberBandLayer::Handle handle,
                 const CropChoice& choice, int W, int Hgt) {
    if (handle == H::Centre || handle == H::Inside)
        keepInside(old, n, W, Hgt);
    else if (const imaging::PrintFormat* format = choice.format())
        keepRatio(n, handle, format->longSideMm, format->shortSideMm, W, Hgt);
    else
        clampToBitmap(n, W, Hgt);
    n.left = std::nearbyint(n.left);
    n.top = std::nearbyint(n.top);
    n.right = std::nearbyint(n.right);
    n.bottom = std::nearbyint(n.bottom);
}

Quality QualityOf(bool hasSelection, int width, const CropChoice& choice) {
    if (!hasSelection)
        return Quality::None;
    if (choice.isFree())
        return Quality::Blank;
    return width >= choice.minimumWidth ? Quality::Good : Quality::Medium;
}

QString SelectionText(const BitmapRect& r) {
    // Truncated, not rounded.
    const auto w = static_cast<long long>(r.right - r.left);
    const auto h = static_cast<long long>(r.bottom - r.top);
    return QStringLiteral("Wymiar: ") + QString::number(w) + QLatin1Char('x') + QString::number(h);
}

} // namespace cropmath
