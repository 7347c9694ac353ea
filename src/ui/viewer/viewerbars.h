#pragma once

// Where the controls of the two bars around the viewer go: the editing toolbar above it (picture buttons
// in rows, the logo in the corner) and the photo information bar below it (file name; dimensions and
// file size; previous, details, next; zoom label and zoom buttons). Pure geometry in the bar's own
// pixels, so that every width and every set of shown buttons can be checked without a window.
#include <QList>
#include <QRect>
#include <QSize>

namespace ui {

struct ToolbarPlan {
    QList<QRect> buttons; // one per button given, in the same order
    QRect logo;
    bool logoVisible = true;
};

// The buttons run from the left margin in rows; one that would cross the right margin starts the next
// row, so none leaves the bar however narrow it is; the rows are centred vertically. The logo sits in the
// bottom right corner and shows only while no button and no shown tool panel reaches its left edge.
ToolbarPlan planToolbar(QSize bar, const QList<QSize>& buttons, QSize logo, const QList<QRect>& panels);

struct InfoBarPlan {
    QRect name;
    QRect sizeIcon, size;     // dimensions of the photo
    QRect weightIcon, weight; // file size in KB
    QRect previous, details, next;
    QRect zoom;
    QList<QRect> zoomButtons; // Dopasuj, Powiększ, Pomniejsz, Lupa
};

// The details button is centred with the next and previous buttons 7 pixels either side, the zoom
// buttons keep the right edge, and the labels share what is left between them. When the zoom label
// (`zoomTextWidth`, its widest text) has no room beside the buttons it moves up to the name's line and the
// name, still centred, gives way on both sides.
InfoBarPlan planInfoBar(int width, int zoomTextWidth);

} // namespace ui
