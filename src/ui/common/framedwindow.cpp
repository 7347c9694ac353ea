#include "ui/common/framedwindow.h"

#include <QPainter>

namespace ui {

void paintWhiteFrame(QPainter& painter, QSize size, const QColor& colour) {
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    // A 3-pixel pen centred on the rectangle (1, 1)-(w - 1, h - 1) covers pixels 0..2 on each side,
    // like the window system's own wide pens.
    QPen pen(colour, 3);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(1.5, 1.5, size.width() - 3.0, size.height() - 3.0));
}

FramedWindow::FramedWindow(QWidget* parent, Qt::WindowFlags flags)
    : QWidget(parent, flags) {
    setAutoFillBackground(false);
}

void FramedWindow::setFrameColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void FramedWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintWhiteFrame(p, size(), colour_);
}

void FramedWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

} // namespace ui
