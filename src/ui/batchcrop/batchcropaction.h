#pragma once

// The main window's way into the batch cropping wizard. UI thread only.
namespace ui {

class TfoGlowny;

// Connects `aEdycjaKreatorKadrowania`: the wizard opens over copies of the catalogue entries, the
// current folder and the JPEG quality setting, placed at the window's left + 73 and top + 84, and runs
// through the window's `runDialog`. The window takes nothing back: catalogue, folder view and quality stay.
void ConnectBatchCropAction(TfoGlowny& window);

} // namespace ui
