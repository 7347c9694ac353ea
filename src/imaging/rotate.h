#pragma once

// Quarter turns of the working bitmap. Nothing is resampled; alpha moves with its pixel. The bitmap
// is replaced by a new height × width Format_ARGB32 image. Callable from any thread for a bitmap that
// thread owns; large bitmaps are spread over the global thread pool.
#include "imaging/finishedrows.h"

#include <QImage>

namespace imaging {

void RotateLeft(QImage& bitmap);  // counter-clockwise: (x, y) goes to (y, width − 1 − x)
void RotateRight(QImage& bitmap); // clockwise: (x, y) goes to (height − 1 − y, x)

// Either turn, handing on every row of the result as soon as it is written.
enum class QuarterTurn { Left, Right };
void Rotate(QImage& bitmap, QuarterTurn turn, const FinishedRows& finished);

} // namespace imaging
