// The automatic choice of a height cut's band: a table over one portrait photo, and the promise that a
// lone head any band can keep is kept.
#include "imaging/bandchoice.h"

#include <gtest/gtest.h>

#include <random>

using namespace imaging;

namespace {

constexpr auto Top = CropAlignment::Top;
constexpr auto Centre = CropAlignment::Centre;
constexpr auto Bottom = CropAlignment::Bottom;

// A face 200 pixels square whose top is at `y`; its head reaches 70 pixels higher.
QRect FaceAt(int y, int x = 1000, int side = 200) {
    return {x, y, side, side};
}

// Detail rows: `strips` strips, those listed carrying 100, the rest 1.
std::vector<long long> DetailIn(std::initializer_list<int> busy, int strips = 40) {
    std::vector<long long> d(static_cast<std::size_t>(strips), 1);
    for (const int i : busy)
        d[static_cast<std::size_t>(i)] = 100;
    return d;
}

struct Case {
    const char* what;
    QSize size;
    int format;
    std::vector<QRect> faces;
    std::vector<long long> detail;
    CropAlignment expected;
};

} // namespace

TEST(BandChoice, ChoosesTheBandThatKeepsTheHeads) {
    // 3000 × 4000 at 10x15 keeps 1938 rows: top 0-1937, centre 1031-2968, bottom 2062-3999.
    const QSize portrait(3000, 4000);
    const std::vector<Case> cases{
        {"nothing found", portrait, 2, {}, {}, Centre},
        {"a face near the top", portrait, 2, {FaceAt(200)}, {}, Top},
        {"a face in the middle only the centre keeps", portrait, 2, {FaceAt(1800)}, {}, Centre},
        {"a face near the bottom", portrait, 2, {FaceAt(3700)}, {}, Bottom},
        {"a face both top and centre keep whole: the tie keeps the centre",
         portrait,
         2,
         {FaceAt(1200)},
         {},
         Centre},
        {"the centre keeps the face but not the head above it", portrait, 2, {FaceAt(1040)}, {}, Top},
        {"more whole faces at the bottom than at the top",
         portrait,
         2,
         {FaceAt(300), FaceAt(3600, 200), FaceAt(3650, 2000)},
         {},
         Bottom},
        {"one face at each end: the top before the bottom",
         portrait,
         2,
         {FaceAt(300), FaceAt(3600)},
         {},
         Top},
        {"a face no band can hold: the most of it", portrait, 2, {QRect(500, 100, 2000, 2600)}, {}, Top},
        {"faces decide before detail", portrait, 2, {FaceAt(3700)}, DetailIn({0, 1, 2}), Bottom},
        {"detail only at the top", portrait, 2, {}, DetailIn({0, 1, 2, 3}), Top},
        {"detail only at the bottom", portrait, 2, {}, DetailIn({36, 37, 38, 39}), Bottom},
        {"detail spread evenly", portrait, 2, {}, DetailIn({}), Centre},
        {"as much detail at both ends: one of them kept, the top first",
         portrait,
         2,
         {},
         DetailIn({0, 39}),
         Top},
        {"a flat photo", portrait, 2, {}, std::vector<long long>(50, 0), Centre},
        {"a width cut ignores the alignment", QSize(4000, 2000), 2, {FaceAt(0)}, {}, Centre},
        {"no cut at all", QSize(1270, 890), 1, {FaceAt(0, 10, 100)}, {}, Centre},
        {"too narrow to cut", QSize(100, 400), 1, {FaceAt(0, 10, 50)}, {}, Centre},
        {"a 4:3 landscape at 10x15: a face at the top edge", QSize(4000, 3000), 2, {FaceAt(20)}, {}, Top},
    };
    for (const Case& c : cases) {
        const PhotoSubjects subjects{c.size, c.faces, c.detail, {}};
        EXPECT_EQ(ChooseAlignment(subjects, c.format), c.expected) << c.what;
    }
}

// Whenever some band keeps a head whole, the chosen band keeps it whole too.
TEST(BandChoice, KeepsALoneHeadWholeWheneverABandCan) {
    std::mt19937 random(21);
    int keepable = 0;
    for (int i = 0; i < 2000; ++i) {
        const QSize size(std::uniform_int_distribution(200, 3000)(random),
                         std::uniform_int_distribution(200, 4000)(random));
        const int format = std::uniform_int_distribution(1, 7)(random);
        const int side = std::uniform_int_distribution(10, size.height() / 2)(random);
        const QRect face(0, std::uniform_int_distribution(0, size.height() - side)(random), side, side);
        const QRect head = HeadOfFace(face, size);
        const PhotoSubjects subjects{size, {face}, {}, {}};
        const auto bandOf = [&](CropAlignment a) {
            return HeightCutBand(size.width(), size.height(), format, a);
        };
        const auto keeps = [&](const std::optional<RowBand>& b) {
            return b && head.top() >= b->top && head.top() + head.height() <= b->top + b->height;
        };
        if (!keeps(bandOf(Top)) && !keeps(bandOf(Centre)) && !keeps(bandOf(Bottom)))
            continue;
        ++keepable;
        EXPECT_TRUE(keeps(bandOf(ChooseAlignment(subjects, format))))
            << size.width() << "x" << size.height() << " format " << format << " face at " << face.top();
    }
    EXPECT_GT(keepable, 500);
}
