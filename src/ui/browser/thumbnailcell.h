#pragma once

// The 116 × 116 cells of the icons view: a photo drawn into the 96 × 83 box of a blank cell, or the
// placeholder with a red cross when no thumbnail can be made. Pure functions over QImage: any thread
// (the thumbnail fill runs them on its pool).
#include <QImage>
#include <QRect>
#include <QString>

namespace ui {

inline constexpr int kCellSize = 116;
inline constexpr int kBoxLeft = 10;
inline constexpr int kBoxTop = 9;
inline constexpr int kBoxWidth = 96;
inline constexpr int kBoxHeight = 83;

// Where a photo of this size lands in the cell: wide photos fill the box's width and are centred
// vertically, tall ones fill its height and are centred horizontally (sizes rounded halves to even,
// offsets truncated). An empty size gives an empty rectangle. A sliver of a photo keeps at least one pixel.
QRect thumbnailPlacement(QSize photo);

// The picture a cell is made from: the EXIF preview of a JPEG file when it has one, otherwise the image
// library's thumbnail. Null when neither gives an image.
QImage decodeThumbnail(const QString& path);

// `blank` with `photo` scaled (Lanczos) into its placement; a null photo gives `failedCell`. A blank with a
// device pixel ratio above 1 gets the photo at that many device pixels per logical one.
QImage composeCell(const QImage& photo, const QImage& blank, const QImage& placeholder);

// `placeholder` with a red cross of 2-pixel lines from (28, 21) to (88, 81) and from (88, 21) to (28, 81).
QImage failedCell(const QImage& placeholder);

} // namespace ui
