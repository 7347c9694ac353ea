#pragma once

// Looking at a photo for the automatic alignment: its faces and where its detail lies, found on a
// reduced grey copy of about a megapixel, never on the full photo. Reentrant: any number of photos may
// be looked at at once.
#include "imaging/bandchoice.h"

#include <QImage>
#include <QString>

namespace imaging {

// The most pixels of the copy detection looks at.
inline constexpr int kSearchPixels = 1'000'000;

// A grey copy of `image` (any format) with at most kSearchPixels pixels and its aspect ratio; a smaller
// image keeps its size.
QImage SearchCopy(const QImage& image);

// The edge energy of each row of `grey` (Format_Grayscale8): the differences to the right and below
// neighbours, summed over the row.
std::vector<long long> RowDetail(const QImage& grey);

// Faces and detail of a photo of `photoSize` whose reduced grey copy is `grey`, in the photo's pixels.
PhotoSubjects FindSubjects(const QImage& grey, QSize photoSize);

// Reads a reduced copy of the photo file (a JPEG at a reduced DCT scale) and looks at it. A file that
// cannot be read gives nothing found, which the alignment treats as the default.
PhotoSubjects FindSubjectsInFile(const QString& path);

} // namespace imaging
