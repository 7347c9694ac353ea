#pragma once

// The browser as a screen reader meets it: a list whose items are the photos, each named by its file
// name, checkable by its mark, focused and selected when current. The items are read live from the
// catalogue, so a rescan or a sort never leaves a stale item behind. UI thread only.
#include <QAccessibleWidget>
#include <QHash>

namespace ui {

class PhotoBrowser;

class PhotoListAccessible : public QAccessibleWidget {
public:
    explicit PhotoListAccessible(PhotoBrowser* browser);
    ~PhotoListAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    PhotoBrowser* browser() const;

private:
    // One registered item for each position, living as long as the list; the item reads the catalogue
    // live.
    mutable QHash<int, QAccessible::Id> items_;
};

// Installs the factory that gives every PhotoBrowser its list face (once).
void installPhotoListAccessible();

} // namespace ui
