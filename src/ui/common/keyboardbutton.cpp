#include "ui/common/keyboardbutton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFocusFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QWidget>

namespace ui {

namespace {

const char* const kButtonMark = "pixvaleKeyboardButton";
const char* const kWindowTakesEnter = "pixvaleWindowTakesEnter";

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

class FocusMarkFrame : public QFocusFrame {
public:
    explicit FocusMarkFrame(QWidget* control)
        : QFocusFrame(control) {
        setWidget(control);
        hide();
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget() && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
            const bool focused = event->type() == QEvent::FocusIn;
            QFocusFrame::eventFilter(watched, event);
            setVisible(focused && widget()->isVisible());
            return false;
        }
        const bool taken = QFocusFrame::eventFilter(watched, event);
        if (!widget()->hasFocus())
            hide();
        return taken;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paintFocusMark(p, rect());
    }
};

} // namespace

void markFocusAround(QWidget* control) {
    new FocusMarkFrame(control);
}

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

QPoint arrowDirection(int key) {
    switch (key) {
    case Qt::Key_Left:
        return {-1, 0};
    case Qt::Key_Right:
        return {1, 0};
    case Qt::Key_Up:
        return {0, -1};
    case Qt::Key_Down:
        return {0, 1};
    default:
        return {};
    }
}

bool isPressKey(const QKeyEvent* event, const QWidget* button) {
    if (event->modifiers() != Qt::NoModifier && event->modifiers() != Qt::KeypadModifier)
        return false;
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return !button->window()->property(kWindowTakesEnter).toBool();
    return key == Qt::Key_Space;
}

void windowTakesEnter(QWidget* window) {
    window->setProperty(kWindowTakesEnter, true);
}

bool takeShortcutOverride(QEvent* event, const QWidget* button) {
    if (event->type() != QEvent::ShortcutOverride || !isPressKey(static_cast<QKeyEvent*>(event), button))
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
