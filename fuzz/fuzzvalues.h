#pragma once

// Header fields for the structure-aware fuzz targets: most draws come from a table of sizes that sit on
// the edges of the decoders' arithmetic (zero, one, powers of two, the limits, values that overflow an
// int when multiplied by a pixel's bits), the rest straight from the fuzzer's bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>

namespace fuzzvalues {

inline constexpr std::array<std::uint32_t, 28> kEdges = {
    0,         1,         2,         3,         7,         8,          15,          16,         17,    64,
    255,       256,       4095,      4096,      65535,     65536,      100000,      1000000,    20000, 40000,
    100000000, 300000000, 390000000, 400000001, 0x7FFFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};

// A 32-bit header value: an edge, a small number or anything.
inline std::uint32_t Size32(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
    case 1:
        return kEdges[in.ConsumeIntegralInRange<std::size_t>(0, kEdges.size() - 1)];
    case 2:
        return in.ConsumeIntegralInRange<std::uint32_t>(1, 300);
    default:
        return in.ConsumeIntegral<std::uint32_t>();
    }
}

// A 16-bit header value (JPEG sides, TIFF short fields).
inline std::uint16_t Size16(FuzzedDataProvider& in) {
    static constexpr std::array<std::uint16_t, 12> edges = {0,  1,   2,   8,     15,    16,
                                                            17, 255, 256, 20000, 32768, 65535};
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return edges[in.ConsumeIntegralInRange<std::size_t>(0, edges.size() - 1)];
    case 1:
        return in.ConsumeIntegralInRange<std::uint16_t>(1, 300);
    default:
        return in.ConsumeIntegral<std::uint16_t>();
    }
}

// One of `choices`, or now and then any value.
template <std::size_t N>
std::uint16_t OneOf(FuzzedDataProvider& in, const std::array<std::uint16_t, N>& choices) {
    const std::size_t pick = in.ConsumeIntegralInRange<std::size_t>(0, N);
    return pick < N ? choices[pick] : in.ConsumeIntegral<std::uint16_t>();
}

} // namespace fuzzvalues
