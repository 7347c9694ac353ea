#pragma once

// The program's five custom cursors, registered once at start-up under their numbers and drawn from
// the cursor resources "RACZKA", "CROP", "REDEYE", "ZOOM" and "ZOOMOUT". UI thread only.
#include <QCursor>
#include <QString>

namespace cursors {

enum Number { Raczka = 1, Crop = 2, RedEye = 3, Zoom = 4, ZoomOut = 5 };

// Builds the five cursors from the resources; later calls do nothing.
void RegisterCursors();

// The resource name of a cursor number ("RACZKA" for 1 ...), empty for other numbers.
QString ResourceName(int number);

// The registered cursor of that number (registers on first use); the arrow for any other number.
QCursor Cursor(int number);

} // namespace cursors
