#include "imaging/filters.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QStringList>

#include <random>

namespace {

// The kernels written out as the middle rows of the 7 × 7 grid, read independently of the library's
// own table.
struct Written {
    const char* name;
    const char* middle; // rows separated by '/', centred in the 7 × 7 grid
    int divisor;
};

const Written kWritten[] = {
    {"EMBOSSCOLOR", "-1 -1 -1 / 0 1 0 / 1 1 1", 1},
    {"EDGEENHANCE", "-1 -2 -1 / -2 16 -2 / -1 -2 -1", 4},
    {"AVERAGE", "1 1 1 / 1 1 1 / 1 1 1", 9},
    {"BLUR", "1 2 1 / 2 4 2 / 1 2 1", 16},
    {"BLURMORE", "0 1 2 1 0 / 1 4 6 4 1 / 2 6 8 6 2 / 1 4 6 4 1 / 0 1 2 1 0", 64},
    {"PREWITT", "1 1 1 / 1 -2 1 / -1 -1 -1", 1},
    {"TRACECOUNTOUR", "-6 -2 -6 / -1 32 -1 / -6 -2 -6", 1},
    {"SHARPEN", "-1 -1 -1 / -1 16 -1 / -1 -1 -1", 8},
    {"SHARPENMORE", "-1 -1 -1 / -1 12 -1 / -1 -1 -1", 4},
    {"ETCH", "-6 2 -6 / -1 32 -1 / -6 -2 -6", 1},
    {"LAPLACIANOMNIDIR", "-1 -1 -1 / -1 8 -1 / -1 -1 -1", 1},
    {"SOBELPASS", "1 2 1 / 0 0 0 / -1 -2 -1", 1},
};

struct Grid {
    int k[7][7] = {};
    int divisor = 1;
};

Grid gridOf(const Written& written) {
    Grid grid;
    grid.divisor = written.divisor;
    const QStringList rows = QString::fromLatin1(written.middle).split(QLatin1Char('/'));
    const int offset = (7 - static_cast<int>(rows.size())) / 2;
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList values = rows[r].simplified().split(QLatin1Char(' '));
        for (int c = 0; c < values.size(); ++c)
            grid.k[r + offset][c + offset] = values[c].toInt();
    }
    return grid;
}

// Straight from the definition: every interior pixel, every channel, 49 products.
QImage referenceConvolution(const QImage& in, const Grid& grid) {
    QImage out = in;
    for (int y = 3; y <= in.height() - 4; ++y)
        for (int x = 3; x <= in.width() - 4; ++x) {
            int sum[3] = {0, 0, 0};
            for (int r = 0; r < 7; ++r)
                for (int c = 0; c < 7; ++c) {
                    const QRgb p = in.pixel(x + c - 3, y + r - 3);
                    sum[0] += grid.k[r][c] * qRed(p);
                    sum[1] += grid.k[r][c] * qGreen(p);
                    sum[2] += grid.k[r][c] * qBlue(p);
                }
            int v[3];
            for (int i = 0; i < 3; ++i)
                v[i] = std::clamp(sum[i] / grid.divisor, 0, 255);
            out.setPixel(x, y, qRgba(v[0], v[1], v[2], 255));
        }
    return out;
}

QImage randomImage(int w, int h, unsigned seed) {
    QImage image(w, h, QImage::Format_ARGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, static_cast<QRgb>(rng()));
    return image;
}

// Smooth areas with a few edges: sums stay inside 0..255 for many pixels, so the divisions matter.
QImage photoLike(int w, int h, unsigned seed) {
    QImage image(w, h, QImage::Format_ARGB32);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int base = (x * 255 / w + (y / 17 % 2) * 60) % 256;
            image.setPixel(x, y,
                           qRgba(std::clamp(base + noise(rng), 0, 255),
                                 std::clamp(255 - base + noise(rng), 0, 255),
                                 std::clamp(128 + noise(rng), 0, 255), 200));
        }
    return image;
}

TEST(NamedFilter, EveryKernelMatchesTheDefinitionOnRandomImages) {
    unsigned seed = 1;
    for (const Written& written : kWritten) {
        const Grid grid = gridOf(written);
        for (const QImage& source : {randomImage(23, 17, seed), photoLike(37, 29, seed + 100)}) {
            QImage image = source;
            imaging::ApplyNamedFilter(image, QString::fromLatin1(written.name));
            ASSERT_EQ(image, referenceConvolution(source, grid)) << written.name;
        }
        ++seed;
    }
}

TEST(NamedFilter, LargeBitmapsCutIntoBandsGiveTheSameResult) {
    for (const char* name : {"BLURMORE", "SHARPEN"}) {
        const QImage source = photoLike(640, 480, 9);
        QImage image = source;
        imaging::ApplyNamedFilter(image, QString::fromLatin1(name));
        const auto it = std::find_if(std::begin(kWritten), std::end(kWritten),
                                     [&](const Written& w) { return qstrcmp(w.name, name) == 0; });
        ASSERT_EQ(image, referenceConvolution(source, gridOf(*it))) << name;
    }
}

TEST(NamedFilter, UniformGreyStaysUnderSharpenAndBlurMore) {
    for (const char* name : {"SHARPEN", "BLURMORE", "AVERAGE", "BLUR"}) {
        QImage image(20, 20, QImage::Format_ARGB32);
        image.fill(qRgb(97, 97, 97));
        const QImage before = image;
        imaging::ApplyNamedFilter(image, QString::fromLatin1(name));
        EXPECT_EQ(image, before) << name;
    }
}

TEST(NamedFilter, SmallBitmapsUnknownNamesAndTheBorderAreLeftAlone) {
    struct Case {
        int w, h;
        const char* name;
    };
    const Case untouched[] = {
        {6, 100, "SHARPEN"}, {100, 6, "BLURMORE"}, {30, 30, "sharpen"}, {30, 30, "UNSHARP"}, {30, 30, ""}};
    for (const Case& c : untouched) {
        QImage image = randomImage(c.w, c.h, 4);
        const QImage before = image;
        imaging::ApplyNamedFilter(image, QString::fromLatin1(c.name));
        EXPECT_EQ(image, before) << c.w << "x" << c.h << " " << c.name;
    }
    QImage image = randomImage(7, 7, 5);
    const QImage before = image;
    imaging::ApplyNamedFilter(image, QStringLiteral("LAPLACIANOMNIDIR"));
    int changed = 0;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            if (x != 3 || y != 3)
                EXPECT_EQ(image.pixel(x, y), before.pixel(x, y)) << x << "," << y;
            else
                changed += image.pixel(x, y) != before.pixel(x, y);
    EXPECT_EQ(changed, 1) << "a 7 x 7 bitmap has exactly one interior pixel";
}

TEST(NamedFilter, KernelsSitInTheMiddleOfTheGrid) {
    const auto blurMore = imaging::NamedFilterKernel(QStringLiteral("BLURMORE"));
    ASSERT_TRUE(blurMore.has_value());
    EXPECT_EQ(blurMore->divisor, 64);
    EXPECT_EQ(blurMore->weights[3 * 7 + 3], 8);
    EXPECT_EQ(blurMore->weights[1 * 7 + 3], 2);
    EXPECT_EQ(blurMore->weights[0 * 7 + 3], 0);
    const auto etch = imaging::NamedFilterKernel(QStringLiteral("ETCH"));
    ASSERT_TRUE(etch.has_value());
    EXPECT_EQ(etch->weights[2 * 7 + 3], 2);  // the top middle is +2 ...
    EXPECT_EQ(etch->weights[4 * 7 + 3], -2); // ... and the bottom middle −2
    EXPECT_FALSE(imaging::NamedFilterKernel(QStringLiteral("Blur")).has_value());
    EXPECT_EQ(imaging::NamedFilterNames().size(), std::size(kWritten));
}

TEST(Kernel, WeightsTooLargeForSixteenBitsStillAddUpExactly) {
    imaging::NamedKernel big;
    big.weights[3 * 7 + 3] = 300;
    big.weights[0] = -299;
    big.weights[48] = 1;
    big.divisor = 3;
    Grid grid;
    grid.k[3][3] = 300;
    grid.k[0][0] = -299;
    grid.k[6][6] = 1;
    grid.divisor = 3;
    const QImage source = photoLike(40, 30, 3);
    QImage image = source;
    imaging::ApplyKernel(image, big);
    EXPECT_EQ(image, referenceConvolution(source, grid));
}

} // namespace
