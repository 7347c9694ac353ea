#include "ui/browser/photobrowser.h"
#include "ui/browser/thumbnailcell.h"
#include "ui/viewer/viewerbars.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

using ui::ViewKind;

TEST(BrowserLayout, Table) {
    struct Case {
        ViewKind kind;
        int count, width, bar;
        int columns, rows;
        QSize size;
    } cases[] = {
        {ViewKind::Icons, 5, 348 + 16 + 50, 16, 3, 2, QSize(348, 232)}, // cells plus the scroll bar
        {ViewKind::Icons, 0, 300, 16, 2, 0, QSize(232, 0)},
        {ViewKind::Icons, 1, 248, 16, 2, 1, QSize(232, 116)},
        {ViewKind::Icons, 4, 247, 16, 1, 4, QSize(116, 464)}, // one pixel short of two columns
        {ViewKind::Icons, 7, 100, 16, 1, 7, QSize(116, 812)}, // narrower than a cell: still one column
        {ViewKind::Details, 0, 300, 16, 1, 1, QSize(257, 18)},
        {ViewKind::Details, 5, 300, 16, 1, 6, QSize(257, 108)},
    };
    for (const Case& c : cases) {
        const ui::BrowserLayout l = ui::layoutBrowser(c.kind, c.count, c.width, c.bar, {32, 80, 55, 90});
        EXPECT_EQ(l.columns, c.columns) << c.count << " in " << c.width;
        EXPECT_EQ(l.rows, c.rows) << c.count << " in " << c.width;
        EXPECT_EQ(l.size, c.size) << c.count << " in " << c.width;
    }
}

TEST(BrowserHitTest, MarksHaveStrictBoundsInBothViews) {
    struct Case {
        ViewKind kind;
        QPoint p;
        int index;
        bool onMark;
    } cases[] = {
        // Icons, 3 columns: the mark of cell (column 1, row 1) spans 116 + 9 < x < 116 + 20, 116 + 97 < y <
        // 116 + 108.
        {ViewKind::Icons, {116 + 9, 116 + 100}, 4, false},  // left border
        {ViewKind::Icons, {116 + 10, 116 + 100}, 4, true},  // first inside
        {ViewKind::Icons, {116 + 19, 116 + 107}, 4, true},  // last inside
        {ViewKind::Icons, {116 + 20, 116 + 100}, 4, false}, // right border
        {ViewKind::Icons, {116 + 15, 116 + 97}, 4, false},  // top border
        {ViewKind::Icons, {116 + 15, 116 + 98}, 4, true},
        {ViewKind::Icons, {116 + 15, 116 + 108}, 4, false}, // bottom border
        {ViewKind::Icons, {50, 50}, 0, false},
        {ViewKind::Icons, {2 * 116 + 50, 116 + 50}, -1, false}, // beyond the last of 5 entries
        // Details: row = y div 18, entry = row − 1; the mark of row 2 spans 2 < x < 13 and 39 < y < 50.
        {ViewKind::Details, {5, 10}, -1, false}, // header row
        {ViewKind::Details, {2, 45}, 1, false},
        {ViewKind::Details, {3, 45}, 1, true},
        {ViewKind::Details, {12, 45}, 1, true},
        {ViewKind::Details, {13, 45}, 1, false},
        {ViewKind::Details, {5, 39}, 1, false},
        {ViewKind::Details, {5, 40}, 1, true},
        {ViewKind::Details, {5, 49}, 1, true},
        {ViewKind::Details, {5, 50}, 1, false},
        {ViewKind::Details, {100, 45}, 1, false},
        {ViewKind::Details, {5, 6 * 18 + 5}, -1, false}, // below the last of 5 entries
    };
    for (const Case& c : cases) {
        const ui::BrowserHit hit = ui::hitTest(c.kind, 3, 5, c.p);
        EXPECT_EQ(hit.index, c.index) << int(c.kind) << " at " << c.p.x() << "," << c.p.y();
        EXPECT_EQ(hit.onMark, c.onMark) << int(c.kind) << " at " << c.p.x() << "," << c.p.y();
    }
}

TEST(BrowserScroll, IntoViewInBothViews) {
    struct Case {
        ViewKind kind;
        int columns, index, position, height, expected;
    } cases[] = {
        // Icons: row top t = (i div columns) × 116.
        {ViewKind::Icons, 2, 0, 0, 300, 0},
        {ViewKind::Icons, 2, 9, 0, 300, 4 * 116 + 116 - 300}, // below: bottom edge aligned
        {ViewKind::Icons, 2, 2, 400, 300, 116},               // above: top edge aligned
        {ViewKind::Icons, 2, 5, 200, 300, 200},               // visible: unchanged
        {ViewKind::Icons, 3, 5, 0, 100, 116 + 116 - 100},     // view lower than a cell: bottom wins
        // Details: b = (i + 2) × 18.
        {ViewKind::Details, 1, 0, 0, 200, 0},
        {ViewKind::Details, 1, 20, 0, 200, 22 * 18 + 18 - 200}, // below
        {ViewKind::Details, 1, 3, 300, 200, 5 * 18 - 35},       // above: just under the header
        {ViewKind::Details, 1, 10, 100, 200, 100},              // visible
        {ViewKind::Details, 1, -1, 77, 200, 77},                // no current entry
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui::scrollIntoView(c.kind, c.columns, c.index, c.position, c.height), c.expected)
            << int(c.kind) << " entry " << c.index;
}

TEST(ThumbnailPlacement, WorkedExamples) {
    EXPECT_EQ(ui::thumbnailPlacement(QSize(960, 300)), QRect(10, 35, 96, 30));
    EXPECT_EQ(ui::thumbnailPlacement(QSize(300, 500)), QRect(33, 9, 50, 83));
    EXPECT_EQ(ui::thumbnailPlacement(QSize(96, 83)), QRect(10, 9, 96, 83));
    EXPECT_EQ(ui::thumbnailPlacement(QSize(160, 120)), QRect(10, 14, 96, 72));
    EXPECT_EQ(ui::thumbnailPlacement(QSize(0, 10)), QRect());
    // A sliver keeps one pixel instead of vanishing.
    EXPECT_EQ(ui::thumbnailPlacement(QSize(10000, 1)), QRect(10, 50, 96, 1));
    // Halves round to even: 96 × 166 / 192 = 83 exactly; 192 × 125: 125 / 2 = 62.5 → 62, centred at 9 + 21 /
    // 2 = 19.
    EXPECT_EQ(ui::thumbnailPlacement(QSize(192, 125)), QRect(10, 19, 96, 62));
    // 96 × 127 / 192 = 63.5 → 64.
    EXPECT_EQ(ui::thumbnailPlacement(QSize(192, 127)), QRect(10, 18, 96, 64));
}

} // namespace

namespace {

// Whether any two of these rectangles share a pixel, or one leaves `area`.
QString clash(const QList<QRect>& rects, const QRect& area) {
    for (qsizetype i = 0; i < rects.size(); ++i) {
        if (!rects[i].isEmpty() && !area.contains(rects[i]))
            return QStringLiteral("%1 leaves the bar").arg(i);
        for (qsizetype j = i + 1; j < rects.size(); ++j) {
            if (rects[i].intersects(rects[j]))
                return QStringLiteral("%1 and %2 overlap").arg(i).arg(j);
        }
    }
    return QString();
}

TEST(ViewerBars, ToolbarWrapsInsteadOfLeavingTheBarAndTheLogoGivesWay) {
    struct Case {
        int width, buttons;
        QRect panel; // a shown tool panel, or none
        int rows;
        bool logo;
    } cases[] = {
        {411, 10, {}, 2, false}, // the narrowest viewer side: nine a row
        {431, 12, {}, 2, false},
        {548, 10, {}, 1, false}, // the designed size: the buttons reach the logo
        {603, 10, {}, 1, false}, // the last button ends on the logo's left edge
        {604, 10, {}, 1, true},
        {691, 12, {}, 1, false},
        {692, 12, {}, 1, true},
        {1000, 10, QRect(500, 10, 340, 80), 1, true},
        {1000, 10, QRect(500, 10, 341, 80), 1, false}, // a tool panel reaching the logo hides it too
        {300, 12, {}, 2, false},
    };
    for (const Case& c : cases) {
        const QList<QSize> sizes(c.buttons, QSize(40, 40));
        QList<QRect> panels;
        if (!c.panel.isNull())
            panels.append(c.panel);
        const ui::ToolbarPlan plan = ui::planToolbar(QSize(c.width, 100), sizes, QSize(150, 80), panels);
        ASSERT_EQ(plan.buttons.size(), c.buttons);
        QSet<int> rows;
        for (const QRect& r : plan.buttons)
            rows.insert(r.y());
        EXPECT_EQ(rows.size(), c.rows) << c.width;
        EXPECT_EQ(plan.logoVisible, c.logo) << c.width;
        EXPECT_EQ(plan.logo, QRect(c.width - 159, 10, 150, 80));
        QList<QRect> shown = plan.buttons;
        if (plan.logoVisible)
            shown.append(plan.logo);
        EXPECT_EQ(clash(shown, QRect(0, 0, c.width, 100)), QString()) << c.width;
        // The block of rows is centred: as far from the top as from the bottom, to a pixel.
        const int top = plan.buttons.first().y();
        const int bottom = plan.buttons.last().bottom() + 1;
        EXPECT_LE(qAbs(top - (100 - bottom)), 1) << c.width;
    }
}

TEST(ViewerBars, InformationBarKeepsItsPiecesApartAndMovesTheZoomLabelUpWhenCramped) {
    struct Case {
        int width;
        bool zoomOnNameLine;
        QRect details;
    } cases[] = {
        {411, true, QRect(192, 22, 26, 26)},
        {431, true, QRect(202, 22, 26, 26)},
        {548, false, QRect(261, 22, 26, 26)},
        {1200, false, QRect(587, 22, 26, 26)},
    };
    for (const Case& c : cases) {
        const ui::InfoBarPlan p = ui::planInfoBar(c.width, 75);
        EXPECT_EQ(p.details, c.details) << c.width;
        EXPECT_EQ(p.next.x(), p.details.right() + 1 + 7);
        EXPECT_EQ(p.previous.right() + 1 + 7, p.details.x());
        EXPECT_EQ(p.zoom.y() == p.name.y(), c.zoomOnNameLine) << c.width;
        EXPECT_GE(p.zoom.width(), 75) << c.width;
        EXPECT_EQ(p.zoomButtons.last().right() + 1, c.width - 6);
        // The name stays centred.
        EXPECT_EQ(p.name.x(), c.width - 1 - p.name.right()) << c.width;
        EXPECT_EQ(clash({p.name, p.sizeIcon, p.size, p.weightIcon, p.weight, p.previous, p.details, p.next,
                         p.zoom, p.zoomButtons[0], p.zoomButtons[1], p.zoomButtons[2], p.zoomButtons[3]},
                        QRect(0, 0, c.width, 50)),
                  QString())
            << c.width;
    }
}

} // namespace
