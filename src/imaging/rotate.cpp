#include "imaging/rotate.h"

#include "imaging/effectsbands.h"
#include "imaging/effectsbitmap.h"
#include "imaging/rotaterows.h"

#include <algorithm>

namespace imaging {

namespace {

enum class Turn { Left, Right };

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
    const detail::TurnPlanes planes{
        source.constBits(), source.bytesPerLine(), source.width(), source.height(), outBits, outStride};
    // Bands of whole tiles of result rows, so that two threads never share a tile.
    constexpr int kTile = detail::kTurnTile;
    const int tileRows = (result.height() + kTile - 1) / kTile;
    detail::ForEachRowBand(tileRows, static_cast<long long>(result.width()) * kTile,
                           [&](int firstTile, int endTile) {
                               detail::TurnRows(planes, turn == Turn::Left, firstTile * kTile,
                                                std::min(result.height(), endTile * kTile));
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
