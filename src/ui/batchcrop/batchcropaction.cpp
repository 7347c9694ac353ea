#include "ui/batchcrop/batchcropaction.h"

#include "document/photodocument.h"
#include "ui/batchcrop/tfokadrownie.h"
#include "ui/main/tfoglowny.h"

#include <QAction>

namespace ui {

namespace {

void runWizard(TfoGlowny& w) {
    TfoKadrownie wizard(w.prompts(), w.shell(), &w);
    wizard.move(w.x() + 73, w.y() + 84);
    wizard.setFolder(w.folder());
    wizard.setQuality(w.document()->jpegQuality());
    wizard.setSource(EntriesFromCatalogue(w.catalogue().entries()));
    w.runDialog(wizard);
}

} // namespace

void ConnectBatchCropAction(TfoGlowny& w) {
    QObject::connect(w.action(QStringLiteral("aEdycjaKreatorKadrowania")), &QAction::triggered, &w, [&w] {
        // The wizard may replace photos in place: a save of the photo shown ends first.
        w.AfterDocumentWork([&w] { runWizard(w); });
    });
}

} // namespace ui
