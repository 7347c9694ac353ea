#pragma once

// The per-pixel loops of the colour corrections, in vector instructions picked at run time for the
// processor at hand. Each changes `count` pixels (0xAARRGGBB) of one row in place and gives exactly
// what the one-pixel-at-a-time definitions in colour.cpp give; the tests hold them to that.
//
// Pure functions over plain memory; callable from any thread.
#include <cstdint>

namespace imaging::detail {

// (61 R + 174 G + 21 B) >> 8 in every channel, alpha 255.
void GreyscaleRow(std::uint32_t* row, int count);

// The luma (627049 R + 1231028 G + 239075 B + 2^20) >> 21 looked up in a table of 256 colours.
void SepiaRow(std::uint32_t* row, int count, const std::int32_t* table);

// R, G and B each looked up in a table of 256 values; alpha 255.
void ChannelTableRow(std::uint32_t* row, int count, const std::uint8_t* table);

// To H, S, L, shifted (hue modulo 256, the others clamped), and back; alpha 0.
void HslRow(std::uint32_t* row, int count, int hueShift, int saturationShift, int lightnessShift);

} // namespace imaging::detail
