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
    const int endColumn = rows.endColumn < 0 ? source_.width() : rows.endColumn;
    // Pixels of another size (the effect gave up and handed on its input) never complete the copy.
    if (bits_ == nullptr || rows.size != source_ || first < 0 || end > source_.height() ||
        rows.firstColumn < 0 || endColumn > source_.width())
        return;
    const auto from = std::lower_bound(rowOf_.begin(), rowOf_.end(), first);
    const auto to = std::lower_bound(from, rowOf_.end(), end);
    const auto left = std::lower_bound(columnOf_.begin(), columnOf_.end(), qsizetype(rows.firstColumn));
    const auto right = std::lower_bound(left, columnOf_.end(), qsizetype(endColumn));
    const auto x0 = left - columnOf_.begin();
    const auto x1 = right - columnOf_.begin();
    const qsizetype stride = copy_.bytesPerLine();
    const auto target = [&](auto it) {
        return reinterpret_cast<QRgb*>(bits_ + (it - rowOf_.begin()) * stride);
    };
    if (rows.pixelStep == 4) {
        for (auto it = from; it != to; ++it) {
            const auto* in = reinterpret_cast<const QRgb*>(rows.origin + (*it - first) * rows.rowStep);
            QRgb* out = target(it);
            for (auto x = x0; x < x1; ++x)
                out[x] = in[columnOf_[static_cast<std::size_t>(x)]] | 0xFF000000u;
        }
    } else {
        // Rows that are columns of a source: the pixels of one source line, for all the rows wanted,
        // are read together, so that each line's page is looked up once.
        for (auto x = x0; x < x1; ++x) {
            const uchar* line = rows.origin + columnOf_[static_cast<std::size_t>(x)] * rows.pixelStep;
            for (auto it = from; it != to; ++it)
                target(it)[x] =
                    *reinterpret_cast<const QRgb*>(line + (*it - first) * rows.rowStep) | 0xFF000000u;
        }
    }
    pixelsDone_.fetch_add(qint64(to - from) * qint64(x1 - x0), std::memory_order_relaxed);
}

QImage NearestCopyFromRows::result() const {
    const qint64 all = qint64(copy_.width()) * copy_.height();
    return bits_ != nullptr && pixelsDone_.load(std::memory_order_relaxed) == all ? copy_ : QImage();
}

} // namespace imaging
