#include "imaging/rotate.h"

#include "imaging/effectsbands.h"

#include <algorithm>

namespace imaging {

namespace {

// Square tiles keep both the rows read and the rows written in the cache; a plain transpose walks
// one of them a whole photo row apart per pixel.
constexpr int kTile = 64;

enum class Turn { Left, Right };

void rotate(QImage& bitmap, Turn turn) {
    if (bitmap.isNull())
        return;
    const QImage source =
        bitmap.format() == QImage::Format_ARGB32 ? bitmap : bitmap.convertToFormat(QImage::Format_ARGB32);
    const int w = source.width();
    const int h = source.height();
    QImage result(h, w, QImage::Format_ARGB32);
    if (result.isNull())
        return;
    const uchar* const inBits = source.constBits();
    const qsizetype inStride = source.bytesPerLine();
    uchar* const outBits = result.bits();
    const qsizetype outStride = result.bytesPerLine();
    // Bands over the result's rows, i.e. over source columns.
    const int tileRows = (w + kTile - 1) / kTile;
    detail::ForEachRowBand(tileRows, static_cast<long long>(h) * kTile, [&](int firstTile, int endTile) {
        for (int x0 = firstTile * kTile; x0 < std::min(w, endTile * kTile); x0 += kTile) {
            const int x1 = std::min(w, x0 + kTile);
            for (int y0 = 0; y0 < h; y0 += kTile) {
                const int y1 = std::min(h, y0 + kTile);
                for (int y = y0; y < y1; ++y) {
                    const auto* in = reinterpret_cast<const QRgb*>(inBits + y * inStride);
                    for (int x = x0; x < x1; ++x) {
                        const int outRow = turn == Turn::Left ? w - 1 - x : x;
                        const int outColumn = turn == Turn::Left ? y : h - 1 - y;
                        reinterpret_cast<QRgb*>(outBits + outRow * outStride)[outColumn] = in[x];
                    }
                }
            }
        }
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
