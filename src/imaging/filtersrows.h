#pragma once

// The inner loop of the convolution filters, in vector instructions picked at run time for the
// processor at hand (one binary serves every x86-64 machine).
//
// Pure functions over plain byte rows; callable from any thread.
#include <cstdint>

namespace imaging::detail {

// Division of a 15-bit non-negative number by a fixed positive divisor as a 16-bit multiply-high and a
// shift: x div d = ((x × factor) >> 16) >> shift for every 0 ≤ x < 2^15. A divisor of 1 has no factor
// that fits 16 bits and is marked by factor 0 (no division at all).
struct ShortDivision {
    std::uint16_t factor = 0;
    int shift = 0;
};
ShortDivision ShortDivisionBy(int divisor); // 1 ≤ divisor < 2^15
int Divide(int x, ShortDivision division);  // the same arithmetic, one value at a time

// One output row of a convolution whose partial sums all fit 16 bits:
// out[i] = clamp(Σ weights[t] × rows[t][i] div divisor) for 0 ≤ i < count, and 255 at every fourth
// byte (alpha). `count` is a multiple of 4 and at least ConvolveRowMinimum(); rows[t] .. rows[t] + count
// must be readable.
void ConvolveRow16(const std::uint8_t* const* rows, const std::int16_t* weights, int taps,
                   ShortDivision division, int count, std::uint8_t* out);
int ConvolveRowMinimum();

} // namespace imaging::detail
