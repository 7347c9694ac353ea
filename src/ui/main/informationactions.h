#pragma once

// The main window's commands on the current photo file (copy to, move to, delete, details) and the
// about and how-it-works windows. Kept out of the window's own files: they only need its public face.
// UI thread only.
#include "ui/info/tfoexif.h"

namespace ui {

class TfoGlowny;

// Connects `aPlikKopiujDo`, `aPlikPrzeniesDo`, `aPlikUsun`, `aPlikInfo`, `aPomocProgram` and
// `aPomocJakDziala`. With no current photo the file commands do nothing.
void ConnectInformationActions(TfoGlowny& window);

// What the details window shows for the current photo (which must exist).
PhotoDetails CurrentPhotoDetails(TfoGlowny& window);

} // namespace ui
