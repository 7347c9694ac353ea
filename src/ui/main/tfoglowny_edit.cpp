// Editing hooks of the main window that the browser and the closing sequence rely on. The editing tools
// themselves extend these.
#include "ui/main/tfoglowny.h"

#include <QLabel>

namespace ui {

void TfoGlowny::LeavePhoto() {
    pEdycjaKadrowanie->hide();
    pEdycjaRedEye->hide();
}

bool TfoGlowny::SaveEdits() {
    // Nothing can be edited yet, so there is nothing to write; report it as not saved so that a caller
    // never throws an edit away believing it was kept.
    return !Modified;
}

void TfoGlowny::UpdateSelectionInfo() {
    laZaznaczenie->clear();
}

} // namespace ui
