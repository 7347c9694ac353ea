#include "ui/main/tfosplash.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

namespace ui {

namespace {

QPixmap renderPicture(const QString& picture, QSize size, qreal ratio) {
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer svg(picture);
    QPainter p(&pixmap);
    svg.render(&p, QRectF(QPointF(0, 0), size));
    return pixmap;
}

} // namespace

QString TfoSplash::text() {
    return QStringLiteral("Uruchamianie programu. Proszę czekać...");
}

TfoSplash::TfoSplash(QWidget* parent)
    : FramedWindow(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("foSplash"));
    setFixedSize(400, 250);
    setFrameColour(kGreen);
    const qreal ratio = devicePixelRatioF();
    logo_ = renderPicture(QStringLiteral(":/pictures/splashlogo.svg"), QSize(126, 141), ratio);
    banner_ = renderPicture(QStringLiteral(":/pictures/splashbanner.svg"), QSize(290, 33), ratio);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TfoSplash::paintEvent(QPaintEvent* event) {
    FramedWindow::paintEvent(event);
    QPainter p(this);
    p.drawPixmap(15, 10, logo_);
    p.drawPixmap(95, 170, banner_);
    p.setPen(QColor(90, 90, 90));
    QFont f = font();
    f.setPixelSize(11);
    p.setFont(f);
    // Right-aligned to end where the 197-pixel box at x = 189 ends; a face wider than the one the box was
    // made for grows to the left instead of losing its first letters.
    const int right = 189 + 197;
    p.drawText(QRect(6, 228, right - 6, 16), Qt::AlignRight | Qt::AlignTop, text());
}

} // namespace ui
