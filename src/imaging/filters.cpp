#include "imaging/filters.h"

#include "imaging/effectsbands.h"
#include "imaging/effectsbitmap.h"
#include "imaging/filtersrows.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>
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

template <typename Value>
uchar clampToByte(Value v) {
    return static_cast<uchar>(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Bytes of a row handled at a time: the accumulator stays in the first-level cache while every tap
// adds to it.
constexpr int kChunk = 1024;
constexpr int kMaxTaps = 49;
// Rows convolved between two hand-overs of finished rows.
constexpr int kRowsHandedOn = 8;

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

// Where the next output row reads from: the tap's source row, from the first output pixel on.
void tapRows(const QImage& source, int y, const std::vector<Tap>& taps, int start, const uchar** rows) {
    for (std::size_t t = 0; t < taps.size(); ++t)
        rows[t] = source.constScanLine(y + taps[t].row - 3) + taps[t].column * 4 + start;
}

// The general case, for kernels of one's own whose sums need 32 or 64 bits (or a divisor the vector
// code does not take): one output row at a time, chunk by chunk, over all four bytes of every pixel
// (alpha is overwritten at the end).
template <typename Acc>
void convolveRows(const QImage& source, uchar* out0, qsizetype stride, int width,
                  const std::vector<Tap>& taps, int divisor, int first, int end) {
    const int count = (width - 6) * 4;
    const int tapCount = static_cast<int>(taps.size());
    Acc acc[kChunk];
    const uchar* rows[kMaxTaps];
    int weights[kMaxTaps];
    for (int t = 0; t < tapCount; ++t)
        weights[t] = taps[static_cast<std::size_t>(t)].weight;
    for (int y = first; y < end; ++y) {
        uchar* const out = out0 + y * stride;
        for (int start = 0; start < count; start += kChunk) {
            const int n = std::min(kChunk, count - start);
            tapRows(source, y, taps, start, rows);
            accumulate(acc, n, rows, weights, tapCount);
            for (int i = 0; i < n; ++i)
                out[start + i] = clampToByte(acc[i] / divisor);
        }
        auto* pixels = reinterpret_cast<QRgb*>(out);
        for (int x = 0; x < width - 6; ++x)
            pixels[x] |= 0xff000000u;
    }
}

// Every table kernel: 16-bit sums in vector instructions.
void convolveRows16(const QImage& source, uchar* out0, qsizetype stride, int width,
                    const std::vector<Tap>& taps, int divisor, int first, int end) {
    const detail::ShortDivision division = detail::ShortDivisionBy(divisor);
    const uchar* rows[kMaxTaps];
    std::int16_t weights[kMaxTaps];
    for (std::size_t t = 0; t < taps.size(); ++t)
        weights[t] = static_cast<std::int16_t>(taps[t].weight);
    for (int y = first; y < end; ++y) {
        tapRows(source, y, taps, 0, rows);
        detail::ConvolveRow16(rows, weights, static_cast<int>(taps.size()), division, (width - 6) * 4,
                              out0 + y * stride);
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

void ApplyNamedFilter(QImage& bitmap, const QString& name, const FinishedRows& finished) {
    if (const auto kernel = NamedFilterKernel(name))
        ApplyKernel(bitmap, *kernel, finished);
}

void ApplyKernel(QImage& bitmap, const NamedKernel& kernel, const FinishedRows& finished) {
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
    const auto handOn = [&](int first, int end) {
        if (finished)
            finished(first, end, {result.size(), bits + first * stride, stride, 4});
    };
    for (const int y : {0, 1, 2, height - 3, height - 2, height - 1})
        std::memcpy(bits + y * stride, source.constScanLine(y), static_cast<std::size_t>(width) * 4);
    handOn(0, 3);
    handOn(height - 3, height);
    // Rows 3 .. height − 4 from x = 3 on; the three-pixel border keeps its old values.
    uchar* const out0 = bits + 3 * 4;
    const long long largestSum = absoluteSum * 255;
    const bool shortSums = largestSum <= INT16_MAX && kernel.divisor > 0 && kernel.divisor <= INT16_MAX &&
                           (width - 6) * 4 >= detail::ConvolveRowMinimum();
    detail::ForEachRowBand(height - 6, width, [&](int bandFirst, int bandEnd) {
        // A few rows at a time, so that they are handed on while still in the cache.
        for (int first = bandFirst + 3; first < bandEnd + 3; first += kRowsHandedOn) {
            const int end = std::min(bandEnd + 3, first + kRowsHandedOn);
            for (int y = first; y < end; ++y) {
                std::memcpy(bits + y * stride, source.constScanLine(y), 3 * 4);
                std::memcpy(bits + y * stride + (width - 3) * 4, source.constScanLine(y) + (width - 3) * 4,
                            3 * 4);
            }
            if (shortSums)
                convolveRows16(source, out0, stride, width, taps, kernel.divisor, first, end);
            else if (largestSum <= INT32_MAX)
                convolveRows<std::int32_t>(source, out0, stride, width, taps, kernel.divisor, first, end);
            else
                convolveRows<std::int64_t>(source, out0, stride, width, taps, kernel.divisor, first, end);
            handOn(first, end);
        }
    });
    detail::ReplaceBitmap(bitmap, std::move(result));
}

} // namespace imaging
