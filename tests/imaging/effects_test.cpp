// The pixel effects of the editor: colour corrections, named filters, turns, scaling and red-eye.
#include "imagefixtures.h"

#include "imaging/colour.h"
#include "imaging/filters.h"
#include "imaging/filtersrows.h"
#include "imaging/finishedrows.h"
#include "imaging/redeye.h"
#include "imaging/resample.h"
#include "imaging/rotate.h"

#include <cmath>
#include <numbers>
#include <random>

using fixtures::RandomImage;

namespace {

// `effect` run on `source` under every instruction set must give `expected` (or the first set's result).
template <typename Effect>
void expectEveryTarget(const QImage& source, const Effect& effect, QImage expected = {}) {
    fixtures::ForEachVectorTarget([&] {
        QImage image = source.copy();
        effect(image);
        if (expected.isNull())
            expected = image;
        EXPECT_TRUE(image == expected) << "one whole-image comparison"; // not millions of pixel checks
    });
}

// Every channel order of (lo, mid, hi) for every lo ≤ hi with mid at lo, half-way and hi, and for every
// spread hi − lo with every mid: every value of every channel, every (max, min) and every (difference,
// spread) of the hue occurs. Alpha 0x5a.
const QImage& everyColour() {
    static const QImage image = [] {
        std::vector<QRgb> colours;
        const auto addOrders = [&colours](int lo, int mid, int hi) {
            for (const auto& [r, g, b] :
                 {std::array{hi, mid, lo}, std::array{hi, lo, mid}, std::array{mid, hi, lo},
                  std::array{lo, hi, mid}, std::array{mid, lo, hi}, std::array{lo, mid, hi}})
                colours.push_back(qRgba(r, g, b, 0x5a));
        };
        for (int hi = 0; hi < 256; ++hi)
            for (int lo = 0; lo <= hi; ++lo)
                for (const int mid : {lo, (lo + hi) / 2, hi})
                    addOrders(lo, mid, hi);
        for (int d = 1; d < 256; ++d)
            for (int mid = 0; mid <= d; ++mid)
                addOrders(0, mid, d);
        QImage all(1021, static_cast<int>(colours.size() + 1020) / 1021,
                   QImage::Format_ARGB32); // rows end mid-vector
        all.fill(0);
        std::copy(colours.begin(), colours.end(), reinterpret_cast<QRgb*>(all.bits()));
        return all;
    }();
    return image;
}

template <typename PerPixel>
QImage eachColourThrough(const PerPixel& perPixel) {
    QImage out = everyColour().copy();
    auto* pixels = reinterpret_cast<QRgb*>(out.bits());
    std::transform(pixels, pixels + out.width() * out.height(), pixels, perPixel);
    return out;
}

TEST(Colour, WorkedPixelsAndTablesAndTheSameOnEveryInstructionSet) {
    // Greyscale weighs the channels of any format; sepia maps the luma through its table, where
    // (627049 × 128 + 1231028 × 64 + 239075 × 192 + 2^20) >> 21 = 98.
    const auto sepia = imaging::SepiaTable();
    const std::tuple<void (*)(QImage&), QRgb, QRgb> pixels[] = {
        {imaging::ToGreyscale, qRgb(255, 0, 0), qRgb(60, 60, 60)},
        {imaging::ToGreyscale, qRgb(0, 255, 0), qRgb(173, 173, 173)},
        {imaging::ToGreyscale, qRgb(0, 0, 255), qRgb(20, 20, 20)},
        {imaging::ToGreyscale, qRgba(255, 255, 255, 0), qRgb(255, 255, 255)},
        {imaging::ToSepia, qRgba(255, 255, 255, 0), qRgb(255, 244, 192)},
        {imaging::ToSepia, qRgb(128, 64, 192), sepia[98]}};
    for (const auto& [effect, in, out] : pixels) {
        // Opaque colours come in another format; transparent ones show that alpha is ignored.
        QImage image = fixtures::Filled(2, 2, in).convertToFormat(qAlpha(in) == 255 ? QImage::Format_RGB888
                                                                                    : QImage::Format_ARGB32);
        effect(image);
        EXPECT_EQ(std::pair(image.format(), image.pixel(1, 1)), std::pair(QImage::Format_ARGB32, out))
            << std::hex << in;
    }
    EXPECT_EQ(std::tuple(sepia[0], sepia[64], sepia[255]),
              std::tuple(qRgb(46, 0, 0), qRgb(110, 53, 1), qRgb(255, 244, 192)));
    // At +1 the product with 255 decides v = 96..127 and 191: in single precision they come out one lower;
    // at -1 every 127.5 goes to the even neighbour.
    for (std::size_t v = 0; v < 256; ++v)
        EXPECT_EQ(std::tuple(imaging::ContrastTable(-1.0)[v], imaging::ContrastTable(0.0)[v],
                             imaging::ContrastTable(1.0)[v]),
                  std::tuple(128, v, std::clamp(2 * int(v) - 127, 0, 255)))
            << v;
    // The bracket is stored in single precision before the product: 0.4 × (0 − 0.5) + 0.5 becomes
    // 0.30000001, so 76.5 lies above the tie; kept in extended precision these give 76 and 129. For
    // brightness (v / 255 ± 0.5) × 255 is a tie at 2, 126, 127 and 192: the single-precision sum lands just
    // off it and picks the side (a product in single precision would give 130, 254, 254, 64); the sum is
    // stored in single precision too (extended precision gives 25 and 129 at -0.9 and -0.3).
    const auto up = imaging::BrightnessTable(0.5);
    EXPECT_EQ(std::tuple(imaging::ContrastTable(-0.6)[0], imaging::ContrastTable(-0.6)[130], up[2], up[126],
                         up[127]),
              std::tuple(77, 128, 129, 253, 255));
    EXPECT_EQ(std::tuple(imaging::BrightnessTable(-0.5)[192], imaging::BrightnessTable(-0.9)[255],
                         imaging::BrightnessTable(-0.3)[205], imaging::BrightnessTable(1.0)[0],
                         imaging::BrightnessTable(-1.0)[255]),
              std::tuple(65, 26, 128, 255, 0));
    expectEveryTarget(everyColour(), imaging::ToGreyscale);
    expectEveryTarget(everyColour(), imaging::ToSepia);
    for (const double c : {-0.7, 0.45}) {
        const auto contrast = imaging::ContrastTable(c), brightness = imaging::BrightnessTable(c);
        const auto through = [](const imaging::ChannelTable& t) {
            return eachColourThrough([&t](QRgb p) { return qRgb(t[qRed(p)], t[qGreen(p)], t[qBlue(p)]); });
        };
        expectEveryTarget(
            everyColour(), [c](QImage& i) { imaging::AdjustContrast(i, c); }, through(contrast));
        expectEveryTarget(
            everyColour(), [c](QImage& i) { imaging::AdjustBrightness(i, c); }, through(brightness));
    }
}

std::pair<int, int> maxMin(QRgb p) {
    return {std::max({qRed(p), qGreen(p), qBlue(p)}), std::min({qRed(p), qGreen(p), qBlue(p)})};
}

// Worked conversions, then the conversions' own promises over every colour and many triples: the
// lightness is (max + min) / 2 both ways, grey has no saturation, and colours and saturated triples
// survive the round trip up to the integer steps (256 hue steps and integer saturation lose up to 13
// levels on strongly saturated colours).
TEST(Hsl, WorkedConversionsLightnessKeptAndRoundTrips) {
    // H = −21 for (255, 0, 128) wraps by 510 to 489, kept modulo 256; −65025 div 390150 for (255, 0, 1) is
    // 0 towards zero, not −1; when red and green tie, red wins.
    const std::pair<QRgb, imaging::Hsl> cases[] = {
        {qRgb(255, 0, 0), {0, 255, 127}},     {qRgb(0, 255, 0), {85, 255, 127}},
        {qRgb(0, 0, 255), {170, 255, 127}},   {qRgb(128, 128, 128), {0, 0, 128}},
        {qRgb(0, 0, 0), {0, 0, 0}},           {qRgb(255, 255, 255), {0, 0, 255}},
        {qRgb(255, 0, 128), {233, 255, 127}}, {qRgb(255, 0, 1), {0, 255, 127}},
        {qRgb(200, 200, 100), {42, 121, 150}}};
    for (const auto& [rgb, hsl] : cases)
        EXPECT_EQ(imaging::RgbToHsl(qRed(rgb), qGreen(rgb), qBlue(rgb)), hsl) << std::hex << rgb;
    EXPECT_EQ(imaging::HslToRgb({0, 255, 127}), qRgba(253, 1, 1, 0));
    const QImage& colours = everyColour();
    int worst = 0;
    for (int i = 0; i < colours.width() * colours.height(); ++i) {
        const QRgb p = reinterpret_cast<const QRgb*>(colours.constBits())[i];
        const auto [max, min] = maxMin(p);
        const imaging::Hsl hsl = imaging::RgbToHsl(qRed(p), qGreen(p), qBlue(p));
        ASSERT_TRUE(hsl.l == (max + min) / 2 && (hsl.s == 0) == (max == min) && hsl.h >= 0 && hsl.h < 256 &&
                    hsl.s < 256)
            << std::hex << p;
        const QRgb back = imaging::HslToRgb(hsl);
        worst = std::max({worst, std::abs(qRed(back) - qRed(p)), std::abs(qGreen(back) - qGreen(p)),
                          std::abs(qBlue(back) - qBlue(p)),
                          max == min ? 255 * (back != qRgba(max, max, max, 0)) : 0});
    }
    EXPECT_LE(worst, 13);
}

TEST(Hsl, ShiftsOnEveryInstructionSetAreTheBuildingBlocksPixelByPixel) {
    // Hue shifts wrap both ways; the extremes clamp saturation and lightness at both ends.
    for (const auto [h, s, l] :
         {std::array{0, 0, 0}, {37, -80, 12}, {-128, 90, -60}, {-255, 255, -255}, {255, 40, 200}}) {
        SCOPED_TRACE(testing::Message() << h << "," << s << "," << l);
        const QImage expected = eachColourThrough([=](QRgb p) {
            imaging::Hsl hsl = imaging::RgbToHsl(qRed(p), qGreen(p), qBlue(p));
            return imaging::HslToRgb(
                {(hsl.h + h) & 255, std::clamp(hsl.s + s, 0, 255), std::clamp(hsl.l + l, 0, 255)});
        });
        expectEveryTarget(
            everyColour(), [=](QImage& i) { imaging::AdjustHsl(i, h, s, l); }, expected);
        expectEveryTarget(
            everyColour().copy(1017, 77, 3, 2), [=](QImage& i) { imaging::AdjustHsl(i, h, s, l); },
            expected.copy(1017, 77, 3, 2)); // a row too short for one vector
    }
}

// The kernels written out independently of the library's table: the middle rows of the 7 × 7 grid
// (rows separated by '/'), and the divisor.
const std::tuple<const char*, const char*, int> kWritten[] = {
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
    {"SOBELPASS", "1 2 1 / 0 0 0 / -1 -2 -1", 1}};

imaging::NamedKernel kernelOf(const std::tuple<const char*, const char*, int>& written) {
    imaging::NamedKernel kernel;
    kernel.divisor = std::get<2>(written);
    const QStringList rows = QString::fromLatin1(std::get<1>(written)).split('/');
    const auto offset = (7 - rows.size()) / 2;
    for (qsizetype r = 0; r < rows.size(); ++r)
        for (qsizetype c = 0; c < rows[r].simplified().split(' ').size(); ++c)
            kernel.weights[std::size_t((r + offset) * 7 + c + offset)] =
                rows[r].simplified().split(' ')[c].toInt();
    return kernel;
}

// Straight from the definition: every interior pixel, every channel, 49 products, sum div divisor.
QImage referenceConvolution(const QImage& in, const imaging::NamedKernel& k) {
    QImage out = in;
    for (int y = 3; y <= in.height() - 4; ++y)
        for (int x = 3; x <= in.width() - 4; ++x) {
            long long sum[3] = {0, 0, 0};
            for (int i = 0; i < 49; ++i)
                for (const int c : {0, 1, 2})
                    sum[c] += k.weights[std::size_t(i)] *
                              int(in.pixel(x + i % 7 - 3, y + i / 7 - 3) >> (16 - 8 * c) & 255);
            const auto v = [&](int c) { return int(std::clamp<long long>(sum[c] / k.divisor, 0, 255)); };
            out.setPixel(x, y, qRgba(v(0), v(1), v(2), 255));
        }
    return out;
}

// Smooth areas with a little noise: sums stay inside 0..255 for many pixels, so the
// divisions matter.
QImage photoLike(int w, int h, unsigned seed) {
    QImage image = fixtures::Smooth(w, h);
    const QImage noise = RandomImage(w, h, seed, 0xC8000000u);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, (image.pixel(x, y) & 0xF8F8F8) + (noise.pixel(x, y) & 0xC8070707));
    return image;
}

// Every kernel in every instruction set's copy of the vector loop, at widths that leave every remainder
// of a vector (and too narrow for one), on the smallest bitmap filtered at all, and on a photo cut into
// bands; weights too large for sixteen bits still add up exactly.
TEST(Filters, EveryKernelOnEveryInstructionSetMatchesTheDefinition) {
    ASSERT_EQ(imaging::NamedFilterNames().size(), std::size(kWritten));
    for (std::size_t k = 0; k < std::size(kWritten); ++k) {
        const auto& [name, weights, divisor] = kWritten[k];
        SCOPED_TRACE(name);
        EXPECT_STREQ(imaging::NamedFilterNames()[k], name);
        for (const int width : {7, 10, 13, 14, 15, 22, 37, 45, 70, 139}) {
            const auto seed = static_cast<unsigned>(k * 1000 + width);
            const QImage source = divisor == 1 ? RandomImage(width, 9, seed) : photoLike(width, 9, seed);
            expectEveryTarget(
                source, [&](QImage& i) { imaging::ApplyNamedFilter(i, name); },
                referenceConvolution(source, kernelOf(kWritten[k])));
        }
    }
    const QImage photo = photoLike(640, 480, 9);
    QImage blurred = photo;
    imaging::ApplyNamedFilter(blurred, "BLURMORE");
    EXPECT_EQ(blurred, referenceConvolution(photo, kernelOf(kWritten[4])));
    imaging::NamedKernel big;
    big.weights = {-299};
    big.weights[24] = 300;
    big.weights[48] = 1;
    big.divisor = 3;
    const QImage small = photoLike(40, 30, 3);
    expectEveryTarget(
        small, [&](QImage& i) { imaging::ApplyKernel(i, big); }, referenceConvolution(small, big));
    // The weights of SHARPEN and BLURMORE add up to their divisor; bitmaps under 7 pixels across are never
    // filtered; names are exact.
    const QImage grey = fixtures::Filled(20, 20, qRgb(97, 97, 97));
    for (const auto& [image, name] : {std::pair{grey, "SHARPEN"},
                                      {grey, "BLURMORE"},
                                      {RandomImage(6, 100, 4), "SHARPEN"},
                                      {RandomImage(100, 6, 4), "BLURMORE"},
                                      {RandomImage(30, 30, 4), "sharpen"},
                                      {RandomImage(30, 30, 4), "UNSHARP"}}) {
        QImage filtered = image;
        imaging::ApplyNamedFilter(filtered, name);
        EXPECT_EQ(filtered, image) << image.width() << "x" << image.height() << " " << name;
    }
    int wrong = 0; // every fifteen-bit number by every divisor up to 256 and the largest
    for (int divisor = 1; divisor <= 32767; divisor = divisor < 256 ? divisor + 1 : divisor * 2 + 1)
        for (int x = 0; x < 32768; ++x)
            wrong += imaging::detail::Divide(x, imaging::detail::ShortDivisionBy(divisor)) != x / divisor;
    EXPECT_EQ(wrong, 0);
}

// Every instruction set's block moves, on sizes with and without partial blocks and tiles, and on
// photo-sized results written past the cache (rows of whole 16-byte groups) or not. Every pixel is its own
// index.
TEST(Rotate, EveryInstructionSetMovesEveryPixelWhereItBelongs) {
    for (const QSize size : {QSize(1, 1), QSize(1, 9), QSize(4, 4), QSize(7, 5), QSize(130, 67),
                             QSize(1024, 2052), QSize(1023, 2051)}) {
        const int w = size.width(), h = size.height();
        QImage source(size, QImage::Format_ARGB32), left(h, w, QImage::Format_ARGB32),
            right(h, w, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                source.setPixel(x, y, QRgb(y * w + x));
                left.setPixel(y, w - 1 - x, QRgb(y * w + x));
                right.setPixel(h - 1 - y, x, QRgb(y * w + x));
            }
        expectEveryTarget(source, imaging::RotateLeft, left);
        expectEveryTarget(source, imaging::RotateRight, right);
    }
    QImage rgb = fixtures::Quadrants(5, 3).convertToFormat(QImage::Format_RGB32), null;
    const QRgb corner = rgb.pixel(4, 0);
    imaging::RotateLeft(rgb);
    imaging::RotateRight(null);
    EXPECT_EQ(std::tuple(rgb.format(), rgb.pixel(0, 0), null.isNull()),
              std::tuple(QImage::Format_ARGB32, corner, true));
}

// The exact filter in double, one pass down the columns or along the rows, rounded to whole levels like the
// bitmap between the two passes (clamped source positions add up).
QImage referencePass(const QImage& in, int outLength, bool down) {
    const int inLength = down ? in.height() : in.width(), across = down ? in.width() : in.height();
    QImage out(down ? across : outLength, down ? outLength : across, QImage::Format_ARGB32);
    const double scale = double(inLength) / outLength, widen = std::max(1.0, scale);
    for (int i = 0; i < outLength; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        std::vector<double> w(std::size_t(inLength), 0.0);
        double sum = 0;
        for (int j = int(std::floor(centre - 3 * widen)); j <= int(std::ceil(centre + 3 * widen)); ++j) {
            const double x = std::numbers::pi * (j - centre) / widen;
            const double v = x == 0 ? 1
                             : std::abs(x) >= 3 * std::numbers::pi
                                 ? 0
                                 : 3 * std::sin(x) * std::sin(x / 3) / (x * x);
            w[std::size_t(std::clamp(j, 0, inLength - 1))] += v;
            sum += v;
        }
        for (int a = 0; a < across; ++a) {
            double acc[4] = {0, 0, 0, 0};
            for (int s = 0; s < inLength; ++s)
                for (int c = 0; c < 4; ++c)
                    acc[c] += w[std::size_t(s)] / sum *
                              ((down ? in.pixel(a, s) : in.pixel(s, a)) >> (c == 3 ? 24 : 16 - 8 * c) & 255);
            const auto byte = [&](int c) { return std::clamp(int(std::lround(acc[c])), 0, 255); };
            out.setPixel(down ? a : i, down ? i : a, qRgba(byte(0), byte(1), byte(2), byte(3)));
        }
    }
    return out;
}

TEST(Scaling, LanczosMatchesTheExactFilter) {
    unsigned seed = 1;
    // The last is large enough to be cut into bands.
    for (const auto& [in, out] : {std::pair{QSize(64, 48), QSize(17, 13)},
                                  {QSize(50, 40), QSize(23, 37)},
                                  {QSize(9, 7), QSize(31, 20)},
                                  {QSize(1, 1), QSize(5, 4)},
                                  {QSize(600, 400), QSize(150, 100)}}) {
        const QImage source = RandomImage(in.width(), in.height(), seed++, 0xff000000u);
        const QImage scaled = imaging::ScaleLanczos(source, out);
        ASSERT_EQ(scaled.format(), QImage::Format_ARGB32);
        // 14-bit weights against exact ones: a level at most, two where a rounding carries over.
        const QImage exact = referencePass(referencePass(source, out.height(), true), out.width(), false);
        EXPECT_LE(fixtures::MaxChannelDiff(scaled, exact, true), 2)
            << in.width() << "x" << in.height() << " -> " << out.width();
    }
}

constexpr QRgb kSkin = 0xff8c6450; // (140, 100, 80): not red, 140 < Round(1.8 × 100)
constexpr QRgb kRed = 0xffff0000;

// `base` with rectangles of `colour`.
QImage painted(QImage base, std::initializer_list<QRect> rects, QRgb colour = kRed) {
    for (const QRect& r : rects)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                base.setPixel(x, y, colour);
    return base;
}

// `base` with a roundish red blob of 28 pixels in the 6 × 6 box at (x, y): the top and bottom rows keep
// only their middle two.
QImage withDisc(const QImage& base, int x, int y) {
    return painted(base, {QRect(x, y + 1, 6, 4), QRect(x + 2, y, 2, 6)});
}

int changedPixels(const QImage& a, const QImage& b) {
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

// The pupil: the largest roundish blob of red (red above Round(1.8 × green) and above 40); inner pixels
// keep a twentieth of their red, edge pixels a tenth of it plus some of green and blue.
TEST(RedEye, ThePupilIsTheLargestRoundishRedBlob) {
    // 1.8 × 26 = 46.8 rounds to 47: 47 is not above it, 48 is.
    for (const auto& [red, green, isRed] : {std::tuple{200, 100, true},
                                            {180, 100, false},
                                            {40, 0, false},
                                            {41, 0, true},
                                            {47, 26, false},
                                            {48, 26, true}})
        EXPECT_EQ(imaging::IsRedEyeRed(red, green), isRed) << red << "," << green;
    const QImage skin = fixtures::Filled(40, 40, kSkin);
    QImage result;
    // Blobs of one pixel, 16 or 20 pixels are no pupil.
    for (const QImage& source : {skin, painted(skin, {QRect(4, 4, 1, 1)}),
                                 painted(skin, {QRect(2, 2, 5, 4), QRect(20, 20, 4, 4)})}) {
        EXPECT_FALSE(imaging::RemoveRedEye(source, result));
        EXPECT_EQ(result, source);
    }
    // A lone blob of any shape is the pupil; diagonal neighbours form one blob.
    const QImage line = painted(skin, {QRect(0, 4, 40, 1)}),
                 diagonal = painted(skin, {QRect(4, 4, 1, 1), QRect(5, 5, 1, 1)}, qRgb(200, 20, 10));
    ASSERT_TRUE(imaging::RemoveRedEye(line, result));
    EXPECT_EQ(changedPixels(line, result), 40);
    ASSERT_TRUE(imaging::RemoveRedEye(diagonal, result));
    EXPECT_EQ(changedPixels(diagonal, result), 2);
    EXPECT_EQ(result.pixel(4, 4), qRgb(38, 20, 10)); // edge: 0.1 × 200 + 0.7 × 20 + 0.4 × 10
    // A streak of 300 pixels, aspect 3.0, is not round: the disc beside it is the pupil. Inner pixels have
    // all four direct neighbours in the pupil: Round(12.75); the rest Round(25.5), to even.
    const QImage disc = withDisc(painted(skin, {QRect(2, 20, 30, 10)}, qRgb(220, 30, 30)), 17, 7);
    ASSERT_TRUE(imaging::RemoveRedEye(disc, result));
    EXPECT_EQ(changedPixels(disc, result), 28);
    for (const QPoint inner : {QPoint(19, 9), QPoint(19, 8)})
        EXPECT_EQ(result.pixel(inner), qRgb(13, 0, 0));
    for (const QPoint edge : {QPoint(17, 8), QPoint(18, 8), QPoint(17, 9), QPoint(22, 9), QPoint(18, 11)})
        EXPECT_EQ(result.pixel(edge), qRgb(26, 0, 0)) << edge.x() << "," << edge.y();
    ASSERT_TRUE(imaging::RemoveRedEye(fixtures::Filled(6, 4, kRed), result));
    EXPECT_EQ(result, fixtures::Filled(6, 4, qRgb(13, 0, 0))) << "the region's own edges make no edge pixels";
    // A large blob is flooded without recursion: a one-pixel snake of skin winds through the whole region.
    QImage snake = fixtures::Filled(900, 900, kRed);
    for (int x = 1; x < 900; x += 4)
        snake = painted(snake, {QRect(x, (x / 4) % 2, 1, 899)}, kSkin);
    ASSERT_TRUE(imaging::RemoveRedEye(snake, result));
    EXPECT_EQ(std::pair(qRed(result.pixel(0, 0)), result.pixel(1, 0)), std::pair(26, kSkin));
}

// A region partly outside the photo reads black there, and nothing outside the photo is written.
TEST(RedEye, ARegionStaysInsideThePhoto) {
    const QImage before =
        withDisc(fixtures::Filled(30, 30, kSkin), 24, 24); // reaches the bottom-right corner
    QImage bitmap = before;
    ASSERT_TRUE(imaging::RemoveRedEyeInRegion(bitmap, QRect(20, 20, 20, 20)));
    EXPECT_EQ(bitmap.size(), before.size());
    EXPECT_EQ(changedPixels(before, bitmap), 28);
    EXPECT_EQ(bitmap.pixel(29, 27), qRgb(26, 0, 0)); // beside the black beyond the photo: an edge pixel
    EXPECT_EQ(bitmap.pixel(27, 27), qRgb(13, 0, 0));
    QImage untouched = before;
    for (const QRect region : {QRect(40, 40, 10, 10), QRect(0, 0, 0, 10), QRect(0, 0, 10, 10)})
        EXPECT_FALSE(imaging::RemoveRedEyeInRegion(untouched, region));
    EXPECT_EQ(untouched, before);
}

} // namespace

// An effect's rows handed on as it finishes them make the viewer's copy the plain result would make.
TEST(FinishedRows, EveryEffectHandsOnTheRowsOfTheViewersCopy) {
    using Effect = std::function<void(QImage&, const imaging::FinishedRows&)>;
    const std::pair<const char*, Effect> effects[] = {
        {"sharpen", [](QImage& b, const auto& f) { imaging::ApplyNamedFilter(b, "SHARPEN", f); }},
        {"left turn", [](QImage& b, const auto& f) { imaging::Rotate(b, imaging::QuarterTurn::Left, f); }},
        {"right turn", [](QImage& b, const auto& f) { imaging::Rotate(b, imaging::QuarterTurn::Right, f); }}};
    const auto target = [](QSize s) {
        return QSize(std::max(1, s.width() * 2 / 7), std::max(1, s.height() * 3 / 11));
    };
    for (const QSize size : {QSize(9, 8), QSize(1030, 301)})
        for (const auto& [name, run] : effects) {
            imaging::NearestCopyFromRows copy(target);
            QImage handedOn = RandomImage(size.width(), size.height(), 8), plain = handedOn;
            run(handedOn, copy.sink());
            run(plain, {});
            QImage expected(target(plain.size()), QImage::Format_RGB32);
            imaging::ScaleNearestInto(plain, expected, true);
            EXPECT_EQ(handedOn, plain) << name;
            EXPECT_EQ(copy.result(), expected) << name << " " << size.width();
        }
}
