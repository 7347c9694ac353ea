#include "ui/browser/photolistaccessible.h"

#include "core/catalogue.h"
#include "ui/browser/photobrowser.h"

namespace ui {

namespace {

class PhotoItemAccessible : public QAccessibleInterface {
public:
    PhotoItemAccessible(const PhotoListAccessible* list, int index)
        : list_(list)
        , index_(index) {}

    bool isValid() const override { return list_->isValid() && index_ < catalogue().size(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_->window(); }
    QAccessibleInterface* parent() const override { return const_cast<PhotoListAccessible*>(list_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid())
            return {};
        const core::ListaPlikow& e = catalogue().at(index_);
        return e.Nazwa + e.Rozszerzenie;
    }

    QRect rect() const override {
        PhotoBrowser* b = list_->browser();
        const QRect r = b->entryRect(index_);
        return QRect(b->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        s.checkable = true;
        s.focusable = true;
        s.selectable = true;
        if (!isValid())
            return s;
        s.checked = catalogue().at(index_).Zaznaczony;
        const bool current = catalogue().currentIndex() == index_;
        s.selected = current;
        s.focused = current && list_->browser()->hasFocus();
        return s;
    }

private:
    const core::Catalogue& catalogue() const { return list_->browser()->catalogue(); }

    const PhotoListAccessible* list_;
    int index_;
};

QAccessibleInterface* photoListFactory(const QString&, QObject* object) {
    if (auto* browser = qobject_cast<PhotoBrowser*>(object))
        return new PhotoListAccessible(browser);
    return nullptr;
}

} // namespace

PhotoListAccessible::PhotoListAccessible(PhotoBrowser* browser)
    : QAccessibleWidget(browser, QAccessible::List, QStringLiteral("Lista zdjęć")) {}

PhotoListAccessible::~PhotoListAccessible() {
    for (const QAccessible::Id id : std::as_const(items_))
        QAccessible::deleteAccessibleInterface(id);
}

PhotoBrowser* PhotoListAccessible::browser() const {
    return static_cast<PhotoBrowser*>(widget());
}

int PhotoListAccessible::childCount() const {
    return browser()->catalogue().size();
}

QAccessibleInterface* PhotoListAccessible::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    QAccessible::Id& id = items_[index];
    if (id == 0)
        id = QAccessible::registerAccessibleInterface(new PhotoItemAccessible(this, index));
    return QAccessible::accessibleInterface(id);
}

int PhotoListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child || child->parent() != this)
        return -1;
    for (int i = 0; i < childCount(); ++i)
        if (this->child(i) == child)
            return i;
    return -1;
}

QAccessibleInterface* PhotoListAccessible::childAt(int x, int y) const {
    const QPoint p = browser()->mapFromGlobal(QPoint(x, y));
    const int index = browser()->indexAt(p);
    return index < 0 ? nullptr : child(index);
}

void installPhotoListAccessible() {
    static const bool installed = (QAccessible::installFactory(photoListFactory), true);
    (void)installed;
}

} // namespace ui
