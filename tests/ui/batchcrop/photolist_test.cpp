#include "ui/batchcrop/photolist.h"

#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace {

using ui::AlignmentHit;

TEST(PhotoListHit, EveryBoundaryOfTheThreeGlyphs) {
    const struct {
        int x;
        int y;
        int rows;
        AlignmentHit hit;
    } cases[] = {
        // Across: top 136 <= x < 175, centre 207 <= x < 246, bottom 277 < x < 317.
        {135, 60, 3, {}},
        {136, 60, 3, {0, 1}},
        {174, 60, 3, {0, 1}},
        {175, 60, 3, {}},
        {206, 60, 3, {}},
        {207, 60, 3, {0, 2}},
        {245, 60, 3, {0, 2}},
        {246, 60, 3, {}},
        {277, 60, 3, {}},
        {278, 60, 3, {0, 3}},
        {316, 60, 3, {0, 3}},
        {317, 60, 3, {}},
        // Down: strictly between 101·row + 35 and 101·row + 83.
        {150, 35, 3, {}},
        {150, 36, 3, {0, 1}},
        {150, 82, 3, {0, 1}},
        {150, 83, 3, {}},
        {150, 136, 3, {}},
        {150, 137, 3, {1, 1}},
        {210, 183, 3, {1, 2}},
        {210, 184, 3, {}},
        {300, 238, 3, {2, 3}},
        {300, 285, 3, {}},
        // Below the last row, and nothing at all.
        {300, 303 + 50, 3, {}},
        {300, 101 + 50, 1, {}},
        {150, 60, 0, {}},
        {150, -40, 3, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::HitAlignment({c.x, c.y}, c.rows), c.hit) << c.x << "," << c.y << " rows " << c.rows;
}

TEST(PhotoListHit, RowsMetByAnArea) {
    const struct {
        QRect area;
        int rows;
        ui::RowSpan span;
    } cases[] = {
        {{0, 0, 400, 212}, 500, {0, 2}},   {{0, 100, 400, 2}, 500, {0, 1}},
        {{0, 101, 400, 101}, 500, {1, 1}}, {{0, 5050, 400, 212}, 500, {50, 52}},
        {{0, 0, 400, 900}, 3, {0, 2}},     {{0, 0, 400, 212}, 0, {0, -1}},
        {{0, 0, 0, 0}, 5, {0, -1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui::RowsIn(c.area, c.rows), c.span) << c.area.y() << "+" << c.area.height();
}

QList<ui::WizardEntry> photos(int n) {
    QList<ui::WizardEntry> entries;
    for (int i = 0; i < n; ++i)
        entries.append({QStringLiteral("p%1").arg(i), QStringLiteral(".jpg"), {}, {}, false});
    return entries;
}

TEST(PhotoList, ALongListPaintsOnlyTheRowsInView) {
    QScrollArea area;
    area.setWidgetResizable(true);
    area.resize(466, 212);
    auto* list = new ui::PhotoList;
    area.setWidget(list);
    list->setEntries(photos(500), 0);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    EXPECT_EQ(list->height(), 500 * 101);
    area.verticalScrollBar()->setValue(101 * 300);
    list->repaint();
    const ui::RowSpan painted = list->lastPainted();
    EXPECT_GE(painted.first, 299);
    EXPECT_LE(painted.last, 303);
}

} // namespace
