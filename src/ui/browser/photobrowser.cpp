#include "ui/browser/photobrowser.h"

#include "core/catalogue.h"
#include "ui/browser/photolistaccessible.h"
#include "ui/browser/thumbnailcell.h"
#include "ui/common/keyboardbutton.h"
#include "ui/common/textfit.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>

namespace ui {

namespace {

const QColor kGrey230(230, 230, 230);
const QColor kGrey240(240, 240, 240);
const QColor kGrey100(100, 100, 100);

QImage render(const QString& picture, QSize size, qreal pixelRatio) {
    QImage image(size * pixelRatio, QImage::Format_ARGB32);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QSvgRenderer svg(picture);
    QPainter p(&image);
    svg.render(&p, QRectF(QPointF(0, 0), size));
    return image;
}

// Draws the part `source` (logical pixels) of a sprite sheet into `target`.
void drawSprite(QPainter& p, const QRect& target, const QImage& sheet, const QRect& source) {
    const qreal r = sheet.devicePixelRatio();
    p.drawImage(QRectF(target), sheet,
                QRectF(source.x() * r, source.y() * r, source.width() * r, source.height() * r));
}

bool isTiff(const QString& extension) {
    const QString upper = extension.toUpper();
    return upper == QLatin1String(".TIF") || upper == QLatin1String(".TIFF");
}

bool isJpeg(const QString& extension) {
    const QString upper = extension.toUpper();
    return upper == QLatin1String(".JPG") || upper == QLatin1String(".JPEG");
}

} // namespace

QFont browserFont() {
    // The column widths and the 18-pixel rows were made for an 11-pixel (8-point) face.
    QFont f;
    f.setPixelSize(11);
    const QString date = QStringLiteral("2026-12-06 12:34");
    while (f.pixelSize() > 8 && QFontMetrics(f).horizontalAdvance(date) > kDefaultDateWidth)
        f.setPixelSize(f.pixelSize() - 1);
    return f;
}

BrowserSprites BrowserSprites::load(qreal pixelRatio) {
    BrowserSprites s;
    const qreal r = qMax<qreal>(1.0, pixelRatio);
    s.icoBig = render(QStringLiteral(":/pictures/icobig.svg"), QSize(kCellSize, kCellSize), r);
    s.icoBigBlank = render(QStringLiteral(":/pictures/icobigblank.svg"), QSize(kCellSize, kCellSize), r);
    s.checkboxes = render(QStringLiteral(":/pictures/checkboxes.svg"), QSize(22, 11), r);
    s.jpegTiff = render(QStringLiteral(":/pictures/jpegtiff.svg"), QSize(23, 20), r);
    s.ikonaLista = render(QStringLiteral(":/pictures/ikonalista.svg"), QSize(14, 16), r);
    return s;
}

BrowserLayout layoutBrowser(ViewKind kind, int count, int scrollBoxWidth, int scrollBarWidth,
                            const std::array<int, 4>& columnWidths) {
    BrowserLayout l;
    count = qMax(0, count);
    if (kind == ViewKind::Details) {
        l.columns = 1;
        l.rows = count + 1;
        l.size =
            QSize(columnWidths[0] + columnWidths[1] + columnWidths[2] + columnWidths[3], l.rows * kRowHeight);
        return l;
    }
    // A scroll box too narrow for one cell still shows one column rather than dividing by nothing.
    l.columns = qMax(1, (scrollBoxWidth - scrollBarWidth) / kCellSize);
    l.rows = (count + l.columns - 1) / l.columns;
    l.size = QSize(l.columns * kCellSize, l.rows * kCellSize);
    return l;
}

BrowserHit hitTest(ViewKind kind, int columns, int count, QPoint p) {
    BrowserHit hit;
    const int x = p.x();
    const int y = p.y();
    if (x < 0 || y < 0)
        return hit;
    if (kind == ViewKind::Details) {
        const int row = y / kRowHeight;
        const int index = row - 1;
        if (index < 0 || index >= count)
            return hit;
        hit.index = index;
        hit.onMark = 2 < x && x < 13 && row * kRowHeight + 3 < y && y < row * kRowHeight + 14;
        return hit;
    }
    columns = qMax(1, columns);
    const int column = x / kCellSize;
    const int row = y / kCellSize;
    // A press right of the last column is beside the grid, not on the next row's first cell.
    if (column >= columns)
        return hit;
    const int index = row * columns + column;
    if (index >= count)
        return hit;
    hit.index = index;
    const int cx = column * kCellSize;
    const int cy = row * kCellSize;
    hit.onMark = cx + 9 < x && x < cx + 20 && cy + 97 < y && y < cy + 108;
    return hit;
}

int scrollIntoView(ViewKind kind, int columns, int index, int position, int height) {
    if (index < 0)
        return position;
    int p = position;
    if (kind == ViewKind::Details) {
        const int b = (index + 2) * kRowHeight;
        if (b < p + 36)
            p = b - 35;
        if (p + height < b + kRowHeight)
            p = b + kRowHeight - height;
        return p;
    }
    const int t = (index / qMax(1, columns)) * kCellSize;
    if (t < p)
        p = t;
    if (p + height < t + kCellSize)
        p = t + kCellSize - height;
    return p;
}

PhotoBrowser::PhotoBrowser(const core::Catalogue& catalogue, const BrowserSprites& sprites, QWidget* parent)
    : QWidget(parent)
    , catalogue_(catalogue)
    , sprites_(sprites) {
    setObjectName(QStringLiteral("pbTlo"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFont(browserFont());
    installPhotoListAccessible();
    setFocusPolicy(Qt::StrongFocus);
}

void PhotoBrowser::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), kGrey240);
    // The scroll box exposes only what is visible, so the exposed band is the visible band or less.
    const QRect band = event->rect();
    if (kind_ == ViewKind::Details)
        paintDetails(p, band.top(), band.bottom() + 1);
    else
        paintIcons(p, band.top(), band.bottom() + 1);
    if (hasFocus() && catalogue_.currentIndex() >= 0 && catalogue_.currentIndex() < catalogue_.size())
        paintFocusMark(p, entryRect(catalogue_.currentIndex()));
}

QRect PhotoBrowser::entryRect(int index) const {
    if (kind_ == ViewKind::Details)
        return QRect(0, (index + 1) * kRowHeight, width(), kRowHeight);
    const int columns = qMax(1, layout_.columns);
    return QRect((index % columns) * kCellSize, (index / columns) * kCellSize, kCellSize, kCellSize);
}

int PhotoBrowser::indexAt(QPoint p) const {
    return hitTest(kind_, layout_.columns, catalogue_.size(), p).index;
}

void PhotoBrowser::announceCurrent() {
    const int current = catalogue_.currentIndex();
    if (!QAccessible::isActive() || !hasFocus() || current < 0 || current >= catalogue_.size())
        return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    focus.setChild(current);
    QAccessible::updateAccessibility(&focus);
}

void PhotoBrowser::announceMark(int index) {
    if (!QAccessible::isActive() || index < 0 || index >= catalogue_.size())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
}

void PhotoBrowser::keyPressEvent(QKeyEvent* event) {
    const int count = catalogue_.size();
    const int current = catalogue_.currentIndex();
    if (count == 0 || event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    // In the grid the arrows move by cells and rows; in the details view Up and Down move by rows.
    const int across = kind_ == ViewKind::Icons ? 1 : 0;
    const int down = kind_ == ViewKind::Icons ? qMax(1, layout_.columns) : 1;
    const QPoint arrow = arrowDirection(event->key());
    int target = current + arrow.x() * across + arrow.y() * down;
    if (arrow.isNull()) {
        switch (event->key()) {
        case Qt::Key_Home:
            target = 0;
            break;
        case Qt::Key_End:
            target = count - 1;
            break;
        case Qt::Key_Space:
            if (current >= 0 && current < count)
                emit markRequested(current);
            return;
        default:
            QWidget::keyPressEvent(event);
            return;
        }
    }
    // With nothing current yet, any move starts at the first photo.
    target = current < 0 ? 0 : qBound(0, target, count - 1);
    if (target != current)
        emit moveRequested(target);
}

void PhotoBrowser::paintDetails(QPainter& p, int top, int bottom) {
    const QFontMetrics fm(font());
    const int w = width();
    const int c0 = widths_[0], c1 = widths_[1], c2 = widths_[2], c3 = widths_[3];
    const int textHeight = kRowHeight - 2;
    for (int k = 0; k < catalogue_.size(); ++k) {
        const int y = (k + 1) * kRowHeight;
        if (y < top - kRowHeight || y > bottom + kRowHeight)
            continue;
        const core::ListaPlikow& e = catalogue_.at(k);
        p.fillRect(0, y, w, kRowHeight, kGrey240);
        drawSprite(p, QRect(2, y + 3, 11, 11), sprites_.checkboxes, QRect(e.Zaznaczony ? 0 : 11, 0, 11, 11));
        drawSprite(p, QRect(15, y + 1, 14, 16), sprites_.ikonaLista, QRect(0, 0, 14, 16));
        p.setPen(Qt::black);
        p.drawText(QRect(c0 + 2, y + 2, qMax(0, c1 - 2), textHeight), Qt::AlignLeft | Qt::AlignTop,
                   fitText(e.Nazwa + e.Rozszerzenie, fm, c1 - 2));
        const QString size = fitText(QString::number(e.Rozmiar) + QStringLiteral(" KB"), fm, c2 - 2);
        const int right = c0 + c1 + c2 - 1;
        p.drawText(QRect(right - fm.horizontalAdvance(size), y + 2, fm.horizontalAdvance(size), textHeight),
                   Qt::AlignLeft | Qt::AlignTop, size);
        p.drawText(QRect(c0 + c1 + c2 + 2, y + 2, qMax(0, c3 - 2), textHeight), Qt::AlignLeft | Qt::AlignTop,
                   fitText(e.Data, fm, c3 - 2));
        if (k == catalogue_.currentIndex()) {
            p.setPen(kGrey100);
            p.setBrush(Qt::NoBrush);
            p.drawRect(0, y, w - 1, kRowHeight - 1);
        }
    }
}

void PhotoBrowser::paintIcons(QPainter& p, int top, int bottom) {
    const QFontMetrics fm(font());
    const int columns = qMax(1, layout_.columns);
    for (int r = 0; r < layout_.rows; ++r) {
        const int y = r * kCellSize;
        if (y < top - kCellSize || y > bottom + kCellSize)
            continue;
        for (int c = 0; c < columns; ++c) {
            const int x = c * kCellSize;
            const int index = r * columns + c;
            if (index >= catalogue_.size()) {
                p.fillRect(x, y, kCellSize, kCellSize, kGrey240);
                continue;
            }
            const core::ListaPlikow& e = catalogue_.at(index);
            p.drawImage(QRect(x, y, kCellSize, kCellSize),
                        e.Miniatura.isNull() ? sprites_.icoBig : e.Miniatura);
            const QRect nameBox(x + 22, y + 96, 80, 14);
            p.fillRect(nameBox, kGrey230);
            p.save();
            p.setClipRect(nameBox);
            p.setPen(Qt::black);
            p.drawText(nameBox, Qt::AlignLeft | Qt::AlignVCenter, fitText(e.Nazwa, fm, 80));
            p.restore();
            if (isJpeg(e.Rozszerzenie))
                drawSprite(p, QRect(x + 14, y + 13, 23, 10), sprites_.jpegTiff, QRect(0, 0, 23, 10));
            else if (isTiff(e.Rozszerzenie))
                drawSprite(p, QRect(x + 14, y + 13, 23, 10), sprites_.jpegTiff, QRect(0, 10, 23, 10));
            drawSprite(p, QRect(x + 9, y + 97, 11, 11), sprites_.checkboxes,
                       QRect(e.Zaznaczony ? 0 : 11, 0, 11, 11));
            if (index == catalogue_.currentIndex()) {
                p.setPen(kGrey100);
                p.setBrush(Qt::NoBrush);
                p.drawRect(x + 9, y + 8, 97, 84);
            }
        }
    }
}

void PhotoBrowser::mousePressEvent(QMouseEvent* event) {
    emit pressed(event->position().toPoint(), event->button());
}

} // namespace ui
