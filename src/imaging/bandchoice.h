#pragma once

// The automatic alignment of a height cut: which of the three bands (top, centre, bottom) keeps what a
// photo shows, from the faces found in it or, without faces, from where its detail lies. Pure
// functions: any thread.
#include "imaging/printformats.h"

#include <QRect>
#include <QSize>

#include <vector>

namespace imaging {

// What was found in a photo, in the upright photo's own pixels.
struct PhotoSubjects {
    QSize size;               // the photo's own size
    std::vector<QRect> faces; // one rectangle per face, eyebrows to chin as the detector frames them
    // Edge energy of the photo's rows, top to bottom, in equal strips covering its whole height (the
    // rows of the reduced copy detection looked at). Empty: nothing known.
    std::vector<long long> detail;
    QSize searched; // the size of the reduced copy that was searched (0 × 0: none could be read)
};

// The head a face rectangle belongs to: the face with the forehead and hair above it, inside the photo.
QRect HeadOfFace(const QRect& face, QSize photo);

// The alignment whose band holds the most heads wholly, then the most of their area; without faces
// the band with clearly the most detail. Ties go to the centre, so a photo where nothing was found is
// cut as by default; the alignment plays no part (centre) when the format makes no height cut of it.
CropAlignment ChooseAlignment(const PhotoSubjects& subjects, int formatCode);

} // namespace imaging
