#pragma once

// Splitting whole-bitmap work into bands of rows that run on the global thread pool.
//
// The pixel effects are one pass over independent rows, so a photo is cut into a few bands per core
// and each band is handed to `work(firstRow, endRow)`. The calling thread takes bands as well, so a
// worker thread that calls this is as quick as the UI thread. Small bitmaps run on the calling thread
// alone: below a few hundred thousand pixels the hand-over costs more than it saves. Blocks until every
// band is done; what a band throws is thrown here once every thread has stopped. Callable from any
// thread, pool threads included.
#include <functional>

namespace imaging::detail {

void ForEachRowBand(int height, long long pixelsPerRow, const std::function<void(int, int)>& work);

} // namespace imaging::detail
