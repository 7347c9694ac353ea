#pragma once

// Fresh Format_ARGB32 bitmaps for the effects that cannot work in place (quarter turns, filters).
//
// A photo-sized bitmap is 100 MB; touching it page by page for the first time costs more than the
// effect itself. Large bitmaps are therefore placed on memory the system may back with huge pages, and
// the memory of the last large bitmap freed is kept for the next one of about its size (an edit
// replaces the photo by a new bitmap of the same size). The result is an ordinary QImage that owns its
// memory; callable from any thread.
#include <QImage>

namespace imaging::detail {

// Uninitialised pixels; a null image when the size is not positive or memory runs out.
QImage NewBitmap(int width, int height);

} // namespace imaging::detail
