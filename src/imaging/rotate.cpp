#include "imaging/rotate.h"

#include "imaging/effectsbands.h"
#include "imaging/effectsbitmap.h"
#include "imaging/rotaterows.h"

#include <algorithm>
#include <utility>

namespace imaging {

void Rotate(QImage& bitmap, QuarterTurn turn, const FinishedRows& finished) {
    if (bitmap.isNull())
        return;
    const QImage source =
        bitmap.format() == QImage::Format_ARGB32 ? bitmap : bitmap.convertToFormat(QImage::Format_ARGB32);
    QImage result = detail::NewBitmap(source.height(), source.width());
    if (result.isNull())
        return;
    uchar* const outBits = result.bits();
    const qsizetype outStride = result.bytesPerLine();
    const detail::TurnPlanes planes{
        source.constBits(), source.bytesPerLine(), source.width(), source.height(), outBits, outStride};
    // Bands of whole tiles of result rows, so that two threads never share a tile.
    constexpr int kTile = detail::kTurnTile;
    const int tileRows = (result.height() + kTile - 1) / kTile;
    const bool left = turn == QuarterTurn::Left;
    // The result's streamed rows are not in the cache, but the source pixels they came from are, a few
    // tiles at a time: those are handed on, result pixel (c, r) being source pixel (w − 1 − r, c) on a
    // left turn and (r, h − 1 − c) on a right turn.
    const uchar* const in = source.constBits();
    const qsizetype inStride = source.bytesPerLine();
    const detail::TurnBlockDone handOn = [&](int r0, int r1, int c0, int c1) {
        const uchar* origin =
            left ? in + (source.width() - 1 - r0) * 4 : in + (source.height() - 1) * inStride + r0 * 4;
        finished(r0, r1, {result.size(), origin, left ? -4 : 4, left ? inStride : -inStride, c0, c1});
    };
    detail::ForEachRowBand(
        tileRows, static_cast<long long>(result.width()) * kTile, [&](int firstTile, int endTile) {
            detail::TurnRows(planes, left, firstTile * kTile, std::min(result.height(), endTile * kTile),
                             finished ? &handOn : nullptr);
        });
    detail::ReplaceBitmap(bitmap, std::move(result));
}

void RotateLeft(QImage& bitmap) {
    Rotate(bitmap, QuarterTurn::Left, {});
}

void RotateRight(QImage& bitmap) {
    Rotate(bitmap, QuarterTurn::Right, {});
}

} // namespace imaging
