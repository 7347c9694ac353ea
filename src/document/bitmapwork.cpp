#include "document/bitmapwork.h"

#include "imaging/effectsbands.h"
#include "imaging/effectsbitmap.h"
#include "imaging/resample.h"

#include <algorithm>
#include <atomic>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

namespace document {

namespace {

// Copies `count` pixels to `to` without reading its lines into the cache first (non-temporal stores).
void streamRow(uchar* to, const uchar* from, int count) {
    int i = 0;
#if defined(__SSE2__)
    auto* out = reinterpret_cast<quint32*>(to);
    const auto* in = reinterpret_cast<const quint32*>(from);
    for (; i < count && (reinterpret_cast<quintptr>(out + i) & 15) != 0; ++i)
        out[i] = in[i];
    for (; i + 4 <= count; i += 4)
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
#endif
    std::copy_n(from + qsizetype(i) * 4, qsizetype(count - i) * 4, to + qsizetype(i) * 4);
}

// Makes the streamed stores visible to the thread that takes the result.
void finishStreaming() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// A band of rows small enough to stay in the cache between its copy and its change (and below the size
// at which a colour change spreads itself over the pool).
constexpr int kBandPixels = 128 * 1024;

// Runs `work(first, count)` over the rows of a `height`-row bitmap `rows` at a time, spread over the
// global pool (the calling thread taking its share).
void forEachBand(int height, int rows, const std::function<void(int, int)>& work) {
    const int bands = (height + rows - 1) / rows;
    imaging::detail::ForEachRowBand(bands, kBandPixels, [&](int firstBand, int endBand) {
        for (int band = firstBand; band < endBand; ++band) {
            const int first = band * rows;
            work(first, std::min(rows, height - first));
        }
    });
}

int bandRows(int width) {
    return std::max(1, kBandPixels / std::max(1, width));
}

} // namespace

// Writes `patch` into `bitmap` at `at` (row by row; the bitmap is detached once if it is shared).
void PutPatch(QImage& bitmap, const QImage& patch, QPoint at) {
    const int bytes = patch.width() * 4;
    for (int y = 0; y < patch.height(); ++y)
        std::copy_n(patch.constScanLine(y), bytes, bitmap.scanLine(at.y() + y) + at.x() * 4);
}

// A wholly opaque bitmap as its colour bytes (B, G, R); empty when some alpha is not 255.
QByteArray PackOpaque(const QImage& b) {
    if (b.isNull() || b.format() != QImage::Format_ARGB32)
        return {};
    const int w = b.width();
    QByteArray out(qsizetype(w) * b.height() * 3, Qt::Uninitialized);
    char* const base = out.data(); // taken once: the bands must not each detach it
    std::atomic<bool> opaque{true};
    forEachBand(b.height(), bandRows(w), [&](int first, int count) {
        quint32 all = 0xFF000000u;
        for (int y = first; y < first + count; ++y) {
            const auto* in = reinterpret_cast<const quint32*>(b.constScanLine(y));
            auto* to = reinterpret_cast<uchar*>(base) + qsizetype(y) * w * 3;
            for (int x = 0; x < w; ++x) {
                const quint32 p = in[x];
                all &= p;
                to[3 * x] = uchar(p);
                to[3 * x + 1] = uchar(p >> 8);
                to[3 * x + 2] = uchar(p >> 16);
            }
        }
        if ((all & 0xFF000000u) != 0xFF000000u)
            opaque = false;
    });
    return opaque ? out : QByteArray();
}

// A new bitmap of `size` to write a whole earlier state into: from the large-buffer store, or else plain.
QImage NewBitmap(QSize size) {
    QImage b = imaging::detail::NewBitmap(size.width(), size.height());
    return b.isNull() ? QImage(size, QImage::Format_ARGB32) : b;
}

QImage UnpackOpaque(const QByteArray& packed, QSize size) {
    QImage b = NewBitmap(size);
    uchar* const bits = b.bits();
    const qsizetype stride = b.bytesPerLine();
    const int w = size.width();
    forEachBand(size.height(), bandRows(w), [&](int first, int count) {
        for (int y = first; y < first + count; ++y) {
            const auto* in = reinterpret_cast<const uchar*>(packed.constData()) + qsizetype(y) * w * 3;
            auto* out = reinterpret_cast<quint32*>(bits + y * stride);
            for (int x = 0; x < w; ++x)
                out[x] =
                    0xFF000000u | in[3 * x] | (quint32(in[3 * x + 1]) << 8) | (quint32(in[3 * x + 2]) << 16);
        }
    });
    return b;
}

// The margins a crop to `kept` cuts from a bitmap of `size`: above, below, left and right of it.
std::array<QRect, 4> MarginsOf(QSize size, QRect kept) {
    return {QRect(0, 0, size.width(), kept.top()),
            QRect(0, kept.bottom() + 1, size.width(), size.height() - kept.bottom() - 1),
            QRect(0, kept.top(), kept.left(), kept.height()),
            QRect(kept.right() + 1, kept.top(), size.width() - kept.right() - 1, kept.height())};
}

QImage MapRows(const QImage& source, const std::function<void(QImage&)>& rowwise,
               const imaging::FinishedRows& finished) {
    QImage out = source.format() == QImage::Format_ARGB32 && !source.isNull()
                     ? imaging::detail::NewBitmap(source.width(), source.height())
                     : QImage();
    if (out.isNull()) {
        out = UnsharedCopy(source);
        rowwise(out);
        if (finished && !out.isNull())
            finished(0, out.height(), {out.size(), out.constBits(), out.bytesPerLine(), 4});
        return out;
    }
    const int width = source.width();
    uchar* const bits = out.bits(); // taken once: the bands must not each detach the image
    const qsizetype stride = out.bytesPerLine();
    forEachBand(source.height(), bandRows(width), [&](int first, int count) {
        // Each band is changed in a buffer of the thread's own that stays in the cache, and then written
        // past the cache: the new bitmap costs no more memory traffic than a change in place.
        thread_local std::vector<quint32> scratch;
        scratch.resize(static_cast<size_t>(width) * static_cast<size_t>(count));
        auto* const start = reinterpret_cast<uchar*>(scratch.data());
        for (int y = 0; y < count; ++y)
            std::copy_n(source.constScanLine(first + y), width * 4, start + qsizetype(y) * width * 4);
        QImage part(start, width, count, qsizetype(width) * 4, QImage::Format_ARGB32); // borrows scratch
        rowwise(part);
        if (finished)
            finished(first, first + count, {out.size(), start, qsizetype(width) * 4, 4});
        for (int y = 0; y < count; ++y)
            streamRow(bits + (first + y) * stride, part.constScanLine(y), width);
    });
    finishStreaming();
    return out;
}

QImage UnsharedCopy(const QImage& b) {
    if (b.isNull() || b.format() != QImage::Format_ARGB32)
        return b.copy();
    QImage out = imaging::detail::NewBitmap(b.width(), b.height());
    if (out.isNull())
        return b.copy();
    const qsizetype row = qsizetype(b.width()) * 4;
    for (int y = 0; y < b.height(); ++y)
        std::copy_n(b.constScanLine(y), row, out.scanLine(y));
    return out;
}

QImage ViewCopyOf(const QImage& b, const imaging::NearestCopyFromRows::TargetFor& viewCopySize) {
    const QSize size = viewCopySize && !b.isNull() ? viewCopySize(b.size()) : QSize();
    if (size.isEmpty())
        return {};
    QImage copy(size, QImage::Format_RGB32);
    if (copy.isNull())
        return {};
    imaging::ScaleNearestInto(b, copy, true);
    return copy;
}

} // namespace document
