#pragma once

// Colour corrections of the working bitmap: black and white, sepia, hue/saturation/lightness,
// contrast and brightness.
//
// Every function changes the bitmap in place (it is converted to Format_ARGB32 first if it has another
// format) and keeps no state between calls. The results are fixed to the last bit by the integer and
// single-precision arithmetic below, so previews and saved photos agree on every machine. Callable from
// any thread for a bitmap that thread owns; large bitmaps are spread over the global thread pool.
#include <QImage>
#include <QRgb>

#include <array>
#include <cstdint>

namespace imaging {

void ToGreyscale(QImage& bitmap);
void ToSepia(QImage& bitmap);

// Shifts of −255..255 each: the three sliders of the hue/saturation/lightness dialog. The result has
// alpha 0.
void AdjustHsl(QImage& bitmap, int hueShift, int saturationShift, int lightnessShift);

// c and b are the slider positions of the brightness/contrast dialog (−100..100) divided by 100.
void AdjustContrast(QImage& bitmap, double c);
void AdjustBrightness(QImage& bitmap, double b);

// The building blocks, exposed for tests and for dialogs that want a single value.
struct Hsl {
    int h = 0;
    int s = 0;
    int l = 0;
    friend bool operator==(const Hsl&, const Hsl&) = default;
};
Hsl RgbToHsl(int r, int g, int b);
QRgb HslToRgb(Hsl hsl); // alpha 0

using ChannelTable = std::array<std::uint8_t, 256>;
ChannelTable ContrastTable(double c);
ChannelTable BrightnessTable(double b);
// Each colour channel through `table`, alpha 255 (what AdjustContrast and AdjustBrightness do with
// their tables).
void MapChannels(QImage& bitmap, const ChannelTable& table);

// Sepia colour for every luma value (alpha 255).
std::array<QRgb, 256> SepiaTable();

} // namespace imaging
