#include "ui/common/picturebutton.h"

#include "ui/common/keyboardbutton.h"

#include <QAction>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

QString shortHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

PictureButton::PictureButton(const QString& name, const QString& picture, QSize size, QWidget* parent)
    : QWidget(parent)
    , icon_(picture) {
    setObjectName(name);
    setCursor(Qt::PointingHandCursor);
    if (size.isEmpty()) {
        const QList<QSize> sizes = icon_.availableSizes();
        size = sizes.isEmpty() ? QSize(32, 32) : sizes.first();
    }
    setFixedSize(size);
    setAttribute(Qt::WA_Hover);
    makeKeyboardButton(this);
}

void PictureButton::setHint(const QString& hint) {
    hint_ = hint;
    setToolTip(shortHint(hint));
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void PictureButton::setAction(QAction* action) {
    if (action_)
        disconnect(action_, nullptr, this, nullptr);
    action_ = action;
    if (!action)
        return;
    setEnabled(action->isEnabled());
    connect(action, &QAction::changed, this, [this] {
        if (action_)
            setEnabled(action_->isEnabled());
    });
}

void PictureButton::setPicture(const QString& picture) {
    icon_ = QIcon(picture);
    update();
}

void PictureButton::click() {
    if (!isEnabled())
        return;
    emit clicked();
    if (action_)
        action_->trigger();
}

bool PictureButton::event(QEvent* event) {
    return takeShortcutOverride(event, this) || QWidget::event(event);
}

void PictureButton::keyPressEvent(QKeyEvent* event) {
    if (!isPressKey(event, this)) {
        QWidget::keyPressEvent(event);
        return;
    }
    click();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : QIcon::Normal;
    QRect r = rect();
    if (pressed_ && hovered_)
        r.translate(1, 1); // the picture sinks a little while pressed
    icon_.paint(&p, r, Qt::AlignCenter, mode);
    if (hovered_ && isEnabled() && !pressed_) {
        p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        p.fillRect(rect(), QColor(255, 255, 255, 40));
    }
    paintFocusMark(p, this);
}

void PictureButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    update();
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint()))
        click();
}

void PictureButton::enterEvent(QEnterEvent*) {
    hovered_ = true;
    update();
}

void PictureButton::leaveEvent(QEvent*) {
    hovered_ = false;
    update();
}

} // namespace ui
