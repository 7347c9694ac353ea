#include "ui/batchcrop/photolist.h"

#include "ui/browser/thumbnailcell.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initBatchCropQrc() {
    Q_INIT_RESOURCE(batchcrop);
}

namespace ui {

void InitBatchCropResources() {
    static const bool once = (initBatchCropQrc(), true);
    (void)once;
}

namespace {

const QColor kListBackground(240, 240, 240);
const QColor kSeparator(230, 230, 230);
constexpr int kTextLeft = 135;
constexpr int kGlyphTop = 72;
constexpr int kLabelTop = 70;
constexpr int kGlyphSize = 11;
// Glyph and label of each alignment, top, centre and bottom, in the order they stand in a row.
constexpr std::array<int, 3> kGlyphLeft{135, 206, 277};
constexpr std::array<int, 3> kLabelLeft{148, 219, 290};

QPixmap picture(const char* name, QSize size) {
    return QIcon(QStringLiteral(":/batchcrop/%1.svg").arg(QLatin1String(name))).pixmap(size);
}

} // namespace

AlignmentHit HitAlignment(QPoint at, int rows) {
    const int row = at.y() / kPhotoRowHeight;
    if (at.y() < 0 || row >= rows)
        return {};
    const int top = kPhotoRowHeight * row;
    if (at.y() <= top + 35 || at.y() >= top + 83)
        return {};
    const int x = at.x();
    if (x >= 136 && x < 175)
        return {row, 1};
    if (x >= 207 && x < 246)
        return {row, 2};
    if (x > 277 && x < 317)
        return {row, 3};
    return {};
}

RowSpan RowsIn(const QRect& area, int rows) {
    if (area.isEmpty() || rows <= 0 || area.bottom() < 0)
        return {};
    const int first = std::max(0, area.top() / kPhotoRowHeight);
    const int last = std::min(rows - 1, area.bottom() / kPhotoRowHeight);
    return {first, last};
}

PhotoList::PhotoList(QWidget* parent)
    : QWidget(parent)
    , frame_((InitBatchCropResources(), picture("ramka", {kCellSize, kPhotoRowHeight})))
    , illustration_(picture("wyrownanie", {182, 30}))
    , glyphOff_(picture("radio", {kGlyphSize, kGlyphSize}))
    , glyphOn_(picture("radiowybrane", {kGlyphSize, kGlyphSize})) {
    setObjectName(QStringLiteral("pbLista"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
}

void PhotoList::setEntries(QList<WizardEntry> entries, int minimumRows) {
    entries_ = std::move(entries);
    const int rows = std::max(static_cast<int>(entries_.size()), minimumRows);
    setMinimumHeight(rows * kPhotoRowHeight);
    resize(width(), std::max(height(), rows * kPhotoRowHeight));
    update();
}

void PhotoList::alignAll(imaging::CropAlignment alignment) {
    for (WizardEntry& e : entries_)
        e.Wyrownanie = alignment;
    update();
}

void PhotoList::setAlignment(int row, imaging::CropAlignment alignment) {
    if (row < 0 || row >= entries_.size())
        return;
    entries_[row].Wyrownanie = alignment;
    update(0, row * kPhotoRowHeight, width(), kPhotoRowHeight);
}

void PhotoList::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), kListBackground);
    lastPainted_ = RowsIn(event->rect(), static_cast<int>(entries_.size()));
    for (int row = lastPainted_.first; row <= lastPainted_.last; ++row)
        paintRow(p, row);
}

void PhotoList::paintRow(QPainter& p, int row) const {
    const WizardEntry& e = entries_.at(row);
    const int y = row * kPhotoRowHeight;
    p.drawPixmap(0, y, frame_);
    if (!e.Miniatura.isNull()) {
        // Only the photo's box of the cell: the cell's own border would clash with the frame.
        const qreal ratio = e.Miniatura.devicePixelRatio();
        const QRectF box(kBoxLeft * ratio, kBoxTop * ratio, kBoxWidth * ratio, kBoxHeight * ratio);
        p.drawImage(QRectF(kBoxLeft, y + kBoxTop, kBoxWidth, kBoxHeight), e.Miniatura, box);
    }
    p.setPen(Qt::black);
    const int line = fontMetrics().height();
    p.drawText(QRect(kTextLeft, y + 10, width() - kTextLeft - 4, line), Qt::AlignLeft | Qt::AlignTop,
               fontMetrics().elidedText(e.fileName(), Qt::ElideMiddle, width() - kTextLeft - 4));
    p.drawPixmap(kTextLeft, y + 35, illustration_);
    for (int i = 0; i < 3; ++i) {
        const auto alignment = static_cast<imaging::CropAlignment>(i + 1);
        p.drawPixmap(kGlyphLeft[i], y + kGlyphTop, e.Wyrownanie == alignment ? glyphOn_ : glyphOff_);
        p.drawText(QRect(kLabelLeft[i], y + kLabelTop, 56, line), Qt::AlignLeft | Qt::AlignTop,
                   imaging::CropAlignmentName(alignment));
    }
    p.setPen(kSeparator);
    p.drawLine(119, y + 92, width() - 1, y + 92);
}

void PhotoList::mousePressEvent(QMouseEvent* event) {
    const AlignmentHit hit = HitAlignment(event->position().toPoint(), static_cast<int>(entries_.size()));
    if (hit.alignment == 0)
        return;
    setAlignment(hit.row, static_cast<imaging::CropAlignment>(hit.alignment));
    emit entryAligned(hit.row);
}

} // namespace ui
