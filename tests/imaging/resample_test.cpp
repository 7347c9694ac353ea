#include "imaging/resample.h"

#include "imagefixtures.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Opaque noise: every pixel an edge, so the negative lobes and the clamping are exercised everywhere.
QImage randomOpaque(int w, int h, unsigned seed) {
    return fixtures::RandomImage(w, h, seed, 0xff000000u);
}

double lanczos3(double x) {
    if (x == 0)
        return 1;
    if (std::abs(x) >= 3)
        return 0;
    const double p = std::numbers::pi * x;
    return 3 * std::sin(p) * std::sin(p / 3) / (p * p);
}

// Exact weights of output i along an axis, per source position (clamped positions add up).
std::vector<double> weightsFor(int i, int inSize, int outSize) {
    const double scale = static_cast<double>(inSize) / outSize;
    const double widen = std::max(1.0, scale);
    const double centre = (i + 0.5) * scale - 0.5;
    std::vector<double> w(static_cast<std::size_t>(inSize), 0.0);
    double sum = 0;
    for (int j = static_cast<int>(std::floor(centre - 3 * widen));
         j <= static_cast<int>(std::ceil(centre + 3 * widen)); ++j) {
        const double v = lanczos3((j - centre) / widen);
        w[static_cast<std::size_t>(std::clamp(j, 0, inSize - 1))] += v;
        sum += v;
    }
    for (double& v : w)
        v /= sum;
    return w;
}

int toByte(double v) {
    return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

// One pass of straightforward sums in double, down the columns or along the rows, rounded to whole
// levels like the bitmap between the two passes.
QImage referencePass(const QImage& in, int outLength, bool down) {
    const int inLength = down ? in.height() : in.width();
    const int across = down ? in.width() : in.height();
    QImage out(down ? across : outLength, down ? outLength : across, QImage::Format_ARGB32);
    for (int i = 0; i < outLength; ++i) {
        const auto w = weightsFor(i, inLength, outLength);
        for (int a = 0; a < across; ++a) {
            double acc[4] = {0, 0, 0, 0};
            for (int s = 0; s < inLength; ++s) {
                const QRgb p = down ? in.pixel(a, s) : in.pixel(s, a);
                const double ws = w[static_cast<std::size_t>(s)];
                acc[0] += ws * qRed(p);
                acc[1] += ws * qGreen(p);
                acc[2] += ws * qBlue(p);
                acc[3] += ws * qAlpha(p);
            }
            const QRgb value = qRgba(toByte(acc[0]), toByte(acc[1]), toByte(acc[2]), toByte(acc[3]));
            out.setPixel(down ? a : i, down ? i : a, value);
        }
    }
    return out;
}

// Columns first, then rows.
QImage referenceLanczos(const QImage& in, QSize size) {
    return referencePass(referencePass(in, size.height(), true), size.width(), false);
}

TEST(Lanczos, MatchesTheExactFilterWithinFixedPointRounding) {
    struct Case {
        QSize in, out;
    };
    const Case cases[] = {{{64, 48}, {17, 13}},    {{50, 40}, {23, 37}}, {{9, 7}, {31, 20}},
                          {{40, 30}, {40, 30}},    {{200, 3}, {7, 3}},   {{1, 1}, {5, 4}},
                          {{600, 400}, {150, 100}}}; // the last one large enough to be cut into bands
    unsigned seed = 1;
    for (const Case& c : cases) {
        const QImage source = randomOpaque(c.in.width(), c.in.height(), seed++);
        const QImage scaled = imaging::ScaleLanczos(source, c.out);
        ASSERT_EQ(scaled.size(), c.out);
        ASSERT_EQ(scaled.format(), QImage::Format_ARGB32);
        // 14-bit weights against exact ones: a level at most, two where a rounding carries over.
        EXPECT_LE(fixtures::MaxChannelDiff(scaled, referenceLanczos(source, c.out), true), 2)
            << c.in.width() << "x" << c.in.height() << " -> " << c.out.width() << "x" << c.out.height();
    }
}

TEST(Lanczos, FlatColourStaysFlatAtEveryRatio) {
    const QImage source =
        fixtures::Filled(301, 199, qRgba(12, 200, 99, 255)).convertToFormat(QImage::Format_RGB32);
    for (const QSize size : {QSize(1, 1), QSize(116, 77), QSize(300, 200), QSize(640, 431), QSize(3, 190)}) {
        const QImage scaled = imaging::ScaleLanczos(source, size);
        ASSERT_EQ(scaled.size(), size);
        EXPECT_EQ(scaled, fixtures::Filled(size.width(), size.height(), qRgba(12, 200, 99, 255)))
            << size.width() << "x" << size.height();
    }
}

TEST(Lanczos, SameSizeIsAnExactCopyAndNullOrEmptyGiveNull) {
    const QImage source = randomOpaque(33, 21, 4);
    EXPECT_EQ(imaging::ScaleLanczos(source, source.size()), source);
    EXPECT_TRUE(imaging::ScaleLanczos(QImage(), QSize(10, 10)).isNull());
    EXPECT_TRUE(imaging::ScaleLanczos(randomOpaque(4, 4, 1), QSize(0, 10)).isNull());
    EXPECT_TRUE(imaging::ScaleNearest(randomOpaque(4, 4, 1), QSize(10, -1)).isNull());
    EXPECT_TRUE(imaging::ScaleNearest(QImage(), QSize(10, 10)).isNull());
}

TEST(Nearest, TakesThePixelUnderTheCentre) {
    QImage source(4, 2, QImage::Format_ARGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            source.setPixel(x, y, qRgba(x, y, 0, 255));
    const QImage half = imaging::ScaleNearest(source, QSize(2, 1));
    EXPECT_EQ(half.pixel(0, 0), qRgba(1, 1, 0, 255));
    EXPECT_EQ(half.pixel(1, 0), qRgba(3, 1, 0, 255));
    const QImage doubled = imaging::ScaleNearest(source.convertToFormat(QImage::Format_RGB888), QSize(8, 4));
    EXPECT_EQ(doubled.format(), QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(doubled.pixel(x, y), source.pixel(x / 2, y / 2)) << x << "," << y;
}

} // namespace
