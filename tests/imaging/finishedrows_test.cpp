#include "imaging/filters.h"
#include "imaging/finishedrows.h"
#include "imaging/resample.h"
#include "imaging/rotate.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <functional>

namespace {

// Every pixel different, alpha varying: a copy taken from the wrong pixel or keeping alpha shows.
QImage varied(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgba((x * 7 + y) & 255, (y * 5) & 255, (x ^ y) & 255, (x + 3 * y) & 255);
    }
    return image;
}

// What the viewer makes of the whole result by itself.
QImage viewersCopy(const QImage& result, QSize size) {
    QImage copy(size, QImage::Format_RGB32);
    imaging::ScaleNearestInto(result, copy, true);
    return copy;
}

using Effect = std::function<void(QImage&, const imaging::FinishedRows&)>;

imaging::NamedKernel singleTap(int weight) {
    imaging::NamedKernel k;
    k.weights[24] = weight;
    k.divisor = weight;
    return k;
}

TEST(FinishedRows, EveryEffectHandsOnTheRowsOfTheViewersCopy) {
    const struct {
        const char* name;
        Effect run;
    } effects[] = {
        {"sharpen",
         [](QImage& b, const auto& f) { imaging::ApplyNamedFilter(b, QStringLiteral("SHARPEN"), f); }},
        {"blur",
         [](QImage& b, const auto& f) { imaging::ApplyNamedFilter(b, QStringLiteral("BLURMORE"), f); }},
        {"32-bit sums", [](QImage& b, const auto& f) { imaging::ApplyKernel(b, singleTap(1000), f); }},
        {"64-bit sums", [](QImage& b, const auto& f) { imaging::ApplyKernel(b, singleTap(10000000), f); }},
        {"left turn", [](QImage& b, const auto& f) { imaging::Rotate(b, imaging::QuarterTurn::Left, f); }},
        {"right turn", [](QImage& b, const auto& f) { imaging::Rotate(b, imaging::QuarterTurn::Right, f); }},
    };
    // Shrunk unevenly, and enlarged: every row and column rule at its edges.
    const struct {
        const char* name;
        imaging::NearestCopyFromRows::TargetFor size;
    } copies[] = {
        {"shrunk",
         [](QSize s) { return QSize(std::max(1, s.width() * 2 / 7), std::max(1, s.height() * 3 / 11)); }},
        {"enlarged", [](QSize s) { return QSize(s.width() * 2 + 1, s.height() + 3); }},
    };
    // One band on the calling thread, and photos spread over the pool (the last band short).
    for (const QSize size : {QSize(9, 8), QSize(700, 450), QSize(1030, 301)}) {
        const QImage source = varied(size.width(), size.height());
        for (const auto& e : effects) {
            for (const auto& c : copies) {
                imaging::NearestCopyFromRows copy(c.size);
                QImage handedOn = source;
                e.run(handedOn, copy.sink());
                QImage plain = source;
                e.run(plain, {});
                EXPECT_EQ(handedOn, plain) << e.name << ": handing rows on changes nothing";
                EXPECT_EQ(copy.result(), viewersCopy(plain, c.size(plain.size())))
                    << e.name << " " << c.name << " " << size.width() << "x" << size.height();
            }
        }
    }
}

TEST(FinishedRows, NoCopyUnlessEveryRowOfOneResultArrived) {
    const auto quarter = [](QSize s) { return s / 4; };
    const QImage photo = varied(400, 300);
    {
        imaging::NearestCopyFromRows copy(quarter);
        QImage b = photo;
        imaging::ApplyNamedFilter(b, QStringLiteral("NOSUCHFILTER"), copy.sink());
        EXPECT_TRUE(copy.result().isNull()) << "an unknown filter changes nothing and hands on nothing";
    }
    {
        imaging::NearestCopyFromRows copy(quarter);
        QImage tiny = varied(6, 6);
        imaging::ApplyNamedFilter(tiny, QStringLiteral("SHARPEN"), copy.sink());
        EXPECT_TRUE(copy.result().isNull()) << "under 7 x 7 nothing changes";
    }
    {
        imaging::NearestCopyFromRows copy([](QSize) { return QSize(); });
        QImage b = photo;
        imaging::Rotate(b, imaging::QuarterTurn::Left, copy.sink());
        EXPECT_TRUE(copy.result().isNull()) << "no copy wanted";
    }
    const imaging::RowsView rows{photo.size(), photo.constBits(), photo.bytesPerLine(), 4};
    {
        imaging::NearestCopyFromRows copy(quarter);
        copy.take(0, 150, rows);
        EXPECT_TRUE(copy.result().isNull()) << "half the rows";
        copy.take(150, 300, {photo.size(), photo.constScanLine(150), photo.bytesPerLine(), 4});
        EXPECT_EQ(copy.result(), viewersCopy(photo, QSize(100, 75)));
    }
    {
        imaging::NearestCopyFromRows copy(quarter);
        imaging::RowsView leftPart = rows;
        leftPart.endColumn = 250;
        copy.take(0, 300, leftPart);
        EXPECT_TRUE(copy.result().isNull()) << "the left part of every row";
        imaging::RowsView rightPart = rows;
        rightPart.firstColumn = 250;
        copy.take(0, 300, rightPart);
        EXPECT_EQ(copy.result(), viewersCopy(photo, QSize(100, 75)));
    }
    {
        imaging::NearestCopyFromRows copy(quarter);
        copy.take(0, 150, rows);
        const QImage other = varied(400, 301);
        copy.take(150, 301, {other.size(), other.constScanLine(150), other.bytesPerLine(), 4});
        EXPECT_TRUE(copy.result().isNull()) << "rows of a result of another size are not taken";
    }
}

} // namespace
