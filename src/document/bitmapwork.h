#pragma once

// Whole-bitmap work behind the photo document: copying and changing a photo band by band while the rows
// are in the cache, packing a wholly opaque bitmap to its colour bytes, patches and crop margins for
// undo, and the viewer's small copy. Pure functions, callable from any thread on bitmaps it owns.
#include "imaging/finishedrows.h"

#include <QByteArray>
#include <QImage>
#include <QRect>

#include <array>
#include <functional>

namespace document {

// A copy of `b` that shares nothing, on memory that is quick to touch for the first time: what an
// in-place change works on while the view still shows the original.
QImage UnsharedCopy(const QImage& b);
// `rowwise` run over a copy of `source`: the bands of rows are copied and changed while still in the
// cache, spread over the global pool. The same pixels as changing an unshared copy as a whole. Each
// changed band is handed to `finished` before it is written out.
QImage MapRows(const QImage& source, const std::function<void(QImage&)>& rowwise,
               const imaging::FinishedRows& finished = {});

// Writes `patch` into `bitmap` at `at` (row by row; the bitmap is detached once if it is shared).
void PutPatch(QImage& bitmap, const QImage& patch, QPoint at);
// A wholly opaque bitmap as its colour bytes (B, G, R); empty when some alpha is not 255.
QByteArray PackOpaque(const QImage& b);
// The bitmap PackOpaque packed.
QImage UnpackOpaque(const QByteArray& packed, QSize size);
// A new bitmap of `size` to write a whole earlier state into: from the large-buffer store, or else plain.
QImage NewBitmap(QSize size);
// The margins a crop to `kept` cuts from a bitmap of `size`: above, below, left and right of it.
std::array<QRect, 4> MarginsOf(QSize size, QRect kept);

// The viewer's copy of a bitmap (nearest neighbour, the pixels the viewer would make itself); null when
// `viewCopySize` asks for none.
QImage ViewCopyOf(const QImage& b, const imaging::NearestCopyFromRows::TargetFor& viewCopySize);

} // namespace document
