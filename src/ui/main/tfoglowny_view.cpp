// The viewer's side of the main window: opening the current photo and showing its scale.
#include "ui/main/tfoglowny.h"

#include <QLabel>

namespace ui {

void TfoGlowny::ShowPhoto() {}

void TfoGlowny::RefreshView() {
    pPaintBox->update();
}

void TfoGlowny::UpdateZoomLabel() {
    laZoom->setText(QStringLiteral("Widok: 100%"));
}

} // namespace ui
