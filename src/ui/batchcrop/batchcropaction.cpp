#include "ui/batchcrop/batchcropaction.h"

#include "document/photoedit.h"
#include "ui/batchcrop/tfokadrownie.h"
#include "ui/main/tfoglowny.h"

#include <QAction>

namespace ui {

void ConnectBatchCropAction(TfoGlowny& w) {
    QObject::connect(w.action(QStringLiteral("aEdycjaKreatorKadrowania")), &QAction::triggered, &w, [&w] {
        TfoKadrownie wizard(w.prompts(), w.shell(), &w);
        wizard.move(w.x() + 73, w.y() + 84);
        wizard.setFolder(w.folder());
        wizard.setQuality(w.photoEdit()->jpegQuality());
        wizard.setSource(EntriesFromCatalogue(w.catalogue().entries()));
        w.runDialog(wizard);
    });
}

} // namespace ui
