#include "imaging/finishedrows.h"

#include <algorithm>

namespace imaging {

void NearestCopyFromRows::prepare(QSize source) {
    const QSize target = targetFor_ ? targetFor_(source) : QSize();
    if (source.isEmpty() || target.isEmpty())
        return;
    copy_ = QImage(target, QImage::Format_RGB32);
    if (copy_.isNull())
        return;
    source_ = source;
    bits_ = copy_.bits();
    rowOf_.resize(static_cast<std::size_t>(target.height()));
    for (int y = 0; y < target.height(); ++y)
        rowOf_[static_cast<std::size_t>(y)] = NearestSourceIndex(y, source.height(), target.height());
    columnOf_.resize(static_cast<std::size_t>(target.width()));
    for (int x = 0; x < target.width(); ++x)
        columnOf_[static_cast<std::size_t>(x)] = NearestSourceIndex(x, source.width(), target.width());
}

void NearestCopyFromRows::take(int first, int end, const RowsView& rows) {
    std::call_once(prepared_, [&] { prepare(rows.size); });
    // Rows of another size (the effect gave up and handed on its input) never complete the copy.
    if (bits_ == nullptr || rows.size != source_ || first < 0 || end > source_.height())
        return;
    const auto from = std::lower_bound(rowOf_.begin(), rowOf_.end(), first);
    const auto to = std::lower_bound(from, rowOf_.end(), end);
    const qsizetype stride = copy_.bytesPerLine();
    const int width = copy_.width();
    const auto target = [&](auto it) {
        return reinterpret_cast<QRgb*>(bits_ + (it - rowOf_.begin()) * stride);
    };
    if (rows.pixelStep == 4) {
        for (auto it = from; it != to; ++it) {
            const auto* in = reinterpret_cast<const QRgb*>(rows.origin + (*it - first) * rows.rowStep);
            QRgb* out = target(it);
            for (int x = 0; x < width; ++x)
                out[x] = in[columnOf_[static_cast<std::size_t>(x)]] | 0xFF000000u;
        }
    } else {
        // Rows that are columns of a source: the pixels of one source line, for all the rows wanted,
        // are read together, so that each line's page is looked up once.
        for (int x = 0; x < width; ++x) {
            const uchar* line = rows.origin + columnOf_[static_cast<std::size_t>(x)] * rows.pixelStep;
            for (auto it = from; it != to; ++it)
                target(it)[x] =
                    *reinterpret_cast<const QRgb*>(line + (*it - first) * rows.rowStep) | 0xFF000000u;
        }
    }
    rowsDone_.fetch_add(static_cast<int>(to - from), std::memory_order_relaxed);
}

QImage NearestCopyFromRows::result() const {
    return bits_ != nullptr && rowsDone_.load(std::memory_order_relaxed) == copy_.height() ? copy_ : QImage();
}

} // namespace imaging
