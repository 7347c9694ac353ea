#pragma once

// The browser of the current folder: the owner-drawn paint box `pbTlo` that shows the catalogue as a grid
// of 116-pixel cells (icons view) or as 18-pixel rows under the header (details view), and the geometry
// rules behind it (layout, hit test with strict bounds, scroll into view) as pure functions.
// UI thread only.
#include <QImage>
#include <QWidget>

#include <array>

namespace core {
class Catalogue;
}

namespace ui {

inline constexpr int kRowHeight = 18;
inline constexpr int kHeaderHeight = 17;

enum class ViewKind { Icons = 0, Details = 1 };

// The hidden pictures the browser draws from.
struct BrowserSprites {
    QImage icoBig;      // 116 × 116 placeholder cell
    QImage icoBigBlank; // 116 × 116 empty framed cell
    QImage checkboxes;  // selected mark at (0, 0), unselected at (11, 0), each 11 × 11
    QImage jpegTiff;    // JPEG badge at (0, 0), TIFF badge at (0, 10), each 23 × 10
    QImage ikonaLista;  // 14 × 16 file-type icon of the details view

    // The program's own artwork, rendered at the sizes above (logical pixels) with `pixelRatio` device
    // pixels to each, so that it stays sharp on a scaled screen.
    static BrowserSprites load(qreal pixelRatio = 1.0);
};

// The face of the browser and its header: the small face the column widths were made for, made smaller
// still where the family is so wide that a date would not fit the default "Data" column.
QFont browserFont();
inline constexpr int kDefaultDateWidth = 88; // the 90-pixel "Data" column less its 2-pixel margin

struct BrowserLayout {
    int columns = 1;
    int rows = 0;
    QSize size; // of the paint box
};

// Icons: columns = (scroll box width − scroll bar width) div 116, rows = ceiling(count / columns).
// Details: one column, count + 1 rows of 18 pixels, as wide as the four columns together.
BrowserLayout layoutBrowser(ViewKind kind, int count, int scrollBoxWidth, int scrollBarWidth,
                            const std::array<int, 4>& columnWidths);

struct BrowserHit {
    int index = -1;      // the entry under the point, -1 for none
    bool onMark = false; // strictly inside its selection mark
};

// What a mouse press at `p` on the paint box hits.
BrowserHit hitTest(ViewKind kind, int columns, int count, QPoint p);

// The scroll position that brings entry `index` into a view of `height` pixels scrolled to `position`.
int scrollIntoView(ViewKind kind, int columns, int index, int position, int height);

class PhotoBrowser : public QWidget {
    Q_OBJECT
public:
    PhotoBrowser(const core::Catalogue& catalogue, const BrowserSprites& sprites, QWidget* parent = nullptr);

    void setViewKind(ViewKind kind) { kind_ = kind; }
    ViewKind viewKind() const { return kind_; }
    void setColumnWidths(const std::array<int, 4>& widths) { widths_ = widths; }
    void setLayoutInfo(const BrowserLayout& layout) { layout_ = layout; }
    const BrowserLayout& layoutInfo() const { return layout_; }
    const core::Catalogue& catalogue() const { return catalogue_; }

    // Where entry `index` is drawn, and which entry is under `p` (-1 for none).
    QRect entryRect(int index) const;
    int indexAt(QPoint p) const;
    // Tells a screen reader which photo is current now.
    void announceCurrent();
    void announceMark(int index);

signals:
    // Any mouse button pressed on the paint box.
    void pressed(QPoint position, Qt::MouseButton button);
    // The keyboard asks for entry `index` to become current (arrows, Home, End) or for its mark to
    // turn (Space).
    void moveRequested(int index);
    void markRequested(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Only entries within one row or cell of the band [top, bottom] are drawn.
    void paintDetails(class QPainter& p, int top, int bottom);
    void paintIcons(class QPainter& p, int top, int bottom);

    const core::Catalogue& catalogue_;
    const BrowserSprites& sprites_;
    ViewKind kind_ = ViewKind::Icons;
    std::array<int, 4> widths_ = {32, 80, 55, 90};
    BrowserLayout layout_;
};

} // namespace ui
