// The editing side of the main window: it wires the edit commands to the editing state (`PhotoEdit`),
// the crop and red-eye tools and the dialogs, and shows what the state says. The work itself is done
// there, not here.
#include "ui/main/tfoglowny.h"

#include "imaging/colour.h"
#include "imaging/filters.h"
#include "imaging/photometadata.h"
#include "imaging/rotate.h"
#include "ui/common/cursors.h"
#include "ui/common/picturebutton.h"
#include "ui/common/prompts.h"
#include "ui/edit/adjustmentdialog.h"
#include "ui/edit/croptool.h"
#include "ui/viewer/imageview.h"
#include "ui/viewer/imageviewcontroller.h"
#include "document/photoedit.h"
#include "document/photosaver.h"
#include "ui/edit/redeyetool.h"
#include "ui/edit/tfozapisz.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>

#include <algorithm>

namespace ui {

namespace {

constexpr int kToolPanelWidth = 394;

PhotoEdit::Change change(const char* name, std::function<void(QImage&)> apply,
                         std::function<void(QImage&)> inverse = {}) {
    PhotoEdit::Change c;
    c.name = QString::fromUtf8(name);
    c.apply = std::move(apply);
    c.inverse = std::move(inverse);
    return c;
}

// A change that hands the rows of its result on as it finishes them.
PhotoEdit::Change handingOn(const char* name,
                            std::function<void(QImage&, const imaging::FinishedRows&)> apply,
                            std::function<void(QImage&)> inverse = {}) {
    PhotoEdit::Change c = change(
        name, [apply](QImage& b) { apply(b, {}); }, std::move(inverse));
    c.applyHandingOn = std::move(apply);
    return c;
}

PhotoEdit::Change turn(const char* name, imaging::QuarterTurn direction, void (*inverse)(QImage&)) {
    return handingOn(
        name, [direction](QImage& b, const imaging::FinishedRows& f) { imaging::Rotate(b, direction, f); },
        inverse);
}

PhotoEdit::Change filter(const char* name, const char* kernel) {
    return handingOn(name, [kernel](QImage& b, const imaging::FinishedRows& f) {
        imaging::ApplyNamedFilter(b, QString::fromLatin1(kernel), f);
    });
}

// A colour change: every pixel on its own, so it may run band by band.
PhotoEdit::Change rowwise(const char* name, std::function<void(QImage&)> apply) {
    PhotoEdit::Change c = change(name, std::move(apply));
    c.rowwise = true;
    return c;
}

// A tool panel: white under its controls, the size of the crop panel.
void preparePanel(QWidget* panel) {
    panel->setGeometry(0, 0, kToolPanelWidth, 100);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::white);
    panel->setPalette(pal);
    panel->setAutoFillBackground(true);
}

} // namespace

void TfoGlowny::CreateEditing() {
    runDialog = [](QDialog& d) { return d.exec(); };
    edit_ = new PhotoEdit(this);
    saver_ = new PhotoSaver(this);
    connect(saver_, &PhotoSaver::busyChanged, this, &TfoGlowny::SetSaving);
    connect(edit_, &PhotoEdit::changed, this, &TfoGlowny::EditChanged);
    // A change makes the view's small copy of its result on the worker, from the rows it finishes.
    edit_->setViewCopyPlanner([this]() -> PhotoEdit::ViewCopySize {
        if (!viewer_)
            return {};
        return viewer_->scaledCopySizeRule();
    });
    connect(edit_, &PhotoEdit::busyChanged, this, [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });

    preparePanel(pEdycjaKadrowanie);
    preparePanel(pEdycjaRedEye);
    crop_ = new CropTool(viewer_, pEdycjaKadrowanie, laZaznaczenie);
    crop_->setSelectionChanged([this] { UpdateSelectionInfo(); });
    if (auto* b = pEdycjaKadrowanie->findChild<QWidget*>(QStringLiteral("iEdycjaKadrowanieZastosuj")))
        b->move(302, 30);
    if (auto* b = pEdycjaKadrowanie->findChild<QWidget*>(QStringLiteral("iEdycjaKadrowanieAnuluj")))
        b->move(348, 30);
    redEye_ = new RedEyeTool(viewer_, pEdycjaRedEye, [this](QRect, std::optional<PhotoEdit::Change> c) {
        pEdycjaRedEye->hide();
        ivObraz->removeAllLayers();
        if (c)
            edit_->run(std::move(*c));
        ToolMode = ImageViewController::NoTool;
        ivObraz->repaintView();
        ivObraz->setViewCursor(QCursor(Qt::ArrowCursor));
        RelayoutToolPanels();
    });

    // Undo and redo: beyond the toolbar, in the view's pop-up menu and on the usual keys.
    const auto addAction = [this](const char* name, const char* caption, QList<QKeySequence> keys) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setEnabled(false);
        QMainWindow::addAction(a);
        byName_.insert(a->objectName(), a);
        return a;
    };
    QAction* undo = addAction("aEdycjaCofnij", "Cofnij", {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    QAction* redo =
        addAction("aEdycjaPonow", "Ponów",
                  {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    QMenu* menu = pmObraz->addMenu(QStringLiteral("Edycja"));
    menu->setObjectName(QStringLiteral("miObrazEdycja"));
    menu->addAction(undo);
    menu->addAction(redo);
    connect(undo, &QAction::triggered, this, [this] {
        if (!isSaving())
            edit_->undo();
    });
    connect(redo, &QAction::triggered, this, [this] {
        if (!isSaving())
            edit_->redo();
    });
    ConnectEditActions();
}

void TfoGlowny::ConnectEditActions() {
    const auto on = [this](const char* name, auto slot) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, [this, slot] {
            if (!catalogue_.isEmpty() && !isSaving()) // the photo being written is not changed meanwhile
                slot();
        });
    };
    const auto correction = [this](PhotoEdit::Change c, bool endCrop = false) {
        if (endCrop && pEdycjaKadrowanie->isVisible())
            CancelCrop();
        edit_->run(std::move(c));
    };
    on("aEdycjaObrotL",
       [=] { correction(turn("Obrót w lewo", imaging::QuarterTurn::Left, imaging::RotateRight), true); });
    on("aEdycjaObrotP",
       [=] { correction(turn("Obrót w prawo", imaging::QuarterTurn::Right, imaging::RotateLeft), true); });
    on("aEdycjaBW", [=] { correction(rowwise("Czarno-biały", imaging::ToGreyscale)); });
    on("aEdycjaSepia", [=] { correction(rowwise("Sepia", imaging::ToSepia)); });
    on("aEdycjaBlurr", [=] { correction(filter("Rozmycie", "BLURMORE")); });
    on("aEdycjaSharpen", [=] { correction(filter("Wyostrzenie", "SHARPEN")); });
    on("aEdycjaKadrowanie", [this] { StartCrop(); });
    on("aEdycjaKadrowanieZastosuj", [this] { ApplyCrop(); });
    on("aEdycjaKadrowanieAnuluj", [this] { CancelCrop(); });
    on("aEdycjaOczy", [this] { StartRedEye(); });
    on("aEdycjaRedEyeAnuluj", [this] { CancelRedEye(); });
    on("aEdycjaZapisz", [this] { SaveEdits(false, false); });
    on("aEdycjaAnuluj", [this] { DiscardEdits(); });
    on("aEdycjaBrightnessContrast", [this] { Adjust(false); });
    on("aEdycjaHSL", [this] { Adjust(true); });
    on("aPlikZapiszJako", [this] { SaveAs(); });
}

void TfoGlowny::EditChanged() {
    if (ivObraz->bitmap().cacheKey() != edit_->bitmap().cacheKey() ||
        ivObraz->bitmap().isNull() != edit_->bitmap().isNull()) {
        ivObraz->setBitmap(edit_->bitmap(), edit_->viewCopy());
        RefreshView();
    }
    Modified = edit_->isModified();
    for (const char* name : {"iEdycjaZapisz", "iEdycjaAnuluj"})
        if (auto* b = pObrazToolbar->findChild<QWidget*>(QString::fromLatin1(name)))
            b->setVisible(Modified);
    RelayoutToolPanels();
    QAction* undo = action(QStringLiteral("aEdycjaCofnij"));
    QAction* redo = action(QStringLiteral("aEdycjaPonow"));
    undo->setEnabled(edit_->canUndo());
    undo->setText(edit_->canUndo() ? QStringLiteral("Cofnij: ") + edit_->undoName()
                                   : QStringLiteral("Cofnij"));
    redo->setEnabled(edit_->canRedo());
    redo->setText(edit_->canRedo() ? QStringLiteral("Ponów: ") + edit_->redoName() : QStringLiteral("Ponów"));
}

void TfoGlowny::RelayoutToolPanels() {
    LayoutToolbar(); // the logo gives way to a tool panel that reaches it
}

void TfoGlowny::FitToolPanels() {
    for (QWidget* panel : {pEdycjaKadrowanie, pEdycjaRedEye}) {
        if (!panel || panel->isHidden())
            continue;
        // The panel's own width, and further over any button it reaches into: half a button beside the
        // panel is neither usable nor pretty.
        const QRect own(panel->pos(), QSize(kToolPanelWidth, panel->height()));
        int right = own.right();
        for (QWidget* b : toolbarButtons_)
            if (!b->isHidden() && b->geometry().intersects(own))
                right = std::max(right, b->geometry().right());
        if (right - own.left() + 1 != panel->width())
            panel->resize(right - own.left() + 1, panel->height());
    }
}

void TfoGlowny::UpdateSelectionInfo() {
    if (crop_)
        crop_->updateSelectionInfo();
    else
        laZaznaczenie->clear();
}

void TfoGlowny::StartCrop() {
    if (pEdycjaRedEye->isVisible())
        CancelRedEye();
    pEdycjaKadrowanie->show();
    pEdycjaKadrowanie->raise();
    RelayoutToolPanels();
    ToolMode = ImageViewController::CropTool;
    ivObraz->setViewCursor(cursors::Cursor(cursors::Crop));
    ivObraz->removeAllLayers();
    UpdateSelectionInfo();
}

void TfoGlowny::CancelCrop() {
    pEdycjaKadrowanie->hide();
    CancelRedEye(); // the same ending; the red-eye panel is not up while the crop tool is
    UpdateSelectionInfo();
}

void TfoGlowny::ApplyCrop() {
    if (crop_->hasSelection() &&
        prompts().askYesNo(this, QStringLiteral("Czy przyciąć obraz do rozmiaru zaznaczenia?")) ==
            Prompts::Answer::Yes) {
        const QRect r = crop_->selectionRect();
        CancelCrop();
        PhotoEdit::Change crop = change("Kadrowanie", [r](QImage& b) { b = b.copy(r); });
        crop.crop = r; // undo keeps the cut margins only
        edit_->run(std::move(crop));
    }
    UpdateSelectionInfo();
}

void TfoGlowny::StartRedEye() {
    if (pEdycjaKadrowanie->isVisible())
        CancelCrop();
    pEdycjaRedEye->show();
    pEdycjaRedEye->raise();
    RelayoutToolPanels();
    ToolMode = ImageViewController::RedEyeTool;
    ivObraz->repaintView();
    ivObraz->setViewCursor(cursors::Cursor(cursors::RedEye));
    ivObraz->removeAllLayers();
    UpdateSelectionInfo();
}

void TfoGlowny::CancelRedEye() {
    ToolMode = ImageViewController::NoTool;
    ivObraz->setViewCursor(QCursor(Qt::ArrowCursor));
    ivObraz->removeAllLayers();
    pEdycjaRedEye->hide();
    RelayoutToolPanels();
}

void TfoGlowny::EndTools() {
    if (pEdycjaKadrowanie->isVisible())
        CancelCrop();
    if (pEdycjaRedEye->isVisible())
        CancelRedEye();
    // A tool whose panel is gone must not go on reacting to drags on the next photo.
    if (ToolMode == ImageViewController::CropTool || ToolMode == ImageViewController::RedEyeTool)
        ToolMode = ImageViewController::NoTool;
}

void TfoGlowny::LeavePhoto() {
    FinishSave();
    if (edit_->isBusy())
        edit_->finish();
    if (Modified)
        SaveEdits(true, true);
    EndTools();
}

void TfoGlowny::DiscardEdits() {
    EndTools();
    ivObraz->setViewCursor(QCursor(Qt::ArrowCursor));
    // The file on disk is the unedited photo.
    ShowPhoto();
    edit_->setModified(false);
}

void TfoGlowny::PlaceDialog(QDialog& d, QPoint remembered) {
    if (remembered == QPoint(-200, -200))
        d.move(x() + (width() - d.width()) / 2, y() + (height() - d.height()) / 2);
    else
        d.move(remembered);
}

int TfoGlowny::SaveDialog(QString& path) {
    const core::ListaPlikow& e = catalogue_.at(catalogue_.currentIndex());
    TfoZapisz d(prompts(), this);
    d.prepare(e.Nazwa + QStringLiteral("_kopia"), e.Nazwa, folder_, edit_->jpegQuality());
    PlaceDialog(d, {-200, -200});
    const int result = runDialog(d);
    if (result == TfoZapisz::kNewFile || result == TfoZapisz::kExistingFile) {
        edit_->setJpegQuality(d.quality());
        const QString name = result == TfoZapisz::kNewFile ? d.newName() : e.Nazwa;
        path = QDir::toNativeSeparators(folder_ + QLatin1Char('/') + name + QStringLiteral(".jpg"));
    }
    return result;
}

void TfoGlowny::WriteEdit(const QString& path, std::function<void()> saved) {
    const int i = catalogue_.currentIndex();
    // The photo's own metadata is read on the worker before its file may be replaced.
    saver_->start(edit_->bitmap(), path, edit_->jpegQuality(), catalogue_.at(i).Sciezka,
                  [this, saved = std::move(saved)](const imaging::SaveResult& r) {
                      if (r.ok())
                          saved();
                      else
                          prompts().error(this, imaging::SaveFailureMessage(r));
                  });
}

bool TfoGlowny::isSaving() const {
    return saver_ && saver_->isBusy();
}

void TfoGlowny::FinishSave() {
    if (saver_)
        saver_->finish();
}

void TfoGlowny::SetSaving(bool on) {
    for (QWidget* w : {static_cast<QWidget*>(pObrazToolbar), static_cast<QWidget*>(ivObraz)})
        w->setEnabled(!on);
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool TfoGlowny::SaveEdits(bool ask, bool discardOnCancel) {
    const int i = catalogue_.currentIndex();
    if (i < 0 || i >= catalogue_.size() || !edit_)
        return false;
    edit_->finish();
    const auto dropEdit = [this] {
        edit_->setModified(false);
        if (pEdycjaKadrowanie->isVisible())
            CancelCrop();
        ivObraz->removeAllLayers();
    };
    if (ask && prompts().askYesNo(this, QStringLiteral("Obraz został zmieniony. Zapisać zmiany?")) !=
                   Prompts::Answer::Yes) {
        dropEdit();
        return false;
    }
    QString path;
    const int result = SaveDialog(path);
    if (result != TfoZapisz::kNewFile && result != TfoZapisz::kExistingFile) {
        if (discardOnCancel)
            dropEdit();
        return false;
    }
    const QString question =
        result == TfoZapisz::kNewFile
            ? QStringLiteral("Plik o wybranej nazwie istnieje. Czy chcesz go zastąpi?\r\n")
            : QStringLiteral("Czy zastąpić istniejący plik?\r\n");
    const auto refresh = [this] { action(QStringLiteral("aWidokOdswiez"))->trigger(); };
    if (!QFile::exists(path) || prompts().askYesNo(this, question + path) == Prompts::Answer::Yes) {
        // A failed save keeps the edit on screen, still marked, so that it can be saved elsewhere.
        WriteEdit(path, [dropEdit, refresh] {
            dropEdit();
            refresh();
        });
    } else {
        refresh();
    }
    return result == TfoZapisz::kExistingFile;
}

void TfoGlowny::SaveAs() {
    const int i = catalogue_.currentIndex();
    if (i < 0 || i >= catalogue_.size() || edit_->bitmap().isNull())
        return;
    edit_->finish();
    QString path;
    const int result = SaveDialog(path);
    if (result != TfoZapisz::kNewFile && result != TfoZapisz::kExistingFile)
        return;
    const QString question =
        result == TfoZapisz::kNewFile
            ? QStringLiteral("Plik o wybranej nazwie istnieje. Czy chcesz go zastąpić\r\n")
            : QStringLiteral("Czy zastąpić istniejący plik?\r\n");
    if (QFile::exists(path) && prompts().askYesNo(this, question + path) != Prompts::Answer::Yes)
        return;
    WriteEdit(path, [this] { action(QStringLiteral("aWidokOdswiez"))->trigger(); });
}

void TfoGlowny::Adjust(bool hsl) {
    edit_->finish();
    const QImage backup = edit_->bitmap();
    if (backup.isNull())
        return;
    const auto sink = [this](const QImage& preview, const QImage& viewCopy) {
        edit_->preview(preview, viewCopy);
    };
    std::unique_ptr<AdjustmentDialog> d;
    if (hsl)
        d = std::make_unique<TfoHSL>(backup, sink, this);
    else
        d = std::make_unique<TfoJasnoscKontrast>(backup, sink, this);
    if (viewer_)
        d->setViewCopySize(viewer_->scaledCopySizeRule());
    QPoint& remembered = hsl ? hslPosition_ : brightnessPosition_;
    PlaceDialog(*d, remembered);
    const int result = runDialog(*d);
    remembered = d->pos();
    d.reset(); // a preview still computing is dropped with the dialog
    if (result == QDialog::Accepted)
        edit_->commit(hsl ? QStringLiteral("Barwa/Nasycenie/Jasność") : QStringLiteral("Jasność/Kontrast"),
                      edit_->bitmap(), backup);
    else
        edit_->preview(backup);
}

} // namespace ui
