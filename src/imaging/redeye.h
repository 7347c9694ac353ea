#pragma once

// Automatic red-eye reduction inside one dragged rectangle: find the red blob that most looks like a
// pupil and darken its red channel.
//
// Every buffer is sized to the rectangle, never to the photo. Pure functions: callable from any
// thread for bitmaps that thread owns.
#include <QImage>
#include <QRect>

namespace imaging {

// Whether a pixel counts as red: R > Round(1.8 × G) and R > 40; blue plays no part.
bool IsRedEyeRed(int red, int green);

// Looks in `source` (the region, any format read as ARGB32) for the pupil and recolours it in
// `result`, which starts as a Format_ARGB32 copy of the source. Answers true when pixels were
// recoloured; otherwise `result` is that unchanged copy.
bool RemoveRedEye(const QImage& source, QImage& result);

// The same on a region of the working bitmap: region.topLeft() is (left, top) of the drag and
// region.size() is right − left by bottom − top. Parts of the region outside the bitmap read as black
// and are never written (a region reaching far past the photo costs no more than one
// just around it). Answers true when the bitmap was changed.
bool RemoveRedEyeInRegion(QImage& bitmap, const QRect& region);

} // namespace imaging
