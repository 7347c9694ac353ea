#include "ui/main/informationactions.h"

#include "document/photodocument.h"
#include "ui/browser/fileoperations.h"
#include "ui/info/tfoabout.h"
#include "ui/info/tfojakdziala.h"
#include "ui/main/tfoglowny.h"

#include <QAction>
#include <QLabel>

namespace ui {

namespace {

bool hasCurrent(TfoGlowny& w) {
    const int i = w.catalogue().currentIndex();
    return i >= 0 && i < w.catalogue().size();
}

} // namespace

PhotoDetails CurrentPhotoDetails(TfoGlowny& w) {
    const core::ListaPlikow& e = w.catalogue().at(w.catalogue().currentIndex());
    // The labels under the viewer, not the bitmap: after a crop the window still tells the photo's size.
    return {e.Nazwa + e.Rozszerzenie, w.folder(), e.Rozszerzenie,           w.laRozmiarPliku->text(),
            w.laWagaPliku->text(),    e.Data,     w.document()->exifLines()};
}

void ConnectInformationActions(TfoGlowny& w) {
    const auto on = [&w](const char* name, auto slot) {
        QObject::connect(w.action(QString::fromLatin1(name)), &QAction::triggered, &w, slot);
    };
    // Each file command acts on the current photo's path and says whether the folder must be read again.
    const auto onFile = [&w, on](const char* name,
                                 bool (*command)(FileOperations&, const QString&, const QString&)) {
        on(name, [&w, command] {
            if (!hasCurrent(w))
                return;
            // A save of the photo on its way ends before its file is copied, moved or deleted.
            w.AfterDocumentWork([&w, command, path = w.catalogue().at(w.catalogue().currentIndex()).Sciezka] {
                FileOperations files(&w, w.prompts(), w.shell());
                if (command(files, path, w.folder()))
                    w.Refresh();
            });
        });
    };
    onFile("aPlikKopiujDo", [](FileOperations& f, const QString& path, const QString& folder) {
        return f.copyTo(path, folder);
    });
    onFile("aPlikPrzeniesDo", [](FileOperations& f, const QString& path, const QString& folder) {
        return f.moveTo(path, folder);
    });
    onFile("aPlikUsun",
           [](FileOperations& f, const QString& path, const QString&) { return f.remove(path); });
    on("aPlikInfo", [&w] {
        // The details of the photo shown, not of the one still loading.
        const PhotoDocument& photo = *w.document();
        if (!hasCurrent(w) || photo.loadState() != PhotoDocument::LoadState::Loaded ||
            photo.path() != w.catalogue().at(w.catalogue().currentIndex()).Sciezka)
            return;
        TfoEXIF details(CurrentPhotoDetails(w), &w);
        details.exec();
    });
    on("aPomocProgram", [&w] {
        TfoAbout about(AboutTexts::current(), &w);
        about.exec();
    });
    on("aPomocJakDziala", [&w] {
        TfoJakDziala how(&w);
        how.exec();
    });
}

} // namespace ui
