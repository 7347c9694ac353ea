#include "imaging/resample.h"

#include "imaging/effectsbands.h"
#include "imaging/finishedrows.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imaging {

namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;
constexpr int kLobes = 3;
constexpr int kTapGroup = 4; // taps are padded to a multiple of this; zero weights fill the gap

double lanczos(double x) {
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= kLobes)
        return 0.0;
    const double px = std::numbers::pi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// Fixed-point weights of one direction: output i reads source positions first[i] .. first[i] + taps − 1
// with weights[i * taps ...], which sum to exactly kWeightOne. Positions may lie outside 0 .. size − 1;
// the caller clamps them (rows) or reads a row padded with its edge pixels (columns).
struct Axis {
    int taps = 0;
    int lowest = 0;  // smallest position read
    int highest = 0; // largest position read
    std::vector<int> first;
    std::vector<std::int16_t> weights;
};

Axis makeAxis(int inSize, int outSize) {
    const double scale = static_cast<double>(inSize) / outSize;
    const double stretch = std::max(scale, 1.0); // widen the kernel when shrinking, so it also smooths
    const double support = kLobes * stretch;
    Axis axis;
    axis.taps = static_cast<int>(std::ceil(2 * support)) + 1;
    axis.taps = (axis.taps + kTapGroup - 1) / kTapGroup * kTapGroup;
    axis.first.resize(static_cast<std::size_t>(outSize));
    axis.weights.resize(static_cast<std::size_t>(outSize) * axis.taps);
    std::vector<double> exact(static_cast<std::size_t>(axis.taps));
    axis.lowest = 0;
    axis.highest = inSize - 1;
    for (int i = 0; i < outSize; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int first = static_cast<int>(std::floor(centre - support)) + 1;
        double sum = 0;
        for (int t = 0; t < axis.taps; ++t) {
            exact[static_cast<std::size_t>(t)] = lanczos((first + t - centre) / stretch);
            sum += exact[static_cast<std::size_t>(t)];
        }
        std::int16_t* w = axis.weights.data() + static_cast<std::size_t>(i) * axis.taps;
        int total = 0;
        int biggest = 0;
        for (int t = 0; t < axis.taps; ++t) {
            w[t] =
                static_cast<std::int16_t>(std::lround(exact[static_cast<std::size_t>(t)] / sum * kWeightOne));
            total += w[t];
            if (w[t] > w[biggest])
                biggest = t;
        }
        // Put the rounding loss on the centre tap, so flat areas stay exactly flat.
        // (Clamped only for absurd ratios, where tens of thousands of taps each round to almost nothing.)
        w[biggest] = static_cast<std::int16_t>(std::clamp(w[biggest] + kWeightOne - total, -32768, 32767));
        axis.first[static_cast<std::size_t>(i)] = first;
        axis.lowest = std::min(axis.lowest, first);
        axis.highest = std::max(axis.highest, first + axis.taps - 1);
    }
    return axis;
}

uchar finish(int acc) {
    return static_cast<uchar>(std::clamp((acc + kWeightOne / 2) >> kWeightBits, 0, 255));
}

// One row of the vertical pass: out[i] = Σ w[t] × rows[t][i] over `bytes` bytes.
void filterColumns(const uchar* const* rows, const std::int16_t* w, int taps, int bytes, uchar* out) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(kWeightOne / 2);
    for (; i + 16 <= bytes; i += 16) {
        __m128i acc0 = zero, acc1 = zero, acc2 = zero, acc3 = zero;
        for (int t = 0; t < taps; t += 2) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[t + 1] + i));
            const __m128i pair =
                _mm_set1_epi32(static_cast<std::uint16_t>(w[t]) | (static_cast<int>(w[t + 1]) << 16));
            const __m128i lo = _mm_unpacklo_epi8(a, b);
            const __m128i hi = _mm_unpackhi_epi8(a, b);
            acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), pair));
            acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), pair));
            acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), pair));
            acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), pair));
        }
        acc0 = _mm_srai_epi32(_mm_add_epi32(acc0, half), kWeightBits);
        acc1 = _mm_srai_epi32(_mm_add_epi32(acc1, half), kWeightBits);
        acc2 = _mm_srai_epi32(_mm_add_epi32(acc2, half), kWeightBits);
        acc3 = _mm_srai_epi32(_mm_add_epi32(acc3, half), kWeightBits);
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(acc0, acc1), _mm_packs_epi32(acc2, acc3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
    }
#endif
    for (; i < bytes; ++i) {
        int acc = 0;
        for (int t = 0; t < taps; ++t)
            acc += w[t] * rows[t][i];
        out[i] = finish(acc);
    }
}

// One row of the horizontal pass from a row padded with copies of its edge pixels, so that every tap
// of every output pixel reads inside it. `row` points at source pixel 0.
void filterRow(const uchar* row, const Axis& axis, int outWidth, uchar* out) {
    const int taps = axis.taps;
    for (int x = 0; x < outWidth; ++x) {
        const uchar* in = row + static_cast<std::ptrdiff_t>(axis.first[static_cast<std::size_t>(x)]) * 4;
        const std::int16_t* w = axis.weights.data() + static_cast<std::size_t>(x) * taps;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        __m128i acc = zero;
        for (int t = 0; t < taps; t += 4) {
            // Four pixels p0..p3; interleave p0 with p1 and p2 with p3 channel by channel, so that one
            // multiply-add weighs two taps of all four channels.
            const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + t * 4));
            const __m128i next = _mm_srli_si128(px, 4);
            const __m128i p01 = _mm_unpacklo_epi8(_mm_unpacklo_epi8(px, next), zero);
            const __m128i p23 = _mm_unpacklo_epi8(_mm_unpackhi_epi8(px, next), zero);
            const __m128i w01 =
                _mm_set1_epi32(static_cast<std::uint16_t>(w[t]) | (static_cast<int>(w[t + 1]) << 16));
            const __m128i w23 =
                _mm_set1_epi32(static_cast<std::uint16_t>(w[t + 2]) | (static_cast<int>(w[t + 3]) << 16));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(p01, w01));
            acc = _mm_add_epi32(acc, _mm_madd_epi16(p23, w23));
        }
        acc = _mm_srai_epi32(_mm_add_epi32(acc, _mm_set1_epi32(kWeightOne / 2)), kWeightBits);
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(acc, zero), zero);
        const int pixel = _mm_cvtsi128_si32(packed);
        std::memcpy(out + x * 4, &pixel, 4);
#else
        for (int c = 0; c < 4; ++c) {
            int acc = 0;
            for (int t = 0; t < taps; ++t)
                acc += w[t] * in[t * 4 + c];
            out[x * 4 + c] = finish(acc);
        }
#endif
    }
}

} // namespace

QImage ScaleLanczos(const QImage& src, QSize size) {
    if (src.isNull() || size.isEmpty())
        return {};
    const QImage source =
        src.format() == QImage::Format_ARGB32 ? src : src.convertToFormat(QImage::Format_ARGB32);
    const int inWidth = source.width();
    const int inHeight = source.height();
    QImage result(size, QImage::Format_ARGB32);
    if (result.isNull())
        return {};
    // Row addresses are taken once here: scanLine() on the result from several threads would race on
    // its detach bookkeeping.
    uchar* const outBits = result.bits();
    const qsizetype outStride = result.bytesPerLine();
    const Axis columns = makeAxis(inWidth, size.width());
    const Axis rows = makeAxis(inHeight, size.height());
    // The padded row: edge copies left of pixel 0, and right of the last pixel up to the furthest tap
    // plus the slack of one 16-byte load.
    const int padLeft = -columns.lowest;
    const int paddedWidth = padLeft + columns.highest + 1 + kTapGroup;

    detail::ForEachRowBand(
        size.height(), static_cast<long long>(inWidth) * rows.taps / 4, [&](int firstRow, int endRow) {
            std::vector<uchar> padded(static_cast<std::size_t>(paddedWidth) * 4);
            uchar* const pixel0 = padded.data() + static_cast<std::size_t>(padLeft) * 4;
            std::vector<const uchar*> tapRows(static_cast<std::size_t>(rows.taps));
            for (int y = firstRow; y < endRow; ++y) {
                const int first = rows.first[static_cast<std::size_t>(y)];
                for (int t = 0; t < rows.taps; ++t)
                    tapRows[static_cast<std::size_t>(t)] =
                        source.constScanLine(std::clamp(first + t, 0, inHeight - 1));
                filterColumns(tapRows.data(), rows.weights.data() + static_cast<std::size_t>(y) * rows.taps,
                              rows.taps, inWidth * 4, pixel0);
                for (int x = 0; x < padLeft; ++x)
                    std::memcpy(padded.data() + static_cast<std::size_t>(x) * 4, pixel0, 4);
                for (int x = padLeft + inWidth; x < paddedWidth; ++x)
                    std::memcpy(padded.data() + static_cast<std::size_t>(x) * 4, pixel0 + (inWidth - 1) * 4,
                                4);
                filterRow(pixel0, columns, size.width(), outBits + y * outStride);
            }
        });
    return result;
}

QImage ScaleNearest(const QImage& src, QSize size) {
    if (src.isNull() || size.isEmpty())
        return {};
    QImage result(size, QImage::Format_ARGB32);
    if (result.isNull())
        return {};
    ScaleNearestInto(src, result, false);
    return result;
}

void ScaleNearestInto(const QImage& src, QImage& target, bool opaque) {
    if (src.isNull() || target.isNull())
        return;
    const QImage source =
        src.format() == QImage::Format_ARGB32 ? src : src.convertToFormat(QImage::Format_ARGB32);
    const QSize size = target.size();
    const long long inWidth = source.width();
    const long long inHeight = source.height();
    const long long outWidth = size.width();
    const long long outHeight = size.height();
    uchar* const outBits = target.bits(); // taken once: the bands must not each detach it
    const qsizetype outStride = target.bytesPerLine();
    const QRgb alpha = opaque ? 0xFF000000u : 0u;
    std::vector<int> columnOf(static_cast<std::size_t>(outWidth));
    for (long long x = 0; x < outWidth; ++x)
        columnOf[static_cast<std::size_t>(x)] = NearestSourceIndex(x, inWidth, outWidth);
    detail::ForEachRowBand(size.height(), size.width(), [&](int firstRow, int endRow) {
        for (int y = firstRow; y < endRow; ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(
                source.constScanLine(NearestSourceIndex(y, inHeight, outHeight)));
            auto* out = reinterpret_cast<QRgb*>(outBits + y * outStride);
            for (int x = 0; x < size.width(); ++x)
                out[x] = in[columnOf[static_cast<std::size_t>(x)]] | alpha;
        }
    });
}

} // namespace imaging
