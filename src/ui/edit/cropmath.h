#pragma once

// The crop tool's arithmetic without a widget: the eight choices of the crop panel, the format lock of
// a crop drag, the crop frame's move and resize rules, and the quality indicator. Pure functions, any
// thread.
#include "imaging/printformats.h"
#include "ui/viewer/viewlayers.h"
#include "ui/viewer/viewmath.h"

#include <QString>

#include <array>

namespace cropmath {

// One radio button of the crop panel.
struct CropChoice {
    const char* button; // "rbKadrowanie1015"
    int formatCode;     // print format (1..7), 0 for "dowolna"
    int dragLong;       // p: the ratio that locks a drag (p : q), 0 for "dowolna"
    int dragShort;      // q
    int minimumWidth;   // good print quality from this selection width on; 0 for "dowolna"
    bool isFree() const { return formatCode == 0; }
    QString caption() const; // the format's name, or "dowolna"
    const imaging::PrintFormat* format() const { return imaging::PrintFormatByCode(formatCode); }
};

inline constexpr int kChoiceCount = 8;
inline constexpr int kFreeChoice = 7; // "dowolna", the last button, checked at start

// The buttons in the order the panel shows them: by size, "dowolna" last.
const std::array<CropChoice, kChoiceCount>& CropChoices();

// Locks a crop drag's rectangle (already clamped to the bitmap) to p : q, landscape, by the direction
// of the drag; integer arithmetic, divisions truncating towards zero.
void LockDrag(viewmath::DragRect& r, int p, int q, int bitmapHeight);

// The crop frame's resizing rule: a move keeps the size against the bitmap's edges; a resize is clamped
// to the bitmap (free proportions) or keeps the format's b / a by the dragged corner. Every coordinate
// ends rounded to a whole number.
void ResizeFrame(const BitmapRect& old, BitmapRect& proposed, RubberBandLayer::Handle handle,
                 const CropChoice& choice, int bitmapWidth, int bitmapHeight);

enum class Quality { None, Good, Medium, Blank };
// The indicator for a selection `width` pixels wide (truncated), or None without a selection.
Quality QualityOf(bool hasSelection, int width, const CropChoice& choice);

// "Wymiar: " + w + "x" + h, the sizes truncated towards zero.
QString SelectionText(const BitmapRect& r);

} // namespace cropmath
