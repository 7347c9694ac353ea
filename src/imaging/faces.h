#pragma once

// Frontal faces in a grey picture, found with dlib's frontal face detector (HOG features and a linear
// classifier over an image pyramid). It finds faces of about 80 × 80 pixels and larger. Reentrant: each
// thread gets its own copy of the detector, made once from one shared model.
#include <QImage>
#include <QRect>

#include <vector>

namespace imaging {

// The faces of `grey` (Format_Grayscale8), in its pixels; none for a null picture or when the detector
// fails.
std::vector<QRect> DetectFaces(const QImage& grey);

} // namespace imaging
