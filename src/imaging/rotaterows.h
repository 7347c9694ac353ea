#pragma once

// The tiled pixel moves of the quarter turns, in vector instructions picked at run time for the
// processor at hand. Pure functions over plain memory; callable from any thread.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace imaging::detail {

struct TurnPlanes {
    const std::uint8_t* in; // source pixels, w × h
    std::ptrdiff_t inStride;
    int w;
    int h;
    std::uint8_t* out; // result pixels, h × w
    std::ptrdiff_t outStride;
};

// Square tiles of this many pixels: bands of result rows should be whole tiles, so that two threads
// never write into the same cache line.
constexpr int kTurnTile = 64;

// Result columns between two blocks handed to the `done` below: a few tiles, whose source pixels are
// still in the cache.
constexpr int kTurnColumnsHandedOn = 8 * kTurnTile;

// Writes result rows [firstRow, endRow) of a counter-clockwise (left) or clockwise turn. When `done` is
// given, it is told of each block written: rows [r0, r1), columns [c0, c1), about kTurnColumnsHandedOn
// columns at a time.
using TurnBlockDone = std::function<void(int r0, int r1, int c0, int c1)>;
void TurnRows(const TurnPlanes& planes, bool left, int firstRow, int endRow,
              const TurnBlockDone* done = nullptr);

} // namespace imaging::detail
