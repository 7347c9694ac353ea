#pragma once

// The owner-drawn header `hcNaglowek` of the details view: four sections (selection mark, "Nazwa",
// "Rozmiar", "Data") in the service's grey, the sort arrow on the sort column, clicks to sort and
// drags on a section's right edge to resize it within its limits. From the keyboard, the arrows choose a
// column and Space or Enter sorts by it, as a click would. UI thread only.
#include <QWidget>

#include <array>

namespace ui {

class BrowserHeader : public QWidget {
    Q_OBJECT
public:
    explicit BrowserHeader(QWidget* parent = nullptr);

    // Widths are kept within each section's limits (section 0 is fixed at the width it is given).
    void setWidths(const std::array<int, 4>& widths);
    const std::array<int, 4>& widths() const { return widths_; }
    int totalWidth() const;

    // The sort column (sort key − 1) and direction that the arrow shows; -1 shows none.
    void setSort(int column, bool ascending);
    int sortColumn() const { return sortColumn_; }
    bool sortAscending() const { return ascending_; }

    static int minimumWidth(int section);
    static int maximumWidth(int section);

    // The section under x, or -1; and the section whose right edge x lies on (within 3 pixels), or -1.
    int sectionAt(int x) const;
    int edgeAt(int x) const;

signals:
    void sectionClicked(int section);
    void sectionResized(int section, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void paintSection(class QPainter& p, int section, const QRect& r);

    std::array<int, 4> widths_ = {32, 80, 55, 90};
    int sortColumn_ = 1;
    bool ascending_ = true;
    int dragSection_ = -1;
    int dragStartX_ = 0;
    int dragStartWidth_ = 0;
    int pressSection_ = -1;
    int keySection_ = 1; // the column the keyboard points at
};

} // namespace ui
