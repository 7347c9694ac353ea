#include "imaging/rotaterows.h"

#include <algorithm>
#include <cstring>

// Compiled once per instruction set; the processor's best is chosen on the first call.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "imaging/rotaterows.cpp"
#include <hwy/cache_control.h>
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace imaging::detail::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET != HWY_SCALAR
using D = hn::FixedTag<std::uint32_t, 4>;
using D64 = hn::Repartition<std::uint64_t, D>;
#endif

// Square tiles keep the source lines being read in the cache and, as much, the pages of both bitmaps in
// the address cache: a plain transpose touches a new page of one of them for every pixel it moves.
// Result (column c, row r) comes from source (w − 1 − r, c) on a left turn and from (r, h − 1 − c) on a
// right turn.
template <bool left>
struct Turn {
    const TurnPlanes& p;
    bool streaming; // whole lines of a large result bypass the cache: nothing reads them soon

    const std::uint8_t* source(int r, int c) const {
        const int x = left ? p.w - 1 - r : r;
        const int y = left ? c : p.h - 1 - c;
        return p.in + y * p.inStride + x * 4;
    }

    void moveOne(int r, int c) const { std::memcpy(p.out + r * p.outStride + c * 4, source(r, c), 4); }

#if HWY_TARGET != HWY_SCALAR
    // A 4 × 4 block: four source rows loaded as four vectors, transposed in registers, stored as four
    // result rows. The four pixels of one load belong to result rows r .. r + 3, backwards on a left turn.
    HWY_INLINE void moveBlock(int r, int c) const {
        const D d;
        const D64 d64;
        const std::uint8_t* first = left ? source(r + 3, c) : source(r, c);
        const std::ptrdiff_t step = left ? p.inStride : -p.inStride;
        const auto load = [&](int k) {
            return hn::LoadU(d, reinterpret_cast<const std::uint32_t*>(first + k * step));
        };
        const auto a = load(0), b = load(1), cc = load(2), dd = load(3);
        const auto ab01 = hn::BitCast(d64, hn::InterleaveLower(d, a, b));
        const auto cd01 = hn::BitCast(d64, hn::InterleaveLower(d, cc, dd));
        const auto ab23 = hn::BitCast(d64, hn::InterleaveUpper(d, a, b));
        const auto cd23 = hn::BitCast(d64, hn::InterleaveUpper(d, cc, dd));
        const hn::Vec<D> columns[4] = {hn::BitCast(d, hn::InterleaveLower(d64, ab01, cd01)),
                                       hn::BitCast(d, hn::InterleaveUpper(d64, ab01, cd01)),
                                       hn::BitCast(d, hn::InterleaveLower(d64, ab23, cd23)),
                                       hn::BitCast(d, hn::InterleaveUpper(d64, ab23, cd23))};
        for (int j = 0; j < 4; ++j) {
            auto* to =
                reinterpret_cast<std::uint32_t*>(p.out + (left ? r + 3 - j : r + j) * p.outStride + c * 4);
            if (streaming)
                hn::Stream(columns[j], d, to);
            else
                hn::StoreU(columns[j], d, to);
        }
    }
#endif

    // Asks for the source lines of the tile after this one (result columns c1 .. c1 + tile) while this
    // one is moved: each of its lines is first touched from a different row, which the processor's own
    // prefetcher does not foresee.
    void prefetchTile(int r0, int r1, int c1) const {
        const int xFirst = left ? p.w - r1 : r0;
        const int bytes = (r1 - r0) * 4;
        for (int c = c1; c < std::min(p.h, c1 + kTurnTile); ++c) {
            const std::uint8_t* line = source(left ? p.w - 1 - xFirst : xFirst, c);
            for (int b = 0; b < bytes + 63; b += 64)
                hwy::Prefetch(line + std::min(b, bytes - 1));
        }
    }

    void rows(int firstRow, int endRow, const TurnBlockDone* done) const {
        const int columns = p.h;
        for (int r0 = firstRow; r0 < endRow; r0 += kTurnTile) {
            const int r1 = std::min(endRow, r0 + kTurnTile);
            int handedOn = 0;
            for (int c0 = 0; c0 < columns; c0 += kTurnTile) {
                const int c1 = std::min(columns, c0 + kTurnTile);
                prefetchTile(r0, r1, c1);
                int r = r0;
#if HWY_TARGET != HWY_SCALAR
                for (; r + 4 <= r1; r += 4) {
                    int c = c0;
                    for (; c + 4 <= c1; c += 4)
                        moveBlock(r, c);
                    for (; c < c1; ++c)
                        for (int k = 0; k < 4; ++k)
                            moveOne(r + k, c);
                }
#endif
                for (; r < r1; ++r)
                    for (int c = c0; c < c1; ++c)
                        moveOne(r, c);
                if (done && (c1 - handedOn >= kTurnColumnsHandedOn || c1 == columns)) {
                    (*done)(r0, r1, handedOn, c1);
                    handedOn = c1;
                }
            }
        }
        hwy::FlushStream();
    }
};

void TurnRows(const TurnPlanes& planes, bool left, int firstRow, int endRow, const TurnBlockDone* done) {
    constexpr long long kLargeBitmap = 8 << 20;
    const bool streaming = static_cast<long long>(planes.w) * planes.h * 4 >= kLargeBitmap &&
                           planes.outStride % 16 == 0 &&
                           reinterpret_cast<std::uintptr_t>(planes.out) % 16 == 0;
    if (left)
        Turn<true>{planes, streaming}.rows(firstRow, endRow, done);
    else
        Turn<false>{planes, streaming}.rows(firstRow, endRow, done);
}

} // namespace imaging::detail::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace imaging::detail {

HWY_EXPORT(TurnRows);

void TurnRows(const TurnPlanes& planes, bool left, int firstRow, int endRow, const TurnBlockDone* done) {
    HWY_DYNAMIC_DISPATCH(TurnRows)(planes, left, firstRow, endRow, done);
}

} // namespace imaging::detail
#endif
