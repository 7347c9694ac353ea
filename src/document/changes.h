#pragma once

// The changes the edit commands make to the working bitmap, each with what its undo needs: quarter turns
// with their exact inverse, colour effects band by band, filters and turns handing their rows on for the
// viewer's copy, a crop keeping its margins, red-eye keeping its patch. Pure: callable from any thread.
#include "document/photodocument.h"

namespace changes {

PhotoDocument::Change TurnLeft();
PhotoDocument::Change TurnRight();
PhotoDocument::Change BlackAndWhite();
PhotoDocument::Change Sepia();
PhotoDocument::Change Blur();
PhotoDocument::Change Sharpen();
// Keeps `kept` of the bitmap (what lies inside it, when the bitmap is smaller by the time it runs).
PhotoDocument::Change Crop(QRect kept);
// Looks for a pupil in `region` (bitmap pixels, possibly reaching past the photo) and recolours it;
// changes nothing and leaves no step when there is none.
PhotoDocument::Change RedEye(QRect region);

} // namespace changes
