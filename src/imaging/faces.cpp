#include "imaging/faces.h"

#include <dlib/image_processing/frontal_face_detector.h>

#include <cstring>
#include <exception>

namespace imaging {

namespace {

// Unpacking the model takes a good part of a second: once for the program, then a copy per thread
// (the detector keeps its working pyramid inside, so threads cannot share one).
const dlib::frontal_face_detector& model() {
    static const dlib::frontal_face_detector once = dlib::get_frontal_face_detector();
    return once;
}

} // namespace

std::vector<QRect> DetectFaces(const QImage& grey) {
    std::vector<QRect> faces;
    if (grey.isNull() || grey.format() != QImage::Format_Grayscale8)
        return faces;
    try {
        thread_local dlib::frontal_face_detector detector = model();
        dlib::array2d<unsigned char> pixels(grey.height(), grey.width());
        for (int y = 0; y < grey.height(); ++y)
            std::memcpy(&pixels[y][0], grey.constScanLine(y), static_cast<std::size_t>(grey.width()));
        for (const dlib::rectangle& r : detector(pixels)) {
            const QRect face(static_cast<int>(r.left()), static_cast<int>(r.top()),
                             static_cast<int>(r.width()), static_cast<int>(r.height()));
            // The detector may frame a face at the border partly outside the picture.
            const QRect inside = face.intersected(grey.rect());
            if (!inside.isEmpty())
                faces.push_back(inside);
        }
    } catch (const std::exception&) {
        faces.clear();
    }
    return faces;
}

} // namespace imaging
