#include "imaging/filtersrows.h"

#include <bit>
#include <climits>
#include <cstddef>

// Compiled once per instruction set; the processor's best is chosen on the first call.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imaging/filtersrows.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace imaging::detail::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D16 = hn::ScalableTag<std::int16_t>;
using DU16 = hn::RebindToUnsigned<D16>;
using D8 = hn::Rebind<std::uint8_t, D16>;
using V16 = hn::Vec<D16>;

HWY_INLINE V16 product(V16 weight, const std::uint8_t* bytes) {
    return hn::Mul(weight, hn::PromoteTo(D16(), hn::LoadU(D8(), bytes)));
}

// Σ weights × bytes for four neighbouring vectors at once, so that each weight is broadcast once for
// all of them. Written out rather than looped over an array: without -O3 the array would live in
// memory.
HWY_INLINE void sums4(const std::uint8_t* const* rows, const std::int16_t* weights, int taps, std::size_t i,
                      V16& a0, V16& a1, V16& a2, V16& a3) {
    const D16 d16;
    const std::size_t lanes = hn::Lanes(d16);
    a0 = a1 = a2 = a3 = hn::Zero(d16);
    for (int t = 0; t < taps; ++t) {
        const V16 w = hn::Set(d16, weights[t]);
        const std::uint8_t* in = rows[t] + i;
        a0 = hn::Add(a0, product(w, in));
        a1 = hn::Add(a1, product(w, in + lanes));
        a2 = hn::Add(a2, product(w, in + 2 * lanes));
        a3 = hn::Add(a3, product(w, in + 3 * lanes));
    }
}

HWY_INLINE V16 sum(const std::uint8_t* const* rows, const std::int16_t* weights, int taps, std::size_t i) {
    V16 acc = hn::Zero(D16());
    for (int t = 0; t < taps; ++t)
        acc = hn::Add(acc, product(hn::Set(D16(), weights[t]), rows[t] + i));
    return acc;
}

// sum div divisor, clamped to 0..255 (a negative sum gives 0 whichever way it is divided), alpha 255.
HWY_INLINE void store(V16 acc, ShortDivision division, hn::Vec<D8> alpha, std::uint8_t* out) {
    const D16 d16;
    const DU16 du16;
    const D8 d8;
    auto q = hn::BitCast(du16, hn::Max(acc, hn::Zero(d16)));
    if (division.factor != 0)
        q = hn::ShiftRightSame(hn::MulHigh(q, hn::Set(du16, division.factor)), division.shift);
    hn::StoreU(hn::Or(hn::DemoteTo(d8, hn::BitCast(d16, q)), alpha), d8, out);
}

void ConvolveRow16(const std::uint8_t* const* rows, const std::int16_t* weights, int taps,
                   ShortDivision division, int count, std::uint8_t* out) {
    const D16 d16;
    const D8 d8;
    const std::size_t lanes = hn::Lanes(d16);
    const std::size_t end = static_cast<std::size_t>(count);
    // Lanes are a multiple of 4 bytes (whole pixels), so every vector starts at a blue byte.
    HWY_ALIGN std::uint8_t pattern[hn::MaxLanes(D8())];
    for (std::size_t k = 0; k < hn::MaxLanes(D8()); ++k)
        pattern[k] = k % 4 == 3 ? 255 : 0;
    const auto alpha = hn::Load(d8, pattern);
    std::size_t i = 0;
    for (; i + 4 * lanes <= end; i += 4 * lanes) {
        V16 a0, a1, a2, a3;
        sums4(rows, weights, taps, i, a0, a1, a2, a3);
        store(a0, division, alpha, out + i);
        store(a1, division, alpha, out + i + lanes);
        store(a2, division, alpha, out + i + 2 * lanes);
        store(a3, division, alpha, out + i + 3 * lanes);
    }
    for (; i < end; i += lanes) {
        // The last vector is moved back to end at `count`: it recomputes a few bytes the same way
        // rather than reading past the rows.
        const std::size_t at = i + lanes <= end ? i : end - lanes;
        store(sum(rows, weights, taps, at), division, alpha, out + at);
    }
}

int ConvolveRowMinimum() {
#if HWY_TARGET == HWY_SCALAR // a single lane does not hold a whole pixel, so alpha cannot be set by lane
    return INT_MAX;
#else
    return static_cast<int>(hn::Lanes(D16()));
#endif
}

} // namespace imaging::detail::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace imaging::detail {

HWY_EXPORT(ConvolveRow16);
HWY_EXPORT(ConvolveRowMinimum);

ShortDivision ShortDivisionBy(int divisor) {
    if (divisor <= 1)
        return {};
    // With shift = ⌈log2 d⌉ − 1 the factor lies in 2^15 .. 2^16 − 1, and its excess over 2^(16 + shift) / d
    // (at most d ≤ 2^(shift + 1)) times any x < 2^15 stays under 2^(16 + shift): the quotient is exact.
    const int shift = static_cast<int>(std::bit_width(static_cast<unsigned>(divisor - 1))) - 1;
    const auto factor = static_cast<std::uint16_t>((std::uint32_t{1} << (16 + shift)) / divisor + 1);
    return {factor, shift};
}

int Divide(int x, ShortDivision division) {
    if (division.factor == 0)
        return x;
    return static_cast<int>((static_cast<std::uint32_t>(x) * division.factor) >> 16) >> division.shift;
}

void ConvolveRow16(const std::uint8_t* const* rows, const std::int16_t* weights, int taps,
                   ShortDivision division, int count, std::uint8_t* out) {
    HWY_DYNAMIC_DISPATCH(ConvolveRow16)(rows, weights, taps, division, count, out);
}

int ConvolveRowMinimum() {
    return HWY_DYNAMIC_DISPATCH(ConvolveRowMinimum)();
}

} // namespace imaging::detail
#endif
