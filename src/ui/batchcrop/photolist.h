#pragma once

// The wizard's list of photos to crop: one row of 101 pixels per photo with its thumbnail, file name, an
// illustration of the three alignments and a radio glyph for each; a press on a glyph sets that photo's
// alignment. Owner-drawn, only the rows in view are painted, so hundreds of photos stay cheap.
// UI thread only.
#include "ui/batchcrop/wizardentry.h"

#include <QPixmap>
#include <QWidget>

namespace ui {

inline constexpr int kPhotoRowHeight = 101;

// Makes the wizard's pictures available (once; any later call does nothing).
void InitBatchCropResources();

// Where a press on the list lands: the row (y div 101) and the alignment of the glyph hit, or
// alignment 0 (and row -1) when the press is off every glyph or below the last row.
struct AlignmentHit {
    int row = -1;
    int alignment = 0;
    friend bool operator==(const AlignmentHit&, const AlignmentHit&) = default;
};
AlignmentHit HitAlignment(QPoint at, int rows);

// The rows that meet `area` of a list of `rows` rows: first and last (inclusive); last < first when
// none does.
struct RowSpan {
    int first = 0;
    int last = -1;
    friend bool operator==(const RowSpan&, const RowSpan&) = default;
};
RowSpan RowsIn(const QRect& area, int rows);

class PhotoList : public QWidget {
    Q_OBJECT
public:
    explicit PhotoList(QWidget* parent = nullptr);

    // Replaces the photos; the list takes a height of 101 pixels per photo, at least `minimumRows` rows.
    void setEntries(QList<WizardEntry> entries, int minimumRows);
    const QList<WizardEntry>& entries() const { return entries_; }

    // Every photo gets this alignment.
    void alignAll(imaging::CropAlignment alignment);
    // The photo of `row` gets this alignment (a row that does not exist is ignored).
    void setAlignment(int row, imaging::CropAlignment alignment);

    // Rows painted by the last paint (tests watch that a long list paints only what is seen).
    RowSpan lastPainted() const { return lastPainted_; }

signals:
    // A press on a glyph gave the photo of `row` an alignment of its own.
    void entryAligned(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void paintRow(QPainter& painter, int row) const;

    QList<WizardEntry> entries_;
    QPixmap frame_;
    QPixmap illustration_;
    QPixmap glyphOff_;
    QPixmap glyphOn_;
    RowSpan lastPainted_;
};

} // namespace ui
