#include "ui/upload/wordpicture.h"

#include "ui/common/keyboardbutton.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

WordPicture::WordPicture(const QString& name, const QString& word, const QColor& colour, QSize size,
                         Kind kind, QWidget* parent)
    : QWidget(parent)
    , word_(word)
    , colour_(colour)
    , kind_(kind) {
    setObjectName(name);
    setFixedSize(size);
    if (kind == Kind::Button) {
        setCursor(Qt::PointingHandCursor);
        makeKeyboardButton(this);
    }
    // Named after the button's accessible face exists (naming creates the face). Screen readers hear the word
    // as a sentence begins ("ok" is read as "OK").
    setAccessibleName(word == QLatin1String("ok") ? QStringLiteral("OK")
                                                  : word.left(1).toUpper() + word.mid(1));
}

void WordPicture::click() {
    if (kind_ == Kind::Button && isEnabled())
        emit clicked();
}

bool WordPicture::event(QEvent* event) {
    return (kind_ == Kind::Button && takeShortcutOverride(event, this)) || QWidget::event(event);
}

void WordPicture::keyPressEvent(QKeyEvent* event) {
    if (kind_ == Kind::Button && isPressKey(event, this))
        click();
    else
        QWidget::keyPressEvent(event);
}

void WordPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF plate = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (pressed_)
        plate.translate(1, 1); // sinks a little while pressed
    const QColor base = isEnabled() ? colour_ : QColor(190, 190, 190);
    QLinearGradient shade(plate.topLeft(), plate.bottomLeft());
    shade.setColorAt(0, kind_ == Kind::Button ? base.lighter(115) : base);
    shade.setColorAt(1, kind_ == Kind::Button ? base.darker(115) : base);
    p.setPen(QPen(base.darker(125), 1));
    p.setBrush(shade);
    const qreal radius = kind_ == Kind::Button ? plate.height() / 2 : 4;
    p.drawRoundedRect(plate, radius, radius);
    QFont font(QStringLiteral("Verdana"));
    font.setBold(true);
    // Long words take a smaller letter rather than leave the plate.
    for (int pixels = kind_ == Kind::Button ? 13 : 11; pixels > 8; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(word_) <= width() - 12)
            break;
    }
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(plate, Qt::AlignCenter, word_);
    paintFocusMark(p, this);
}

void WordPicture::mousePressEvent(QMouseEvent* event) {
    if (kind_ != Kind::Button || event->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    update();
}

void WordPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_ || event->button() != Qt::LeftButton)
        return;
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint()))
        click();
}

WordPicture* wordButton(const QString& name, const QString& word, const QColor& colour, QSize size,
                        QWidget* parent) {
    return new WordPicture(name, word, colour, size, WordPicture::Kind::Button, parent);
}

WordPicture* wordLabel(const QString& name, const QString& word, const QColor& colour, QSize size,
                       QWidget* parent) {
    return new WordPicture(name, word, colour, size, WordPicture::Kind::Label, parent);
}

} // namespace ui
