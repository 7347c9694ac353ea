#include "imaging/rotate.h"

#include "imaging/effectsbands.h"
#include "imaging/effectsbitmap.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imaging {

namespace {

// Square tiles keep the source lines being read in the cache and, as much, the pages of both bitmaps in
// the address cache: a plain transpose touches a new page of one of them for every pixel it moves.
constexpr int kTile = 64;

enum class Turn { Left, Right };

// Writes result rows [firstRow, endRow) tile by tile: each result row is one source column, read
// downwards (left turn) or upwards (right turn) while the result row is written straight along.
// Result (column c, row r) comes from source (w − 1 − r, c) on a left turn and from (r, h − 1 − c) on
// a right turn.
template <Turn turn>
struct Mapping {
    const uchar* inBits;
    qsizetype inStride;
    int w;
    int h;

    const uchar* source(int r, int c) const {
        const int x = turn == Turn::Left ? w - 1 - r : r;
        const int y = turn == Turn::Left ? c : h - 1 - c;
        return inBits + y * inStride + x * 4;
    }
};

template <Turn turn>
void moveOne(const Mapping<turn>& map, uchar* outBits, qsizetype outStride, int r, int c) {
    reinterpret_cast<QRgb*>(outBits + r * outStride)[c] = *reinterpret_cast<const QRgb*>(map.source(r, c));
}

#if defined(__SSE2__)
// A 4 × 4 block: four source rows loaded as four vectors, transposed in registers, stored as four
// result rows.
template <Turn turn>
void moveBlock(const Mapping<turn>& map, uchar* outBits, qsizetype outStride, int r, int c) {
    // The four source pixels of one load belong to result rows r .. r + 3, backwards on a left turn.
    const uchar* first = turn == Turn::Left ? map.source(r + 3, c) : map.source(r, c);
    const qsizetype step = turn == Turn::Left ? map.inStride : -map.inStride;
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + step));
    const __m128i cc = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 2 * step));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 3 * step));
    const __m128i ab01 = _mm_unpacklo_epi32(a, b);
    const __m128i cd01 = _mm_unpacklo_epi32(cc, d);
    const __m128i ab23 = _mm_unpackhi_epi32(a, b);
    const __m128i cd23 = _mm_unpackhi_epi32(cc, d);
    const __m128i columns[4] = {_mm_unpacklo_epi64(ab01, cd01), _mm_unpackhi_epi64(ab01, cd01),
                                _mm_unpacklo_epi64(ab23, cd23), _mm_unpackhi_epi64(ab23, cd23)};
    for (int j = 0; j < 4; ++j) {
        const int row = turn == Turn::Left ? r + 3 - j : r + j;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(outBits + row * outStride + c * 4), columns[j]);
    }
}
#endif

// Writes result rows [firstRow, endRow) in square tiles.
template <Turn turn>
void rotateRows(const QImage& source, uchar* outBits, qsizetype outStride, int firstRow, int endRow) {
    const Mapping<turn> map{source.constBits(), source.bytesPerLine(), source.width(), source.height()};
    const int columns = source.height();
    for (int r0 = firstRow; r0 < endRow; r0 += kTile) {
        const int r1 = std::min(endRow, r0 + kTile);
        for (int c0 = 0; c0 < columns; c0 += kTile) {
            const int c1 = std::min(columns, c0 + kTile);
            int r = r0;
#if defined(__SSE2__)
            for (; r + 4 <= r1; r += 4) {
                int c = c0;
                for (; c + 4 <= c1; c += 4)
                    moveBlock(map, outBits, outStride, r, c);
                for (; c < c1; ++c)
                    for (int k = 0; k < 4; ++k)
                        moveOne(map, outBits, outStride, r + k, c);
            }
#endif
            for (; r < r1; ++r)
                for (int c = c0; c < c1; ++c)
                    moveOne(map, outBits, outStride, r, c);
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
