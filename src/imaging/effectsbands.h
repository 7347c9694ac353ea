#pragma once

// Splitting whole-bitmap work into bands of rows that run on the global thread pool.
//
// The pixel effects are one pass over independent rows, so a photo is cut into a few bands per core
// and each band is handed to `work(firstRow, endRow)`. Small bitmaps run on the calling thread: below
// a few hundred thousand pixels the hand-over costs more than it saves. Blocks until every band is
// done; callable from any thread.
#include <functional>

namespace imaging::detail {

void ForEachRowBand(int height, long long pixelsPerRow, const std::function<void(int, int)>& work);

} // namespace imaging::detail
