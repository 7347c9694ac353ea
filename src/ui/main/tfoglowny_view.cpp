// The viewer's side of the main window: opening the current photo and showing its scale.
#include "ui/main/tfoglowny.h"

#include "ui/common/textfit.h"

#include <QImageReader>
#include <QLabel>

namespace ui {

void TfoGlowny::ShowPhoto() {
    const int i = catalogue_.currentIndex();
    if (i < 0 || i >= catalogue_.size()) {
        laNazwaPliku->clear();
        laRozmiarPliku->clear();
        laWagaPliku->clear();
        return;
    }
    const core::ListaPlikow& e = catalogue_.at(i);
    laNazwaPliku->setText(fitText(e.Nazwa, laNazwaPliku->fontMetrics(), laNazwaPliku->width()));
    laWagaPliku->setText(QString::number(e.Rozmiar) + QStringLiteral(" KB"));
    const QSize size = QImageReader(e.Sciezka).size();
    laRozmiarPliku->setText(size.isValid() ? QStringLiteral("%1x%2").arg(size.width()).arg(size.height())
                                           : QString());
}

void TfoGlowny::RefreshView() {
    pPaintBox->update();
}

void TfoGlowny::UpdateZoomLabel() {
    laZoom->setText(QStringLiteral("Widok: 100%"));
}

} // namespace ui
