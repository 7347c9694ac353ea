#include "imaging/filters.h"

#include "imaging/effectsbands.h"
#include "imaging/effectsbitmap.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <type_traits>
#include <vector>

namespace imaging {

namespace {

struct TableEntry {
    const char* name;
    int size;                   // 3 or 5: the non-zero middle of the 7 × 7 kernel
    std::array<int, 25> middle; // row by row, size × size values
    int divisor;
};

constexpr std::array<TableEntry, 12> kTable{{
    {"EMBOSSCOLOR", 3, {-1, -1, -1, 0, 1, 0, 1, 1, 1}, 1},
    {"EDGEENHANCE", 3, {-1, -2, -1, -2, 16, -2, -1, -2, -1}, 4},
    {"AVERAGE", 3, {1, 1, 1, 1, 1, 1, 1, 1, 1}, 9},
    {"BLUR", 3, {1, 2, 1, 2, 4, 2, 1, 2, 1}, 16},
    {"BLURMORE", 5, {0, 1, 2, 1, 0, 1, 4, 6, 4, 1, 2, 6, 8, 6, 2, 1, 4, 6, 4, 1, 0, 1, 2, 1, 0}, 64},
    {"PREWITT", 3, {1, 1, 1, 1, -2, 1, -1, -1, -1}, 1},
    {"TRACECOUNTOUR", 3, {-6, -2, -6, -1, 32, -1, -6, -2, -6}, 1},
    {"SHARPEN", 3, {-1, -1, -1, -1, 16, -1, -1, -1, -1}, 8},
    {"SHARPENMORE", 3, {-1, -1, -1, -1, 12, -1, -1, -1, -1}, 4},
    {"ETCH", 3, {-6, 2, -6, -1, 32, -1, -6, -2, -6}, 1},
    {"LAPLACIANOMNIDIR", 3, {-1, -1, -1, -1, 8, -1, -1, -1, -1}, 1},
    {"SOBELPASS", 3, {1, 2, 1, 0, 0, 0, -1, -2, -1}, 1},
}};

struct Tap {
    int row;    // 0..6
    int column; // 0..6
    int weight; // never 0: zero entries are skipped
};

// Divides towards zero and clamps; a compile-time divisor lets the compiler vectorise the division.
template <typename Value>
uchar clampToByte(Value v) {
    return static_cast<uchar>(v < 0 ? 0 : v > 255 ? 255 : v);
}

template <typename Acc, int Divisor>
void storeRow(const Acc* acc, int count, uchar* out) {
    for (int i = 0; i < count; ++i)
        out[i] = clampToByte(acc[i] / Divisor);
}

template <typename Acc>
void storeRowAnyDivisor(const Acc* acc, int count, int divisor, uchar* out) {
    switch (divisor) {
    case 1:
        return storeRow<Acc, 1>(acc, count, out);
    case 4:
        return storeRow<Acc, 4>(acc, count, out);
    case 8:
        return storeRow<Acc, 8>(acc, count, out);
    case 9:
        return storeRow<Acc, 9>(acc, count, out);
    case 16:
        return storeRow<Acc, 16>(acc, count, out);
    case 64:
        return storeRow<Acc, 64>(acc, count, out);
    default:
        for (int i = 0; i < count; ++i)
            out[i] = clampToByte(acc[i] / divisor);
    }
}

// Bytes of a row handled at a time: the accumulator stays in the first-level cache while every tap
// adds to it.
constexpr int kChunk = 1024;
constexpr int kMaxTaps = 49;

// acc[i] = Σ weights[t] × rows[t][i] for one chunk.
template <typename Acc>
void accumulate(Acc* acc, int n, const uchar* const* rows, const int* weights, int taps) {
    std::fill_n(acc, n, Acc{0});
    for (int t = 0; t < taps; ++t) {
        const uchar* in = rows[t];
        const Acc w = static_cast<Acc>(weights[t]);
        for (int i = 0; i < n; ++i)
            acc[i] = static_cast<Acc>(acc[i] + w * in[i]);
    }
}

// The sixteen-bit case carries every table kernel; with AVX2 it runs twice the lanes of the baseline
// instruction set, picked once at load time.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__)
__attribute__((target_clones("avx2", "default")))
#endif
void accumulate16(std::int16_t* acc, int n, const uchar* const* rows, const int* weights, int taps) {
    accumulate(acc, n, rows, weights, taps);
}

// One output row at a time, chunk by chunk, over all four bytes of every pixel (alpha is overwritten at
// the end). Acc is int16_t when no partial sum can leave its range (every table kernel), which doubles
// the lanes; a home-made kernel with large weights gets 64 bits rather than an overflow.
template <typename Acc>
void convolveRows(const QImage& source, uchar* bits, qsizetype stride, int width,
                  const std::vector<Tap>& taps, int divisor, int first, int end) {
    const int count = (width - 6) * 4;
    const int tapCount = static_cast<int>(taps.size());
    Acc acc[kChunk];
    const uchar* rows[kMaxTaps];
    int weights[kMaxTaps];
    for (int t = 0; t < tapCount; ++t)
        weights[t] = taps[static_cast<std::size_t>(t)].weight;
    for (int y = first; y < end; ++y) {
        uchar* const row = bits + y * stride;
        const uchar* const sourceRow = source.constScanLine(y);
        std::memcpy(row, sourceRow, 3 * 4); // the border keeps its old values
        std::memcpy(row + (width - 3) * 4, sourceRow + (width - 3) * 4, 3 * 4);
        uchar* const out = row + 3 * 4;
        for (int start = 0; start < count; start += kChunk) {
            const int n = std::min(kChunk, count - start);
            for (int t = 0; t < tapCount; ++t) {
                const Tap& tap = taps[static_cast<std::size_t>(t)];
                rows[t] = source.constScanLine(y + tap.row - 3) + tap.column * 4 + start;
            }
            if constexpr (std::is_same_v<Acc, std::int16_t>)
                accumulate16(acc, n, rows, weights, tapCount);
            else
                accumulate(acc, n, rows, weights, tapCount);
            storeRowAnyDivisor(acc, n, divisor, out + start);
        }
        auto* pixels = reinterpret_cast<QRgb*>(out);
        for (int x = 0; x < width - 6; ++x)
            pixels[x] |= 0xff000000u;
    }
}

} // namespace

std::array<const char*, 12> NamedFilterNames() {
    std::array<const char*, 12> names{};
    for (std::size_t i = 0; i < kTable.size(); ++i)
        names[i] = kTable[i].name;
    return names;
}

std::optional<NamedKernel> NamedFilterKernel(const QString& name) {
    for (const TableEntry& entry : kTable) {
        if (name != QLatin1String(entry.name))
            continue;
        NamedKernel kernel;
        kernel.divisor = entry.divisor;
        const int offset = (7 - entry.size) / 2;
        for (int r = 0; r < entry.size; ++r)
            for (int c = 0; c < entry.size; ++c)
                kernel.weights[static_cast<std::size_t>((r + offset) * 7 + c + offset)] =
                    entry.middle[static_cast<std::size_t>(r * entry.size + c)];
        return kernel;
    }
    return std::nullopt;
}

void ApplyNamedFilter(QImage& bitmap, const QString& name) {
    if (const auto kernel = NamedFilterKernel(name))
        ApplyKernel(bitmap, *kernel);
}

void ApplyKernel(QImage& bitmap, const NamedKernel& kernel) {
    if (bitmap.width() < 7 || bitmap.height() < 7 || kernel.divisor == 0)
        return;
    if (bitmap.format() != QImage::Format_ARGB32)
        bitmap = bitmap.convertToFormat(QImage::Format_ARGB32);
    std::vector<Tap> taps;
    long long absoluteSum = 0;
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 7; ++c)
            if (const int w = kernel.weights[static_cast<std::size_t>(r * 7 + c)]; w != 0) {
                taps.push_back({r, c, w});
                absoluteSum += std::llabs(static_cast<long long>(w));
            }
    // The result goes to a fresh bitmap, so reads come from the unchanged photo without copying it
    // first. Row addresses are taken once: scanLine() from several threads would race on the detach
    // bookkeeping.
    const QImage source = bitmap;
    QImage result = detail::NewBitmap(bitmap.width(), bitmap.height());
    if (result.isNull())
        return;
    uchar* const bits = result.bits();
    const qsizetype stride = result.bytesPerLine();
    const int width = bitmap.width();
    const int height = bitmap.height();
    for (const int y : {0, 1, 2, height - 3, height - 2, height - 1})
        std::memcpy(bits + y * stride, source.constScanLine(y), static_cast<std::size_t>(width) * 4);
    const long long largestSum = absoluteSum * 255;
    detail::ForEachRowBand(bitmap.height() - 6, bitmap.width(), [&](int first, int end) {
        if (largestSum <= INT16_MAX)
            convolveRows<std::int16_t>(source, bits, stride, width, taps, kernel.divisor, first + 3, end + 3);
        else if (largestSum <= INT32_MAX)
            convolveRows<std::int32_t>(source, bits, stride, width, taps, kernel.divisor, first + 3, end + 3);
        else
            convolveRows<std::int64_t>(source, bits, stride, width, taps, kernel.divisor, first + 3, end + 3);
    });
    bitmap = result;
}

} // namespace imaging
