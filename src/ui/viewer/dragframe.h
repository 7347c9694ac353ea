#pragma once

// The dashed frame drawn around a dragged selection: four white pixels then four black ones, the
// pattern advancing 0.8 of a step per pixel, on whole bitmap pixels. UI thread only.
#include "ui/viewer/viewlayers.h"

class QPainter;

// Draws the frame of `rect` (bitmap pixels, rounded to whole pixels) on the view's viewport painter.
void PaintDragFrame(QPainter& p, const ViewGeometry& view, const BitmapRect& rect);
