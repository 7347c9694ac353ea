#include "ui/viewer/viewerbars.h"

#include <QtGlobal>

namespace ui {

namespace {

constexpr int kMargin = 8;
constexpr int kGap = 4;
constexpr int kLogoBottomGap = 10;

constexpr int kLine1 = 3;
constexpr int kLabelHeight = 18;
constexpr int kLine2 = 26;
constexpr int kIconSize = 16;
constexpr int kNavSize = 26;
constexpr int kNavTop = 22;
constexpr int kNavGap = 7;
constexpr int kZoomSize = 24;
constexpr int kZoomTop = 23;
constexpr int kZoomGap = 2;
constexpr int kRightMargin = 6;
constexpr int kSizeLabelWidth = 90;
constexpr int kZoomLabelWidth = 86;

} // namespace

ToolbarPlan planToolbar(QSize bar, const QList<QSize>& buttons, QSize logo, const QList<QRect>& panels) {
    ToolbarPlan plan;
    // Rows first, at y = 0; then the block of rows is centred.
    const int limit = bar.width() - kMargin;
    int x = kMargin, y = 0, rowHeight = 0, bottom = 0;
    for (const QSize& b : buttons) {
        if (x > kMargin && x + b.width() > limit) {
            x = kMargin;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        plan.buttons.append(QRect(QPoint(x, y), b));
        x += b.width() + kGap;
        rowHeight = qMax(rowHeight, b.height());
        bottom = y + rowHeight;
    }
    const int top = qMax(0, (bar.height() - bottom) / 2);
    int reach = 0; // right edge (exclusive) of what is drawn from the left
    for (QRect& r : plan.buttons) {
        r.translate(0, top);
        reach = qMax(reach, r.x() + r.width());
    }
    for (const QRect& p : panels)
        reach = qMax(reach, p.x() + p.width());
    plan.logo =
        QRect(QPoint(bar.width() - 1 - kMargin - logo.width(), bar.height() - kLogoBottomGap - logo.height()),
              logo);
    plan.logoVisible = reach < plan.logo.x();
    return plan;
}

InfoBarPlan planInfoBar(int width, int zoomTextWidth) {
    InfoBarPlan plan;
    const int w = width;
    int x = w - kRightMargin;
    for (int i = 0; i < 4; ++i) {
        x -= kZoomSize;
        plan.zoomButtons.prepend(QRect(x, kZoomTop, kZoomSize, kZoomSize));
        x -= kZoomGap;
    }
    const int zoomButtonsLeft = plan.zoomButtons.first().x();

    const int centre = (w - kNavSize) / 2;
    plan.details = QRect(centre, kNavTop, kNavSize, kNavSize);
    plan.next = QRect(centre + kNavSize + kNavGap, kNavTop, kNavSize, kNavSize);
    plan.previous = QRect(centre - kNavGap - kNavSize, kNavTop, kNavSize, kNavSize);

    int nameMargin = 5;
    const int zoomRoomLeft = plan.next.x() + kNavSize + kGap;
    const int zoomRight = zoomButtonsLeft - kGap;
    if (zoomRight - zoomRoomLeft >= zoomTextWidth) {
        const int left = qMax(zoomRoomLeft, zoomRight - kZoomLabelWidth);
        plan.zoom = QRect(left, kLine2, zoomRight - left, kLabelHeight);
    } else {
        plan.zoom = QRect(w - kRightMargin - zoomTextWidth, kLine1, zoomTextWidth, kLabelHeight);
        nameMargin = qMax(nameMargin, kRightMargin + zoomTextWidth + kGap);
    }
    plan.name = QRect(nameMargin, kLine1, qMax(0, w - 2 * nameMargin), kLabelHeight);

    // Dimensions, then file size, between the left margin and the previous button.
    const int limit = plan.previous.x() - kGap;
    plan.sizeIcon = QRect(kMargin, kLine2 + 1, kIconSize, kIconSize);
    const int sizeLeft = kMargin + kIconSize + kGap;
    const int room = qMax(0, limit - sizeLeft - kGap - kIconSize - kGap);
    const int sizeWidth = qMin(kSizeLabelWidth, room * 55 / 100);
    plan.size = QRect(sizeLeft, kLine2, sizeWidth, kLabelHeight);
    plan.weightIcon = QRect(sizeLeft + sizeWidth + kGap, kLine2 + 1, kIconSize, kIconSize);
    const int weightLeft = plan.weightIcon.x() + kIconSize + kGap;
    plan.weight = QRect(weightLeft, kLine2, qMax(0, limit - weightLeft), kLabelHeight);
    return plan;
}

} // namespace ui
