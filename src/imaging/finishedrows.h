#pragma once

// Rows of an effect's result handed on as soon as the effect has finished them, while they are still in
// the processor's cache: the viewer's small copy of a new 24-megapixel photo is taken from them instead
// of from a second walk over the 100 MB result.
//
// An effect that takes a `FinishedRows` hands it every pixel of its result once, whole rows or (a quarter
// turn) parts of rows, from the thread that wrote them (several pool threads at once, for different
// pixels). `NearestCopyFromRows` gathers them into a nearest-neighbour copy with the pixels
// `ScaleNearestInto` gives.
#include <QImage>
#include <QSize>

#include <atomic>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace imaging {

// Where finished pixels of a result of `size` lie: pixel x of row y is the 32-bit ARGB value at
// origin + (y − first) × rowStep + x × pixelStep. Plain rows have pixelStep 4; a quarter turn points
// into the columns of its source. Unless told otherwise, whole rows are finished; a quarter turn hands
// on a few of its tiles at a time, columns [firstColumn, endColumn) of the rows.
struct RowsView {
    QSize size;          // the whole result's
    const uchar* origin; // pixel 0 of the first row
    qsizetype rowStep;
    qsizetype pixelStep;
    int firstColumn = 0;
    int endColumn = -1; // -1: the row's end
};

// Pixels in rows [first, end) of the result are final and lie at `rows`.
using FinishedRows = std::function<void(int first, int end, const RowsView& rows)>;

// The source pixel under the centre of target pixel `i` when `in` pixels are shown as `out`.
inline int NearestSourceIndex(long long i, long long in, long long out) {
    return static_cast<int>((2 * i + 1) * in / (2 * out));
}

// An opaque (Format_RGB32) nearest-neighbour copy of a result, built from what an effect hands on.
// `take` may run on several threads at once for different pixels; `result` is read after the effect has
// returned.
class NearestCopyFromRows {
public:
    // The copy's size for a result of `size`; an empty size when no copy is wanted. Called once, on
    // the thread of the first rows, so it must only read what it holds.
    using TargetFor = std::function<QSize(QSize size)>;
    explicit NearestCopyFromRows(TargetFor targetFor)
        : targetFor_(std::move(targetFor)) {}

    void take(int first, int end, const RowsView& rows);
    // Calls `take` on this object, which must outlive the effect; empty (the effect hands on nothing)
    // when there is no size rule.
    FinishedRows sink() {
        if (!targetFor_)
            return {};
        return [this](int first, int end, const RowsView& rows) { take(first, end, rows); };
    }
    // The copy once every one of its pixels has arrived; null otherwise (the effect handed on only some,
    // or a result of another size).
    QImage result() const;

private:
    void prepare(QSize source);

    TargetFor targetFor_;
    std::once_flag prepared_;
    QSize source_;
    std::vector<int> rowOf_;          // the source row of each target row, never decreasing
    std::vector<qsizetype> columnOf_; // the source column of each target column
    QImage copy_;
    uchar* bits_ = nullptr;
    std::atomic<qint64> pixelsDone_{0};
};

} // namespace imaging
