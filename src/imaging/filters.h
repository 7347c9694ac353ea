#pragma once

// The named 7 × 7 convolution filters of the editor ("BLURMORE" for blur, "SHARPEN" for sharpen, and
// ten more kept for the batch tools).
//
// Callable from any thread for a bitmap that thread owns; large bitmaps are spread over the global
// thread pool.
#include "imaging/finishedrows.h"

#include <QImage>
#include <QString>

#include <array>
#include <optional>

namespace imaging {

struct NamedKernel {
    std::array<int, 49> weights{}; // row by row; entry (r, c) weighs the pixel at (x + c − 3, y + r − 3)
    int divisor = 1;
};

// The kernel of an exact, upper-case name, or nothing for an unknown name.
std::optional<NamedKernel> NamedFilterKernel(const QString& name);

// Every name the table knows, in table order.
std::array<const char*, 12> NamedFilterNames();

// Convolves every pixel at least three pixels from the border with the named kernel, each channel on
// its own, in 32-bit integers: sum div divisor (towards zero), clamped to 0..255, alpha 255. The
// border and bitmaps under 7 × 7 stay as they are; an unknown name changes nothing. `finished`, when
// given, is handed every row of a new result as soon as it is written (nothing when nothing changes).
void ApplyNamedFilter(QImage& bitmap, const QString& name, const FinishedRows& finished = {});

// The same with a kernel of one's own.
void ApplyKernel(QImage& bitmap, const NamedKernel& kernel, const FinishedRows& finished = {});

} // namespace imaging
