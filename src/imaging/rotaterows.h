#pragma once

// The tiled pixel moves of the quarter turns, in vector instructions picked at run time for the
// processor at hand. Pure functions over plain memory; callable from any thread.
#include <cstddef>
#include <cstdint>

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

// Writes result rows [firstRow, endRow) of a counter-clockwise (left) or clockwise turn.
void TurnRows(const TurnPlanes& planes, bool left, int firstRow, int endRow);

} // namespace imaging::detail
