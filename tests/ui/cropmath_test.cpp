#include "ui/edit/cropmath.h"

#include <gtest/gtest.h>

namespace {

using cropmath::CropChoices;
using H = RubberBandLayer::Handle;
using D = viewmath::DragDirection;

const cropmath::CropChoice& choiceNamed(const char* button) {
    for (const auto& c : CropChoices())
        if (QLatin1String(c.button) == QLatin1String(button))
            return c;
    ADD_FAILURE() << button;
    return CropChoices()[cropmath::kFreeChoice];
}

TEST(CropMath, FormatLockedDragsPerDirection) {
    struct Case {
        const char* what;
        viewmath::DragRect in;
        int p, q, height;
        viewmath::DragRect out;
    };
    const Case cases[] = {
        // 10x15 from (100, 100) to (400, 900): landscape 300 x 200.
        {"10x15 right-down", {100, 100, 400, 900, D::RightDown}, 3, 2, 1000, {100, 100, 400, 300}},
        // 9x13, width 1000 from top 700 in a 1200-pixel-high photo: bottom stops at 1200.
        {"9x13 hits the bottom", {50, 700, 1050, 1100, D::RightDown}, 13, 9, 1200, {50, 700, 772, 1200}},
        {"left-down", {100, 100, 400, 900, D::LeftDown}, 3, 2, 1000, {100, 100, 400, 300}},
        {"left-down hits the bottom", {0, 900, 600, 950, D::LeftDown}, 3, 2, 1000, {450, 900, 600, 1000}},
        {"left-up", {100, 100, 400, 900, D::LeftUp}, 3, 2, 1000, {100, 700, 400, 900}},
        {"left-up hits the top", {100, 0, 700, 100, D::LeftUp}, 3, 2, 1000, {550, 0, 700, 100}},
        {"right-up", {100, 0, 400, 900, D::RightUp}, 3, 2, 1000, {100, 700, 400, 900}},
        {"right-up hits the top", {100, 0, 700, 100, D::RightUp}, 3, 2, 1000, {100, 0, 250, 100}},
        {"13x18 truncates", {0, 0, 100, 500, D::RightDown}, 18, 13, 1000, {0, 0, 100, 72}},
    };
    for (const Case& c : cases) {
        viewmath::DragRect r = c.in;
        cropmath::LockDrag(r, c.p, c.q, c.height);
        EXPECT_EQ(r.left, c.out.left) << c.what;
        EXPECT_EQ(r.top, c.out.top) << c.what;
        EXPECT_EQ(r.right, c.out.right) << c.what;
        EXPECT_EQ(r.bottom, c.out.bottom) << c.what;
    }
}

TEST(CropMath, CornerRulesKeepTheFormatsProportions) {
    // 10x15 is 152 : 102 mm; the photo is 2000 x 1500.
    struct Case {
        const char* what;
        H handle;
        BitmapRect proposed;
        BitmapRect expected;
    };
    const Case cases[] = {
        {"bottom-right", H::BottomRight, {100, 100, 400, 500}, {100, 100, 400, 301}},
        {"bottom-right hits the bottom", H::BottomRight, {100, 1300, 700, 1400}, {100, 1300, 398, 1500}},
        {"bottom-right hits the right", H::BottomRight, {1800, 100, 2100, 200}, {1800, 100, 2000, 234}},
        {"top-left", H::TopLeft, {100, 50, 400, 500}, {100, 299, 400, 500}},
        {"top-left hits the top", H::TopLeft, {100, 0, 1000, 300}, {553, 0, 1000, 300}},
        {"top-left hits the left", H::TopLeft, {-50, 0, 300, 800}, {0, 599, 300, 800}},
        {"top-right", H::TopRight, {100, 100, 400, 600}, {100, 399, 400, 600}},
        {"top-right hits the right", H::TopRight, {1700, 500, 2300, 900}, {1700, 699, 2000, 900}},
        {"bottom-left", H::BottomLeft, {100, 100, 400, 600}, {100, 100, 400, 301}},
        {"bottom-left hits the left", H::BottomLeft, {-100, 100, 300, 200}, {0, 100, 300, 301}},
    };
    for (const Case& c : cases) {
        BitmapRect n = c.proposed;
        cropmath::ResizeFrame({100, 100, 400, 300}, n, c.handle, choiceNamed("rbKadrowanie1015"), 2000, 1500);
        EXPECT_EQ(n, c.expected) << c.what << ": " << n.left << " " << n.top << " " << n.right << " "
                                 << n.bottom;
    }
}

TEST(CropMath, MovesKeepTheSizeAndFreeResizesAreClamped) {
    const BitmapRect old{100, 100, 400, 300};
    struct Case {
        const char* what;
        const char* choice;
        H handle;
        BitmapRect proposed;
        BitmapRect expected;
    };
    const Case cases[] = {
        {"move past the left",
         "rbKadrowanieDowolne",
         H::Inside,
         {-20.4f, 50, 279.6f, 250},
         {0, 50, 300, 250}},
        {"move past the top", "rbKadrowanie1015", H::Centre, {50, -30, 350, 170}, {50, 0, 350, 200}},
        {"move past the right", "rbKadrowanie913", H::Inside, {1800, 50, 2100, 250}, {1700, 50, 2000, 250}},
        {"move past the bottom",
         "rbKadrowanieDowolne",
         H::Inside,
         {50, 1400, 350, 1600},
         {50, 1300, 350, 1500}},
        {"free side", "rbKadrowanieDowolne", H::Right, {100, 100, 2500, 300}, {100, 100, 2000, 300}},
        {"free corner", "rbKadrowanieDowolne", H::TopLeft, {-5, -7, 400, 300}, {0, 0, 400, 300}},
        {"rounded",
         "rbKadrowanieDowolne",
         H::BottomRight,
         {100.4f, 100.5f, 399.5f, 300.6f},
         {100, 100, 400, 301}},
    };
    for (const Case& c : cases) {
        BitmapRect n = c.proposed;
        cropmath::ResizeFrame(old, n, c.handle, choiceNamed(c.choice), 2000, 1500);
        EXPECT_EQ(n, c.expected) << c.what;
    }
}

TEST(CropMath, QualityIndicatorThresholdsForEveryChoice) {
    const struct {
        const char* button;
        const char* caption;
        int minimum;
    } rows[] = {{"rbKadrowanie913", "9x13", 640},    {"rbKadrowanie1013", "10x13", 1024},
                {"rbKadrowanie1015", "10x15", 1024}, {"rbKadrowanie1318", "13x18", 1152},
                {"rbKadrowanie1521", "15x21", 1425}, {"rbKadrowanie2030", "20x30", 1600},
                {"rbKadrowanie3045", "30x45", 1600}};
    ASSERT_EQ(CropChoices().size(), 8u);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const cropmath::CropChoice& c = CropChoices()[i];
        EXPECT_STREQ(c.button, rows[i].button);
        EXPECT_EQ(c.caption(), QString::fromLatin1(rows[i].caption));
        EXPECT_EQ(cropmath::QualityOf(true, rows[i].minimum, c), cropmath::Quality::Good) << c.button;
        EXPECT_EQ(cropmath::QualityOf(true, rows[i].minimum - 1, c), cropmath::Quality::Medium) << c.button;
        EXPECT_EQ(cropmath::QualityOf(false, 5000, c), cropmath::Quality::None) << c.button;
    }
    const cropmath::CropChoice& free = CropChoices()[cropmath::kFreeChoice];
    EXPECT_EQ(free.caption(), QStringLiteral("dowolna"));
    EXPECT_EQ(cropmath::QualityOf(true, 1100, free), cropmath::Quality::Blank);
    // 1100 wide: good for 10x15, medium for 13x18.
    EXPECT_EQ(cropmath::QualityOf(true, 1100, choiceNamed("rbKadrowanie1015")), cropmath::Quality::Good);
    EXPECT_EQ(cropmath::QualityOf(true, 1100, choiceNamed("rbKadrowanie1318")), cropmath::Quality::Medium);
}

TEST(CropMath, SelectionTextTruncates) {
    EXPECT_EQ(cropmath::SelectionText({0.9f, 0, 1100.7f, 733.9f}), QStringLiteral("Wymiar: 1099x733"));
    EXPECT_EQ(cropmath::SelectionText({100, 100, 400, 300}), QStringLiteral("Wymiar: 300x200"));
}

} // namespace
