#include "imaging/effectsbands.h"
#include "imaging/effectsbitmap.h"
#include "imaging/rotate.h"

#include "vectortargets.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace {

QImage numbered(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x & 255, y & 255, (x * 7 + y) & 255, (x + y) & 255));
    return image;
}

// Every pixel different: its own index.
QImage indexed(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = static_cast<QRgb>(y * w + x);
    }
    return image;
}

TEST(Rotate, OpaqueFormatsBecomeArgbAndNullStaysNull) {
    QImage rgb = numbered(5, 3).convertToFormat(QImage::Format_RGB32);
    const QRgb corner = rgb.pixel(4, 0);
    imaging::RotateLeft(rgb);
    EXPECT_EQ(rgb.format(), QImage::Format_ARGB32);
    EXPECT_EQ(rgb.pixel(0, 0), corner);
    QImage null;
    imaging::RotateRight(null);
    EXPECT_TRUE(null.isNull());
}

// Every instruction set's copy of the block moves, on sizes with and without partial blocks and
// tiles (single columns too), and on photo-sized results that are written past the cache (rows of whole
// 16-byte groups) or not.
TEST(Rotate, EveryInstructionSetMovesEveryPixelWhereItBelongs) {
    const QImage large = indexed(1024, 2052);
    const QImage largeOdd = indexed(1023, 2051);
    fixtures::ForEachVectorTarget([&](std::int64_t) {
        for (const QImage& source : {indexed(1, 1), indexed(1, 9), indexed(4, 4), indexed(7, 5),
                                     indexed(130, 67), large, largeOdd}) {
            QImage left = source;
            imaging::RotateLeft(left);
            QImage right = source;
            imaging::RotateRight(right);
            ASSERT_EQ(left.size(), source.size().transposed());
            ASSERT_EQ(right.size(), source.size().transposed());
            const int w = source.width();
            const int h = source.height();
            for (int y = 0; y < h; ++y) {
                const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
                for (int x = 0; x < w; ++x) {
                    ASSERT_EQ(reinterpret_cast<const QRgb*>(left.constScanLine(w - 1 - x))[y], in[x])
                        << w << "x" << h << " left " << x << "," << y;
                    ASSERT_EQ(reinterpret_cast<const QRgb*>(right.constScanLine(x))[h - 1 - y], in[x])
                        << w << "x" << h << " right " << x << "," << y;
                }
            }
        }
    });
}

TEST(NewBitmap, PhotoSizedBitmapsAreOrdinaryOwningImages) {
    const QImage image = imaging::detail::NewBitmap(2000, 1100);
    EXPECT_EQ(std::tuple(image.size(), image.format(), image.bytesPerLine()),
              std::tuple(QSize(2000, 1100), QImage::Format_ARGB32, qsizetype{8000}));
    EXPECT_TRUE(imaging::detail::NewBitmap(0, 5).isNull());
    EXPECT_TRUE(imaging::detail::NewBitmap(5, -1).isNull());
}

#if defined(__linux__)
TEST(NewBitmap, TheMemoryOfAFreedPhotoSizedBitmapServesTheNextOfAboutItsSize) {
    const QImage first = imaging::detail::NewBitmap(2000, 1100); // takes whatever was kept before
    QImage second = imaging::detail::NewBitmap(2000, 1100);
    ASSERT_NE(first.constBits(), second.constBits()) << "two bitmaps alive at once";
    const uchar* const reused = second.constBits();
    QImage copy = second; // shares the pixels: given back only with the last of them
    second = QImage();
    copy = QImage();
    QImage again = imaging::detail::NewBitmap(1999, 1100);
    EXPECT_EQ(again.constBits(), reused);
    again.fill(0xff123456u); // and it is writable to the end
    EXPECT_EQ(again.pixel(1998, 1099), 0xff123456u);
    again = QImage();
    // Far too small for this one: fresh memory, writable to its end.
    QImage muchLarger = imaging::detail::NewBitmap(4000, 3000);
    ASSERT_EQ(muchLarger.size(), QSize(4000, 3000));
    muchLarger.fill(0xff654321u);
    EXPECT_EQ(muchLarger.pixel(3999, 2999), 0xff654321u);
}
#endif

TEST(ReplaceBitmap, TheOldPixelsStayWithWhoeverStillHoldsThem) {
    for (const QSize size : {QSize(30, 20), QSize(2000, 1100)}) {
        QImage bitmap = numbered(size.width(), size.height());
        const QImage kept = bitmap;
        const QImage expected = kept.copy();
        QImage result = imaging::detail::NewBitmap(7, 3);
        result.fill(0xff010203u);
        imaging::detail::ReplaceBitmap(bitmap, result);
        EXPECT_EQ(bitmap, result);
        EXPECT_EQ(kept, expected) << size.width() << "x" << size.height();
    }
    QImage alone = imaging::detail::NewBitmap(2000, 1100); // the last reference: freed on the pool
    imaging::detail::ReplaceBitmap(alone, QImage());
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_TRUE(alone.isNull());
}

TEST(RowBands, EveryRowIsVisitedExactlyOnce) {
    for (const int height : {0, 1, 7, 300, 4001}) {
        std::vector<std::atomic<int>> visits(static_cast<std::size_t>(height));
        imaging::detail::ForEachRowBand(height, 1000, [&](int first, int end) {
            ASSERT_LE(0, first);
            ASSERT_LT(first, end);
            ASSERT_LE(end, height);
            for (int y = first; y < end; ++y)
                ++visits[static_cast<std::size_t>(y)];
        });
        for (int y = 0; y < height; ++y)
            ASSERT_EQ(visits[static_cast<std::size_t>(y)], 1) << "row " << y << " of " << height;
    }
}

TEST(RowBands, TheCallerWorksAloneWhileEveryPoolThreadIsBusy) {
    // A pool thread that splits work while the other pool threads wait (on it, or on anything) must
    // neither wait for them nor deadlock: the calling thread takes every band itself.
    QThreadPool* pool = QThreadPool::globalInstance();
    QSemaphore release;
    QSemaphore blocked;
    for (int i = 0; i < pool->maxThreadCount(); ++i)
        pool->start([&] {
            blocked.release();
            release.acquire();
        });
    blocked.acquire(pool->maxThreadCount());
    std::atomic<int> elsewhere{0};
    std::atomic<int> rows{0};
    const QThread* caller = QThread::currentThread();
    imaging::detail::ForEachRowBand(4000, 1000, [&](int first, int end) {
        rows += end - first;
        if (QThread::currentThread() != caller)
            ++elsewhere;
    });
    EXPECT_EQ(rows, 4000);
    EXPECT_EQ(elsewhere, 0);
    release.release(pool->maxThreadCount());
    pool->waitForDone();
}

TEST(RowBands, ABandThatThrowsIsRethrownOnceNoBandRuns) {
    std::atomic<int> running{0};
    std::atomic<int> after{-1};
    const auto split = [&] {
        imaging::detail::ForEachRowBand(4000, 1000, [&](int first, int end) {
            ++running;
            QThread::msleep(2);
            --running;
            if (first <= 100 && 100 < end)
                throw std::runtime_error("band");
        });
    };
    try {
        split();
        ADD_FAILURE() << "nothing thrown";
    } catch (const std::runtime_error& e) {
        after = running.load();
        EXPECT_STREQ(e.what(), "band");
    }
    EXPECT_EQ(after, 0) << "a band was still running when the failure arrived";
}

} // namespace
