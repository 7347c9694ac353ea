// The editing side of the main window: it wires the edit commands to the photo document, the crop and
// red-eye tools and the adjustment dialogs, and shows what the document says. The work itself is done
// there, not here; saving and leaving a photo are in tfoglowny_save.cpp.
#include "ui/main/tfoglowny.h"

#include "document/changes.h"
#include "document/photodocument.h"
#include "ui/common/cursoroverride.h"
#include "ui/common/cursors.h"
#include "ui/common/picturebutton.h"
#include "ui/common/prompts.h"
#include "ui/edit/adjustmentdialog.h"
#include "ui/edit/croptool.h"
#include "ui/edit/redeyetool.h"
#include "ui/main/tfoglowny_actions.h"
#include "ui/viewer/imageview.h"
#include "ui/viewer/imageviewcontroller.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace ui {

namespace {

constexpr int kToolPanelWidth = 394;

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
    hourglass_ = std::make_unique<CursorOverride>();
    document_ = new PhotoDocument(this);
    connect(document_, &PhotoDocument::changed, this, &TfoGlowny::DocumentChanged);
    // Messages and save outcomes are taken from the event loop, not from inside the document's hand-over.
    connect(
        document_, &PhotoDocument::failed, this,
        [this](const QString& message) {
            // A photo that failed to load while it was being left is not worth a message.
            if (!(leaving_ && document_->loadState() == PhotoDocument::LoadState::Failed))
                prompts().error(this, message);
        },
        Qt::QueuedConnection);
    connect(document_, &PhotoDocument::saved, this, &TfoGlowny::Saved, Qt::QueuedConnection);
    // A change makes the view's small copy of its result on the worker, from the rows it finishes.
    document_->setViewCopyPlanner([this]() -> PhotoDocument::ViewCopySize {
        if (!viewer_)
            return {};
        return viewer_->scaledCopySizeRule();
    });
    connect(document_, &PhotoDocument::busyChanged, this, [this](bool busy) {
        hourglass_->set(busy);
        UpdateEditButtons();
    });

    preparePanel(pEdycjaKadrowanie);
    preparePanel(pEdycjaRedEye);
    crop_ = new CropTool(viewer_, pEdycjaKadrowanie, laZaznaczenie);
    crop_->setSelectionChanged([this] { UpdateSelectionInfo(); });
    if (auto* b = pEdycjaKadrowanie->findChild<QWidget*>(QStringLiteral("iEdycjaKadrowanieZastosuj")))
        b->move(302, 30);
    if (auto* b = pEdycjaKadrowanie->findChild<QWidget*>(QStringLiteral("iEdycjaKadrowanieAnuluj")))
        b->move(348, 30);
    redEye_ = new RedEyeTool(viewer_, pEdycjaRedEye, [this](PhotoDocument::Change c) {
        pEdycjaRedEye->hide();
        ivObraz->removeAllLayers();
        // The pupil is looked for on the worker, after the work queued before it.
        if (!isWaiting())
            document_->run(std::move(c));
        ToolMode = ImageViewController::NoTool;
        ivObraz->repaintView();
        ivObraz->setViewCursor(QCursor(Qt::ArrowCursor));
        RelayoutToolPanels();
    });

    // Undo and redo: in the "Edycja" menu with their keys shown, and in the view's pop-up menu.
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
    if (auto* edycja = menuBar()->findChild<QMenu*>(QStringLiteral("miEdycja"))) {
        edycja->addAction(undo);
        edycja->addAction(redo);
        for (const MenuEntrySpec& e : editMenuEntries())
            AddMenuEntry(edycja, e);
        edycja->menuAction()->setVisible(true);
        UpdateEditButtons();
    }
    QMenu* menu = pmObraz->addMenu(QStringLiteral("Edycja"));
    menu->setObjectName(QStringLiteral("miObrazEdycja"));
    menu->addAction(undo);
    menu->addAction(redo);
    connect(undo, &QAction::triggered, this, [this] {
        if (!isWaiting())
            document_->undo();
    });
    connect(redo, &QAction::triggered, this, [this] {
        if (!isWaiting())
            document_->redo();
    });
    ConnectEditActions();
}

void TfoGlowny::AddMenuEntry(QMenu* menu, const MenuEntrySpec& entry) {
    if (entry.action.isEmpty()) {
        menu->addSeparator();
        return;
    }
    QAction* target = action(entry.action);
    QAction* item = menu->addAction(entry.caption);
    item->setObjectName(QStringLiteral("mi") + entry.action.mid(1));
    item->setShortcut(entry.shortcut);
    item->setShortcutContext(Qt::WindowShortcut);
    item->setEnabled(target->isEnabled());
    connect(target, &QAction::changed, item, [item, target] { item->setEnabled(target->isEnabled()); });
    connect(item, &QAction::triggered, target, &QAction::trigger);
}

void TfoGlowny::ConnectEditActions() {
    using Loaded = PhotoDocument::LoadState;
    // A change queues behind the work before it, also behind a photo still loading; nothing is taken
    // while the photo is being left, saved or handed to a file command.
    const auto change = [this](const char* name, PhotoDocument::Change (*make)(), bool endCrop) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, [this, make, endCrop] {
            if (catalogue_.isEmpty() || isWaiting())
                return;
            if (endCrop && pEdycjaKadrowanie->isVisible())
                CancelCrop();
            document_->run(make());
        });
    };
    change("aEdycjaObrotL", changes::TurnLeft, true);
    change("aEdycjaObrotP", changes::TurnRight, true);
    change("aEdycjaBW", changes::BlackAndWhite, false);
    change("aEdycjaSepia", changes::Sepia, false);
    change("aEdycjaBlurr", changes::Blur, false);
    change("aEdycjaSharpen", changes::Sharpen, false);
    // Tools and dialogs work on the photo on screen: not before it has loaded.
    const auto onPhoto = [this](const char* name, auto slot) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, [this, slot] {
            if (!catalogue_.isEmpty() && !isWaiting() && document_->loadState() == Loaded::Loaded)
                slot();
        });
    };
    onPhoto("aEdycjaKadrowanie", [this] { StartCrop(); });
    onPhoto("aEdycjaKadrowanieZastosuj", [this] { ApplyCrop(); });
    onPhoto("aEdycjaOczy", [this] { StartRedEye(); });
    onPhoto("aEdycjaZapisz", [this] { SaveEdits(false, false); });
    onPhoto("aEdycjaAnuluj", [this] { DiscardEdits(); });
    onPhoto("aEdycjaBrightnessContrast", [this] { Adjust(false); });
    onPhoto("aEdycjaHSL", [this] { Adjust(true); });
    onPhoto("aPlikZapiszJako", [this] { SaveAs(); });
    connect(action(QStringLiteral("aEdycjaKadrowanieAnuluj")), &QAction::triggered, this,
            [this] { CancelCrop(); });
    connect(action(QStringLiteral("aEdycjaRedEyeAnuluj")), &QAction::triggered, this,
            [this] { CancelRedEye(); });
}

bool TfoGlowny::isModified() const {
    return document_ && document_->isModified();
}

void TfoGlowny::UpdateEditButtons() {
    const bool modified = isModified();
    for (const char* name : {"iEdycjaZapisz", "iEdycjaAnuluj"})
        if (auto* b = pObrazToolbar->findChild<QWidget*>(QString::fromLatin1(name)))
            b->setVisible(modified);
    // Their menu entries (and keys) are there when the buttons are.
    for (const char* name : {"miEdycjaZapisz", "miEdycjaAnuluj"})
        if (auto* item = menuBar()->findChild<QAction*>(QString::fromLatin1(name)))
            item->setVisible(modified);
    RelayoutToolPanels();
    QAction* undo = action(QStringLiteral("aEdycjaCofnij"));
    QAction* redo = action(QStringLiteral("aEdycjaPonow"));
    // While work is queued, undo and redo queue behind it: Ctrl+Z right after a change takes it back.
    undo->setEnabled(document_->canUndo() || document_->isBusy());
    undo->setText(document_->canUndo() ? QStringLiteral("Cofnij: ") + document_->undoName()
                                       : QStringLiteral("Cofnij"));
    redo->setEnabled(document_->canRedo() || document_->isBusy());
    redo->setText(document_->canRedo() ? QStringLiteral("Ponów: ") + document_->redoName()
                                       : QStringLiteral("Ponów"));
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

void TfoGlowny::PlaceDialog(QDialog& d, QPoint remembered) {
    if (remembered == QPoint(-200, -200))
        d.move(x() + (width() - d.width()) / 2, y() + (height() - d.height()) / 2);
    else
        d.move(remembered);
}

void TfoGlowny::ApplyCrop() {
    if (crop_->hasSelection() &&
        prompts().askYesNo(this, QStringLiteral("Czy przyciąć obraz do rozmiaru zaznaczenia?")) ==
            Prompts::Answer::Yes) {
        const QRect r = crop_->selectionRect();
        CancelCrop();
        document_->run(changes::Crop(r));
    }
    UpdateSelectionInfo();
}

void TfoGlowny::Adjust(bool hsl) {
    // The dialog adjusts the photo as it stands: not while work on it is still queued.
    if (document_->isBusy())
        return;
    const QImage backup = document_->bitmap();
    if (backup.isNull())
        return;
    const auto sink = [this](const QImage& preview, const QImage& viewCopy) {
        document_->preview(preview, viewCopy);
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
        document_->commit(hsl ? QStringLiteral("Barwa/Nasycenie/Jasność")
                              : QStringLiteral("Jasność/Kontrast"),
                          document_->bitmap(), backup);
    else
        document_->preview(backup);
}

} // namespace ui
