#include "ui/info/tfojakdziala.h"

#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

namespace ui {

TfoJakDziala::TfoJakDziala(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("foJakDziala"));
    setWindowTitle(QStringLiteral("Jak to dziala?"));
    setFixedSize(650, 450);
    iJakDziala = new QLabel(this);
    iJakDziala->setObjectName(QStringLiteral("iJakDziala"));
    iJakDziala->setGeometry(rect());
    iJakDziala->setPixmap(
        QIcon(QStringLiteral(":/pictures/jakdziala.svg")).pixmap(size(), devicePixelRatioF()));
    iJakDziala->setCursor(Qt::PointingHandCursor);
    iJakDziala->installEventFilter(this);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - 650) / 2, area.y() + (area.height() - 450) / 2);
    }
}

void TfoJakDziala::keyPressEvent(QKeyEvent* event) {
    // The window closes when Escape is let go, not when it goes down.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfoJakDziala::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        accept();
        return;
    }
    QDialog::keyReleaseEvent(event);
}

bool TfoJakDziala::eventFilter(QObject* watched, QEvent* event) {
    if (watched == iJakDziala && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace ui
