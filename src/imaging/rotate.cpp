#include "imaging/rotate.h"

#include "imaging/effectsbands.h"
#include "imaging/effectsbitmap.h"

#include <algorithm>

namespace imaging {

namespace {

// Square tiles keep the source lines being read in the cache and, as much, the pages of both bitmaps in
// the address cache: a plain transpose touches a new page of one of them for every pixel it moves.
constexpr int kTile = 64;

enum class Turn { Left, Right };

// Writes result rows [firstRow, endRow) tile by tile: each result row is one source column, read
// downwards (left turn) or upwards (right turn) while the result row is written straight along.
template <Turn turn>
void rotateRows(const QImage& source, uchar* outBits, qsizetype outStride, int firstRow, int endRow) {
    const int w = source.width();
    const int h = source.height();
    const uchar* const inBits = source.constBits();
    const qsizetype inStride = source.bytesPerLine();
    for (int r0 = firstRow; r0 < endRow; r0 += kTile) {
        const int r1 = std::min(endRow, r0 + kTile);
        for (int c0 = 0; c0 < h; c0 += kTile) {
            const int c1 = std::min(h, c0 + kTile);
            for (int r = r0; r < r1; ++r) {
                auto* out = reinterpret_cast<QRgb*>(outBits + r * outStride);
                // Result (column c, row r) comes from source (w − 1 − r, c) on a left turn and from
                // (r, h − 1 − c) on a right turn.
                const int x = turn == Turn::Left ? w - 1 - r : r;
                const int firstY = turn == Turn::Left ? c0 : h - 1 - c0;
                const qsizetype step = turn == Turn::Left ? inStride : -inStride;
                const uchar* in = inBits + firstY * inStride + x * 4;
                for (int c = c0; c < c1; ++c, in += step)
                    out[c] = *reinterpret_cast<const QRgb*>(in);
            }
        }
    }
}

void rotate(QImage& bitmap, Turn turn) {
    if (bitmap.isNull())
        return;
    const QImage source =
        bitmap.format() == QImage::Format_ARGB32 ? bitmap : bitmap.convertToFormat(QImage::Format_ARGB32);
    QImage result = detail::NewBitmap(source.height(), source.width());
    if (result.isNull())
        return;
    uchar* const outBits = result.bits();
    const qsizetype outStride = result.bytesPerLine();
    // Bands of whole tiles of result rows, so that two threads never share a tile.
    const int tileRows = (result.height() + kTile - 1) / kTile;
    detail::ForEachRowBand(tileRows, static_cast<long long>(result.width()) * kTile,
                           [&](int firstTile, int endTile) {
                               const int first = firstTile * kTile;
                               const int end = std::min(result.height(), endTile * kTile);
                               if (turn == Turn::Left)
                                   rotateRows<Turn::Left>(source, outBits, outStride, first, end);
                               else
                                   rotateRows<Turn::Right>(source, outBits, outStride, first, end);
                           });
    bitmap = result;
}

} // namespace

void RotateLeft(QImage& bitmap) {
    rotate(bitmap, Turn::Left);
}

void RotateRight(QImage& bitmap) {
    rotate(bitmap, Turn::Right);
}

} // namespace imaging
