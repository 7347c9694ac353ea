#include "ui/browser/browserheader.h"

#include "ui/browser/photobrowser.h"
#include "ui/common/keyboardbutton.h"
#include "ui/common/textfit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace ui {

namespace {

const char* const kTitles[4] = {"", "Nazwa", "Rozmiar", "Data"};
constexpr int kMin[4] = {0, 50, 55, 40};
constexpr int kMax[4] = {0, 250, 100, 100};

} // namespace

BrowserHeader::BrowserHeader(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("hcNaglowek"));
    setFixedHeight(kHeaderHeight);
    setMouseTracking(true);
    setFont(browserFont());
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(QStringLiteral("Sortowanie listy"));
    setAccessibleDescription(QStringLiteral("Strzałki wybierają kolumnę, spacja sortuje według niej"));
    resize(totalWidth(), kHeaderHeight);
}

int BrowserHeader::minimumWidth(int section) {
    return section <= 0 || section > 3 ? 0 : kMin[section];
}
int BrowserHeader::maximumWidth(int section) {
    return section <= 0 || section > 3 ? 0 : kMax[section];
}

void BrowserHeader::setWidths(const std::array<int, 4>& widths) {
    widths_ = widths;
    for (int s = 1; s < 4; ++s)
        widths_[s] = qBound(kMin[s], widths_[s], kMax[s]);
    setFixedWidth(totalWidth());
    update();
}

int BrowserHeader::totalWidth() const {
    return widths_[0] + widths_[1] + widths_[2] + widths_[3];
}

void BrowserHeader::setSort(int column, bool ascending) {
    sortColumn_ = column;
    ascending_ = ascending;
    update();
}

int BrowserHeader::sectionAt(int x) const {
    int left = 0;
    for (int s = 0; s < 4; ++s) {
        if (x >= left && x < left + widths_[s])
            return s;
        left += widths_[s];
    }
    return -1;
}

int BrowserHeader::edgeAt(int x) const {
    int right = 0;
    for (int s = 0; s < 4; ++s) {
        right += widths_[s];
        // Section 0 is fixed and cannot be dragged.
        if (s > 0 && qAbs(x - right) <= 3)
            return s;
    }
    return -1;
}

void BrowserHeader::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 240, 240));
    int left = 0;
    for (int s = 0; s < 4; ++s) {
        paintSection(p, s, QRect(left, 0, widths_[s], height()));
        if (s == keySection_ && hasFocus())
            paintFocusMark(p, QRect(left, 0, widths_[s], height()).adjusted(1, 1, -3, -2));
        left += widths_[s];
    }
}

void BrowserHeader::paintSection(QPainter& p, int section, const QRect& rect) {
    // The rectangle (L, T)-(R, B) with R and B exclusive, as the window system hands it to owner drawing.
    const int L = rect.left(), T = rect.top(), R = rect.left() + rect.width(), B = rect.top() + rect.height();
    p.fillRect(rect, QColor(230, 230, 230));
    p.setPen(QColor(170, 170, 170));
    p.drawLine(R - 2, T + 3, R - 2, B - 5);
    p.setPen(QColor(247, 247, 247));
    p.drawLine(R - 1, T + 3, R - 1, B - 5);
    p.setPen(QColor(188, 188, 188));
    p.drawLine(L - 1, B - 1, R, B - 1);
    p.setPen(QColor(201, 200, 201));
    p.drawLine(L - 1, B - 2, R, B - 2);
    p.setPen(QColor(217, 218, 218));
    p.drawLine(L - 1, B - 3, R, B - 3);
    int anchor = 3;
    if (section > 0) {
        const QFontMetrics fm(font());
        // The sort column keeps three pixels more, so that its arrow stays clear of the separator.
        const int room = R - L - 12 - (section == sortColumn_ ? 3 : 0);
        const QString text = fitText(QString::fromUtf8(kTitles[section]), fm, room);
        p.setPen(Qt::black);
        p.drawText(QRect(L + 2, T + 1, qMax(0, R - L - 2), B - T - 1), Qt::AlignLeft | Qt::AlignTop, text);
        anchor = L + 4 + fm.horizontalAdvance(text);
    }
    if (section != sortColumn_)
        return;
    const int a = anchor;
    QPolygon arrow;
    if (ascending_)
        arrow << QPoint(a + 4, T + 4) << QPoint(a + 1, B - 6) << QPoint(a + 7, B - 6);
    else
        arrow << QPoint(a + 1, T + 4) << QPoint(a + 7, T + 4) << QPoint(a + 4, B - 6);
    p.setPen(QColor(192, 192, 192));
    p.setBrush(QColor(192, 192, 192));
    p.drawPolygon(arrow);
    p.setBrush(Qt::NoBrush);
}

void BrowserHeader::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int x = qRound(event->position().x());
    dragSection_ = edgeAt(x);
    if (dragSection_ >= 0) {
        dragStartX_ = x;
        dragStartWidth_ = widths_[dragSection_];
        return;
    }
    pressSection_ = sectionAt(x);
}

void BrowserHeader::mouseMoveEvent(QMouseEvent* event) {
    const int x = qRound(event->position().x());
    if (dragSection_ >= 0) {
        const int w = qBound(kMin[dragSection_], dragStartWidth_ + x - dragStartX_, kMax[dragSection_]);
        if (w != widths_[dragSection_]) {
            widths_[dragSection_] = w;
            setFixedWidth(totalWidth());
            update();
            emit sectionResized(dragSection_, w);
        }
        return;
    }
    setCursor(edgeAt(x) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void BrowserHeader::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        keySection_ = qBound(1, keySection_ + arrowDirection(event->key()).x(), 3);
        update();
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit sectionClicked(keySection_);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void BrowserHeader::focusInEvent(QFocusEvent* event) {
    keySection_ = qBound(1, sortColumn_, 3);
    update();
    QWidget::focusInEvent(event);
}

void BrowserHeader::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
}

void BrowserHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int x = qRound(event->position().x());
    if (dragSection_ >= 0) {
        dragSection_ = -1;
        return;
    }
    const int s = sectionAt(x);
    if (s >= 0 && s == pressSection_)
        emit sectionClicked(s);
    pressSection_ = -1;
}

} // namespace ui
