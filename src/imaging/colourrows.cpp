#include "imaging/colourrows.h"

#include <algorithm>
#include <cstddef>

// Compiled once per instruction set; the processor's best is chosen on the first call.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imaging/colourrows.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace imaging::detail::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DU = hn::ScalableTag<std::uint32_t>;
using DI = hn::RebindToSigned<DU>;
using DF = hn::RebindToFloat<DU>;
using VU = hn::Vec<DU>;
using VI = hn::Vec<DI>;

// Runs `body` over whole vectors of pixels; the last few go through a padded copy.
template <class Body>
HWY_INLINE void forEachVector(std::uint32_t* row, int count, const Body& body) {
    const DU d;
    const std::size_t lanes = hn::Lanes(d);
    const auto end = static_cast<std::size_t>(count);
    std::size_t i = 0;
    for (; i + lanes <= end; i += lanes)
        hn::StoreU(body(hn::LoadU(d, row + i)), d, row + i);
    if (i < end) {
        HWY_ALIGN std::uint32_t rest[hn::MaxLanes(DU())] = {};
        std::copy(row + i, row + end, rest);
        hn::Store(body(hn::Load(d, rest)), d, rest);
        std::copy(rest, rest + (end - i), row + i);
    }
}

struct Channels {
    VI r, g, b;
};

HWY_INLINE Channels channels(VU p) {
    const DI di;
    const VU byte = hn::Set(DU(), 255);
    return {hn::BitCast(di, hn::And(hn::ShiftRight<16>(p), byte)),
            hn::BitCast(di, hn::And(hn::ShiftRight<8>(p), byte)), hn::BitCast(di, hn::And(p, byte))};
}

// Each channel masked to a byte, like qRgba.
HWY_INLINE VU pack(VI r, VI g, VI b, std::uint32_t alpha) {
    const DU du;
    const VU byte = hn::Set(du, 255);
    const VU rgb = hn::Or(hn::Or(hn::ShiftLeft<16>(hn::And(hn::BitCast(du, r), byte)),
                                 hn::ShiftLeft<8>(hn::And(hn::BitCast(du, g), byte))),
                          hn::And(hn::BitCast(du, b), byte));
    return hn::Or(rgb, hn::Set(du, alpha));
}

void GreyscaleRow(std::uint32_t* row, int count) {
    const DI di;
    forEachVector(row, count, [&](VU p) {
        const Channels c = channels(p);
        const VI grey =
            hn::ShiftRight<8>(hn::Add(hn::Add(hn::Mul(c.r, hn::Set(di, 61)), hn::Mul(c.g, hn::Set(di, 174))),
                                      hn::Mul(c.b, hn::Set(di, 21))));
        return pack(grey, grey, grey, 0xff000000u);
    });
}

void SepiaRow(std::uint32_t* row, int count, const std::int32_t* table) {
    const DI di;
    forEachVector(row, count, [&](VU p) {
        const Channels c = channels(p);
        // At most 255 × 2^21 + 2^20: the sum fits 31 bits.
        const VI sum = hn::Add(hn::Add(hn::Mul(c.r, hn::Set(di, 627049)), hn::Mul(c.g, hn::Set(di, 1231028))),
                               hn::Add(hn::Mul(c.b, hn::Set(di, 239075)), hn::Set(di, 1048576)));
        return hn::BitCast(DU(), hn::GatherIndex(di, table, hn::ShiftRight<21>(sum)));
    });
}

// Sixteen 16-byte shuffles, one per high nibble, each picking by the low nibble: cheaper than gathering
// three table entries per pixel.
void ChannelTableRow(std::uint32_t* row, int count, const std::uint8_t* table) {
#if HWY_TARGET == HWY_SCALAR // one pixel per vector: no bytes to shuffle
    for (int i = 0; i < count; ++i) {
        const std::uint32_t p = row[i];
        row[i] = 0xff000000u | std::uint32_t{table[(p >> 16) & 255]} << 16 |
                 std::uint32_t{table[(p >> 8) & 255]} << 8 | table[p & 255];
    }
#else
    const hn::Repartition<std::uint8_t, DU> d8;
    hn::Vec<decltype(d8)> parts[16];
    for (int k = 0; k < 16; ++k)
        parts[k] = hn::LoadDup128(d8, table + 16 * k);
    const auto lowNibble = hn::Set(d8, 15);
    forEachVector(row, count, [&](VU p) {
        const auto bytes = hn::BitCast(d8, p);
        const auto low = hn::And(bytes, lowNibble);
        const auto high = hn::ShiftRight<4>(bytes);
        auto out = hn::TableLookupBytes(parts[0], low);
        for (int k = 1; k < 16; ++k)
            out = hn::IfThenElse(hn::Eq(high, hn::Set(d8, static_cast<std::uint8_t>(k))),
                                 hn::TableLookupBytes(parts[k], low), out);
        return hn::Or(hn::BitCast(DU(), out), hn::Set(DU(), 0xff000000u));
    });
#endif
}

// n div d towards zero, through single precision. Exact while |n| < 2^23 and 0 < d < 2^23: a quotient
// k − ε just below a whole k has ε ≥ 1 / d, more than half a unit in the last place of k (k × 2^−24)
// unless k × d ≥ 2^24, and k × d ≤ |n| + d stays far below that here (|n| ≤ 65025, d ≤ 1530).
HWY_INLINE VI divide(VI n, VI d) {
    const DF df;
    return hn::ConvertTo(DI(), hn::Div(hn::ConvertTo(df, n), hn::ConvertTo(df, d)));
}

// x div 255 for 0 ≤ x < 65535.
HWY_INLINE VI divide255(VI x) {
    return hn::ShiftRight<8>(hn::Add(hn::Add(x, hn::Set(DI(), 1)), hn::ShiftRight<8>(x)));
}

HWY_INLINE VI clampByte(VI v) {
    return hn::Min(hn::Max(v, hn::Zero(DI())), hn::Set(DI(), 255));
}

void HslRow(std::uint32_t* row, int count, int hueShift, int saturationShift, int lightnessShift) {
    const DI di;
    const VI zero = hn::Zero(di);
    const VI one = hn::Set(di, 1);
    const VI c128 = hn::Set(di, 128);
    const VI c255 = hn::Set(di, 255);
    forEachVector(row, count, [&](VU p) {
        const Channels c = channels(p);
        // To H, S, L.
        const VI max = hn::Max(c.r, hn::Max(c.g, c.b));
        const VI min = hn::Min(c.r, hn::Min(c.g, c.b));
        const VI sum = hn::Add(max, min);
        const VI l = hn::ShiftRight<1>(sum);
        const VI d = hn::Sub(max, min);
        const auto grey = hn::Eq(d, zero);
        const auto dark = hn::Lt(l, c128);
        // A grey pixel divides by 1 instead of 0 and is set to H = S = 0 afterwards.
        const VI satDivisor =
            hn::IfThenElse(grey, one, hn::IfThenElse(dark, sum, hn::Sub(hn::Set(di, 510), sum)));
        VI s = hn::IfThenZeroElse(grey, divide(hn::Mul(d, c255), satDivisor));
        // (x × 65025) div (1530 × d) is (x × 255) div (6 × d): the same fraction.
        const auto redLeads = hn::Eq(c.r, max);
        const auto greenLeads = hn::AndNot(redLeads, hn::Eq(c.g, max));
        const VI x = hn::IfThenElse(redLeads, hn::Sub(c.g, c.b),
                                    hn::IfThenElse(greenLeads, hn::Sub(c.b, c.r), hn::Sub(c.r, c.g)));
        const VI base =
            hn::IfThenElse(redLeads, zero, hn::IfThenElse(greenLeads, hn::Set(di, 85), hn::Set(di, 170)));
        VI h = hn::Add(base, divide(hn::Mul(x, c255), hn::Max(hn::Mul(d, hn::Set(di, 6)), one)));
        h = hn::IfThenElse(hn::Lt(h, zero), hn::Add(h, hn::Set(di, 510)),
                           h); // wraps by 510, like the scalar code
        h = hn::IfThenZeroElse(grey, h);

        // The shifts.
        h = hn::And(hn::Add(h, hn::Set(di, hueShift)), c255);
        s = clampByte(hn::Add(s, hn::Set(di, saturationShift)));
        const VI light = clampByte(hn::Add(l, hn::Set(di, lightnessShift)));

        // Back to R, G, B.
        const VI v = hn::IfThenElse(hn::Lt(light, c128),
                                    hn::ShiftRight<8>(hn::Mul(hn::Add(s, hn::Set(di, 256)), light)),
                                    hn::Sub(hn::Add(light, s), divide255(hn::Mul(light, s))));
        const VI m = hn::Sub(hn::Add(light, light), v);
        const VI h6 = hn::Mul(h, hn::Set(di, 6));
        const VI f = hn::ShiftRight<8>(hn::Mul(hn::Sub(v, m), hn::And(h6, c255)));
        const VI m1 = hn::Add(m, f);
        const VI m2 = hn::Sub(v, f);
        const VI sector = hn::ShiftRight<8>(h6);
        const auto is = [&](int k) { return hn::Eq(sector, hn::Set(di, k)); };
        // Sectors 0..5: (V, M1, M), (M2, V, M), (M, V, M1), (M, M2, V), (M1, M, V), (V, M, M2).
        const VI r =
            hn::IfThenElse(is(1), m2, hn::IfThenElse(hn::Or(is(2), is(3)), m, hn::IfThenElse(is(4), m1, v)));
        const VI g = hn::IfThenElse(
            is(0), m1, hn::IfThenElse(is(3), m2, hn::IfThenElse(hn::Lt(sector, hn::Set(di, 3)), v, m)));
        const VI b = hn::IfThenElse(
            is(2), m1, hn::IfThenElse(is(5), m2, hn::IfThenElse(hn::Lt(sector, hn::Set(di, 2)), m, v)));
        return hn::IfThenZeroElse(hn::RebindMask(DU(), hn::Lt(v, one)), pack(r, g, b, 0));
    });
}

} // namespace imaging::detail::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace imaging::detail {

HWY_EXPORT(GreyscaleRow);
HWY_EXPORT(SepiaRow);
HWY_EXPORT(ChannelTableRow);
HWY_EXPORT(HslRow);

void GreyscaleRow(std::uint32_t* row, int count) {
    HWY_DYNAMIC_DISPATCH(GreyscaleRow)(row, count);
}

void SepiaRow(std::uint32_t* row, int count, const std::int32_t* table) {
    HWY_DYNAMIC_DISPATCH(SepiaRow)(row, count, table);
}

void ChannelTableRow(std::uint32_t* row, int count, const std::uint8_t* table) {
    HWY_DYNAMIC_DISPATCH(ChannelTableRow)(row, count, table);
}

void HslRow(std::uint32_t* row, int count, int hueShift, int saturationShift, int lightnessShift) {
    HWY_DYNAMIC_DISPATCH(HslRow)(row, count, hueShift, saturationShift, lightnessShift);
}

} // namespace imaging::detail
#endif
