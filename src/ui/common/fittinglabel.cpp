#include "ui/common/fittinglabel.h"

#include "ui/common/textfit.h"

#include <QPainter>

namespace ui {

FittingLabel::FittingLabel(const QString& name, const QString& text, QWidget* parent)
    : QLabel(text, parent) {
    setObjectName(name);
}

QString FittingLabel::shownText() const {
    return fitText(text(), fontMetrics(), contentsRect().width());
}

int FittingLabel::textWidth() const {
    return fontMetrics().horizontalAdvance(text());
}

void FittingLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(foregroundRole()));
    p.setFont(font());
    p.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, shownText());
}

} // namespace ui
