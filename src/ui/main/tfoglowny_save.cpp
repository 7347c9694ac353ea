// Saving and leaving the photo in the viewer: the save question and dialog, save as, discarding the
// edit, and the order in which leaving a photo happens. Every write is a job of the photo document's
// queue, so it writes what the changes before it made; the next photo is chosen only once the save of
// the photo left has ended well (or the customer dropped the edit).
#include "ui/main/tfoglowny.h"

#include "document/photodocument.h"
#include "document/savetarget.h"
#include "ui/common/prompts.h"
#include "ui/edit/tfozapisz.h"
#include "ui/viewer/imageview.h"
#include "ui/viewer/imageviewcontroller.h"

#include <QAction>
#include <QFile>

namespace ui {

void TfoGlowny::LeavePhoto(std::function<void()> then) {
    leaveThen_ = std::move(then); // a newer request replaces the one waiting
    if (leaving_)
        return;
    leaving_ = true;
    // Whether anything is left unsaved is known once the work queued for the photo has landed.
    document_->whenSettled([this] {
        if (!document_->isModified())
            FinishLeave(true);
        else
            SaveEdits(true, true, [this](bool mayLeave) { FinishLeave(mayLeave); });
    });
}

void TfoGlowny::FinishLeave(bool go) {
    leaving_ = false;
    std::function<void()> then = std::exchange(leaveThen_, nullptr);
    if (!go)
        return;
    EndTools();
    if (then)
        then();
}

void TfoGlowny::GoToPhoto(int index) {
    if (index < 0 || index >= catalogue_.size() || (index == catalogue_.currentIndex() && !leaving_))
        return;
    LeavePhoto([this, path = catalogue_.at(index).Sciezka] { OpenPath(path); });
}

void TfoGlowny::AfterDocumentWork(std::function<void()> command) {
    if (leaving_ || waitingCommand_)
        return; // one waiting command at a time; a save on its way is waited for
    waitingCommand_ = true;
    document_->whenSettled([this, command = std::move(command)] {
        waitingCommand_ = false;
        command();
    });
}

void TfoGlowny::DropEdit() {
    if (pEdycjaKadrowanie->isVisible())
        CancelCrop();
    ivObraz->removeAllLayers();
}

void TfoGlowny::DiscardEdits() {
    EndTools();
    ivObraz->setViewCursor(QCursor(Qt::ArrowCursor));
    // The file on disk is the unedited photo; reading it again is a step undo can take back.
    viewer_->setFitToWindow(true);
    document_->discard();
}

int TfoGlowny::SaveDialog(QString& path) {
    const core::ListaPlikow& e = catalogue_.at(catalogue_.currentIndex());
    TfoZapisz d(prompts(), this);
    d.prepare(e.Nazwa + QStringLiteral("_kopia"), e.Nazwa, folder_, document_->jpegQuality());
    PlaceDialog(d, {-200, -200});
    const int result = runDialog(d);
    if (result == TfoZapisz::kNewFile)
        path = document::JpegSaveTarget(folder_, d.newName());
    else if (result == TfoZapisz::kExistingFile)
        path = document::JpegSaveTarget(folder_, e.Nazwa, e.Sciezka);
    if (!path.isEmpty())
        document_->setJpegQuality(d.quality());
    return result;
}

void TfoGlowny::WriteEdit(const QString& path, std::function<void(bool ok)> done) {
    if (saves_.isEmpty())
        SetSaving(true);
    saves_.insert(document_->save(path, document_->jpegQuality()), std::move(done));
}

void TfoGlowny::Saved(int ticket, const QString&, const imaging::SaveResult& result) {
    std::function<void(bool)> done = saves_.take(ticket);
    if (saves_.isEmpty())
        SetSaving(false);
    // A failed save keeps the edit on screen, still marked, so that it can be saved elsewhere.
    if (!result.ok())
        prompts().error(this, imaging::SaveFailureMessage(result));
    if (done)
        done(result.ok());
}

void TfoGlowny::SetSaving(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(pObrazToolbar), static_cast<QWidget*>(ivObraz)})
        w->setEnabled(!on);
}

bool TfoGlowny::MayWrite(const QString& path, int result, bool saveAs) {
    // The two saves have always worded the new-name question a little differently.
    const QString question =
        result != TfoZapisz::kNewFile ? QStringLiteral("Czy zastąpić istniejący plik?\r\n")
        : saveAs ? QStringLiteral("Plik o wybranej nazwie istnieje. Czy chcesz go zastąpić\r\n")
                 : QStringLiteral("Plik o wybranej nazwie istnieje. Czy chcesz go zastąpi?\r\n");
    if (!QFile::exists(path) || prompts().askYesNo(this, question + path) == Prompts::Answer::Yes)
        return true;
    // Nothing is written and the edit stays; the folder is read again as after every save.
    Rescan(document_->path(), false);
    return false;
}

bool TfoGlowny::SaveEdits(bool ask, bool discardOnCancel, std::function<void(bool mayLeave)> done) {
    const auto finish = [&done](bool mayLeave) {
        if (done)
            done(mayLeave);
    };
    const int i = catalogue_.currentIndex();
    if (i < 0 || i >= catalogue_.size() || document_->loadState() != PhotoDocument::LoadState::Loaded) {
        finish(true);
        return false;
    }
    const auto dropEdit = [this] {
        document_->setModified(false);
        DropEdit();
    };
    if (ask && prompts().askYesNo(this, QStringLiteral("Obraz został zmieniony. Zapisać zmiany?")) !=
                   Prompts::Answer::Yes) {
        dropEdit();
        finish(true);
        return false;
    }
    QString path;
    const int result = SaveDialog(path);
    if (path.isEmpty()) {
        if (discardOnCancel)
            dropEdit();
        finish(discardOnCancel);
        return false;
    }
    if (!MayWrite(path, result, false)) {
        finish(false);
        return result == TfoZapisz::kExistingFile;
    }
    WriteEdit(path, [this, path, done = std::move(done)](bool ok) {
        if (!ok) {
            if (done)
                done(false);
            return;
        }
        DropEdit();
        if (done) {
            // Leaving or closing: the folder lists the new file, and the caller goes on from there.
            Rescan(document_->path(), false);
            done(true);
        } else {
            Rescan(path, true); // the file just written, as it now reads from disk
        }
    });
    return result == TfoZapisz::kExistingFile;
}

void TfoGlowny::SaveAs() {
    QString path;
    const int result = SaveDialog(path);
    if (path.isEmpty())
        return;
    if (!MayWrite(path, result, true))
        return;
    // The edit is in the file written: the photo shown becomes that file, with nothing left to save.
    WriteEdit(path, [this, path](bool ok) {
        if (ok)
            Rescan(path, true);
    });
}

} // namespace ui
