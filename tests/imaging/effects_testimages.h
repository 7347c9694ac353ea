#pragma once

// Generated bitmaps shared by the tests of the pixel effects.
#include <QImage>

#include <random>

namespace effectstest {

// Every pixel, alpha included, drawn at random: reaches every branch of a colour conversion and
// every clamp of a filter.
inline QImage randomImage(int w, int h, unsigned seed, QRgb orMask = 0) {
    QImage image(w, h, QImage::Format_ARGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, static_cast<QRgb>(rng()) | orMask);
    return image;
}

inline QImage filled(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace effectstest
