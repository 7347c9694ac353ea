#include "ui/common/keyboardbutton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QWidget>

namespace ui {

namespace {

const char* const kButtonMark = "pixvaleKeyboardButton";

void press(QWidget* button) {
    if (button->isEnabled() && button->isVisible())
        QMetaObject::invokeMethod(button, "click");
}

// The accessible face of a drawn button: its name is the accessible name or else its tooltip.
class DrawnButtonAccessible : public QAccessibleWidget {
public:
    explicit DrawnButtonAccessible(QWidget* w)
        : QAccessibleWidget(w, QAccessible::Button) {
        addControllingSignal(QStringLiteral("clicked()"));
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? widget()->toolTip() : name;
        }
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString& name) override {
        if (name == pressAction())
            press(widget());
    }
};

QAccessibleInterface* drawnButtonFactory(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (w && w->property(kButtonMark).toBool())
        return new DrawnButtonAccessible(w);
    return nullptr;
}

} // namespace

void makeKeyboardButton(QWidget* button) {
    static const bool installed = [] {
        QAccessible::installFactory(drawnButtonFactory);
        return true;
    }();
    (void)installed;
    button->setProperty(kButtonMark, true);
    button->setFocusPolicy(Qt::StrongFocus);
}

void makePictureOnly(QWidget* button) {
    button->setProperty(kButtonMark, false);
    button->setFocusPolicy(Qt::NoFocus);
}

bool isPressKey(const QKeyEvent* event) {
    const int key = event->key();
    return event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier
               ? key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter
               : false;
}

bool takeShortcutOverride(QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride || !isPressKey(static_cast<QKeyEvent*>(event)))
        return false;
    event->accept();
    return true;
}

void paintFocusMark(QPainter& painter, const QWidget* button) {
    if (button->hasFocus())
        paintFocusMark(painter, button->rect());
}

void paintFocusMark(QPainter& painter, const QRect& area) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xE7, 0x7A, 0x1A), 2, Qt::DotLine));
    painter.drawRect(area.adjusted(1, 1, -1, -1));
    painter.restore();
}

void makeDefaultButton(QWidget* button) {
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), button->window());
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, button, [button] { press(button); });
    }
}

} // namespace ui
