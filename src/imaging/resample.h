#pragma once

// High-quality and fast scaling of the working bitmap, for the viewer's fitted display and the
// thumbnail cells.
//
// The scalers take a bitmap in any format (it is read as Format_ARGB32) and return a new
// Format_ARGB32 bitmap of exactly `size`. A null source or an empty size gives a null image. Pure
// functions: callable from any thread; `ScaleLanczos` spreads its rows over the global thread pool.
#include <QImage>
#include <QSize>

namespace imaging {

// Separable Lanczos-3 (three lobes, widened by the ratio when shrinking), edge pixels repeated beyond
// the border, 14-bit fixed-point weights. Columns are filtered first, then rows; each pass rounds and
// clamps to 0..255. Every channel, alpha included, is filtered on its own.
QImage ScaleLanczos(const QImage& src, QSize size);

// Each target pixel takes the source pixel under its centre.
QImage ScaleNearest(const QImage& src, QSize size);

// The same into `target` (Format_ARGB32 or Format_RGB32, not null, of the size wanted), reusing its
// pixels; with `opaque` alpha is set to 255 on the way. A null source leaves `target` as it is.
void ScaleNearestInto(const QImage& src, QImage& target, bool opaque);

} // namespace imaging
