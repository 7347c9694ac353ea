#include "imaging/filters.h"

#include "imagefixtures.h"
#include "vectortargets.h"

#include "imaging/filtersrows.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QStringList>

#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

namespace {

using fixtures::RandomImage;

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

TEST(NamedFilter, APhotoCutIntoBandsMatchesTheDefinition) {
    const QImage source = photoLike(640, 480, 9);
    QImage image = source;
    imaging::ApplyNamedFilter(image, QStringLiteral("BLURMORE"));
    EXPECT_EQ(image, referenceConvolution(source, gridOf(kWritten[4])));
}

TEST(NamedFilter, FlatGreySmallBitmapsAndUnknownNamesStayAsTheyWere) {
    struct Case {
        QImage image;
        const char* name;
    };
    const QImage grey = fixtures::Filled(20, 20, qRgb(97, 97, 97));
    // The weights of these add up to their divisor; bitmaps under 7 pixels across are never filtered.
    const Case cases[] = {{grey, "SHARPEN"},
                          {grey, "BLURMORE"},
                          {grey, "AVERAGE"},
                          {grey, "BLUR"},
                          {RandomImage(6, 100, 4), "SHARPEN"},
                          {RandomImage(100, 6, 4), "BLURMORE"},
                          {RandomImage(30, 30, 4), "sharpen"},
                          {RandomImage(30, 30, 4), "UNSHARP"},
                          {RandomImage(30, 30, 4), ""}};
    for (const Case& c : cases) {
        QImage image = c.image;
        imaging::ApplyNamedFilter(image, QString::fromLatin1(c.name));
        EXPECT_EQ(image, c.image) << c.image.width() << "x" << c.image.height() << " " << c.name;
    }
}

TEST(Kernel, WeightsTooLargeForSixteenBitsStillAddUpExactly) {
    imaging::NamedKernel big;
    Grid grid;
    for (const auto& [r, c, w] : {std::tuple{3, 3, 300}, std::tuple{0, 0, -299}, std::tuple{6, 6, 1}})
        big.weights[static_cast<std::size_t>(r * 7 + c)] = grid.k[r][c] = w;
    big.divisor = grid.divisor = 3;
    const QImage source = photoLike(40, 30, 3);
    QImage image = source;
    imaging::ApplyKernel(image, big);
    EXPECT_EQ(image, referenceConvolution(source, grid));
}

TEST(ShortDivision, EveryFifteenBitNumberByEveryDivisorUpTo256AndTheLargest) {
    for (int divisor = 1; divisor <= 32767; divisor = divisor < 256 ? divisor + 1 : divisor * 2 + 1) {
        const auto division = imaging::detail::ShortDivisionBy(divisor);
        for (int x = 0; x < 32768; ++x)
            ASSERT_EQ(imaging::detail::Divide(x, division), x / divisor) << x << " div " << divisor;
    }
}

// Every kernel in every instruction set's copy of the vector loop, at widths that leave every possible
// remainder of a vector (and at widths too narrow for one, which take the general loop), and on the
// smallest bitmap that is filtered at all.
TEST(NamedFilter, EveryKernelOfEveryInstructionSetMatchesTheDefinition) {
    EXPECT_EQ(imaging::NamedFilterNames().size(), std::size(kWritten));
    fixtures::ForEachVectorTarget([](std::int64_t) {
        unsigned seed = 40;
        for (const Written& written : kWritten) {
            const Grid grid = gridOf(written);
            std::vector<QImage> sources{RandomImage(7, 7, seed)};
            for (const int width : {7, 10, 13, 14, 15, 22, 37, 45, 70, 139})
                sources.push_back(written.divisor == 1 ? RandomImage(width, 9, seed)
                                                       : photoLike(width, 9, seed));
            for (const QImage& source : sources) {
                QImage image = source;
                imaging::ApplyNamedFilter(image, QString::fromLatin1(written.name));
                ASSERT_EQ(image, referenceConvolution(source, grid)) << written.name << " " << source.width();
            }
            ++seed;
        }
    });
}

} // namespace
