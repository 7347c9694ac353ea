// The viewer's side of the main window: the image view in `pPaintBox`, opening the current photo, the
// zoom commands and the magnifier, and the zoom label.
#include "ui/main/tfoglowny.h"

#include "document/photodocument.h"
#include "imaging/imagefile.h"
#include "ui/common/cursors.h"
#include "ui/common/keyboardbutton.h"
#include "ui/common/picturebutton.h"
#include "ui/common/prompts.h"
#include "ui/viewer/imageview.h"
#include "ui/viewer/imageviewcontroller.h"

#include <QAction>
#include <QLabel>
#include <QLayout>

namespace ui {

void TfoGlowny::CreateImageView() {
    cursors::RegisterCursors();
    ivObraz = new ImageView(pPaintBox);
    markFocusAround(ivObraz);
    pPaintBox->layout()->addWidget(ivObraz);
    viewer_ = new ImageViewController(ivObraz, this);
    viewer_->bindToolMode(&ToolMode);
    viewer_->setZoomLabel(laZoom);

    ImageViewController::Hooks& hooks = viewer_->hooks();
    hooks.cancelTools = [this] {
        if (pEdycjaKadrowanie->isVisible())
            action(QStringLiteral("aEdycjaKadrowanieAnuluj"))->trigger();
        if (pEdycjaRedEye->isVisible())
            action(QStringLiteral("aEdycjaRedEyeAnuluj"))->trigger();
        LayoutToolbar();
    };
    hooks.selectionChanged = [this] { UpdateSelectionInfo(); };
    hooks.toolEnded = [this](int tool) {
        if (tool == ImageViewController::CropTool)
            pEdycjaKadrowanie->hide();
        else if (tool == ImageViewController::RedEyeTool)
            pEdycjaRedEye->hide();
        if (tool == ImageViewController::CropTool || tool == ImageViewController::RedEyeTool)
            LayoutToolbar(); // the logo comes back where the buttons leave it room
    };
    hooks.hideRedEyePanel = [this] { pEdycjaRedEye->hide(); };
    hooks.cropPanelVisible = [this] { return pEdycjaKadrowanie->isVisible(); };
    hooks.redEyePanelVisible = [this] { return pEdycjaRedEye->isVisible(); };

    const auto on = [this](const char* name, auto slot) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
    };
    // View commands need a photo in the catalogue, except the fixed 200, 300 and 400 %.
    const auto withPhoto = [this](auto run) {
        return [this, run] {
            if (!catalogue_.isEmpty())
                run();
        };
    };
    on("aWidokPowieksz", withPhoto([this] { viewer_->zoomIn(); }));
    on("aWidokPomniejsz", withPhoto([this] { viewer_->zoomOut(); }));
    on("aWidokDopasuj", withPhoto([this] {
           viewer_->setViewQuality(settings_.viewQuality);
           viewer_->zoomToFit();
       }));
    on("aWidokNormalny", withPhoto([this] { viewer_->zoomTo(1.0f); }));
    on("aWidokNormalny_", [this] { action(QStringLiteral("aWidokNormalny"))->trigger(); });
    on("aWidok200", [this] { viewer_->zoomTo(2.0f); });
    on("aWidok300", [this] { viewer_->zoomTo(3.0f); });
    on("aWidok400", [this] { viewer_->zoomTo(4.0f); });
    on("aWidokLupa", withPhoto([this] {
           viewer_->startMagnifier();
           action(QStringLiteral("aWidokLupa"))->setProperty("Tag", 1);
       }));
}

void TfoGlowny::ShowPhoto() {
    const int i = catalogue_.currentIndex();
    if (i < 0 || i >= catalogue_.size()) {
        laNazwaPliku->clear();
        laRozmiarPliku->clear();
        laWagaPliku->clear();
        return;
    }
    ivObraz->removeAllLayers();
    const core::ListaPlikow& e = catalogue_.at(i);
    laRozmiarPliku->clear();
    laWagaPliku->setText(QString::number(e.Rozmiar) + QStringLiteral(" KB"));
    ivObraz->setViewCursor(QCursor(Qt::ArrowCursor));
    viewer_->setFitToWindow(true);
    RefreshView();
    // The photo on screen stays until the new one is decoded; the document drops what is still on its
    // way for the photo left, so only the newest click's photo is ever shown.
    document_->open(e.Sciezka);
}

void TfoGlowny::ClearView() {
    ivObraz->removeAllLayers();
    ivObraz->clearBitmap();
    // Back to how the view starts, so that no zoom of a photo that is gone stays behind.
    ivObraz->setScrollBarThickness(-1);
    ivObraz->setScaleMode(ImageView::ScaleMode::Normal);
    ivObraz->setScale(1.0f);
    viewer_->setFitToWindow(true);
    UpdateZoomLabel();
}

void TfoGlowny::DocumentChanged() {
    using State = PhotoDocument::LoadState;
    const State state = document_->loadState();
    const QString path = document_->path();
    const bool otherPhoto = path != shownPath_;
    if (otherPhoto) {
        const int i = catalogue_.indexOfPath(path);
        laNazwaPliku->setText(i >= 0 ? catalogue_.at(i).Nazwa : QString()); // shortened as it is drawn
    }
    const QSize loaded = state == State::Loaded ? document_->loadedSize() : QSize();
    laRozmiarPliku->setText(loaded.isEmpty() ? QString()
                                             : QString::number(loaded.width()) + QLatin1Char('x') +
                                                   QString::number(loaded.height()));
    const QImage& b = document_->bitmap();
    if (state == State::Failed || state == State::Empty) {
        // The bar names the file that failed; the photo before it must not stay as if it were that one.
        if (!ivObraz->bitmap().isNull())
            ClearView();
        EndTools();
    } else if (b.cacheKey() != ivObraz->bitmap().cacheKey() || b.isNull() != ivObraz->bitmap().isNull()) {
        // A selection drawn on a bitmap of another size would cut the wrong part.
        if (b.size() != shownSize_)
            EndTools();
        ivObraz->setBitmap(b, document_->viewCopy());
        // A photo that has just arrived is fitted to the window.
        if (state == State::Loaded && (otherPhoto || shownState_ != State::Loaded))
            viewer_->setFitToWindow(true);
        RefreshView();
    }
    shownPath_ = path;
    shownState_ = state;
    shownSize_ = state == State::Failed || state == State::Empty ? QSize() : b.size();
    UpdateEditButtons();
}

void TfoGlowny::RefreshView() {
    if (!viewer_)
        return;
    viewer_->setViewQuality(settings_.viewQuality);
    viewer_->refreshView();
}

void TfoGlowny::UpdateZoomLabel() {
    if (viewer_)
        viewer_->updateZoomLabel();
    else
        laZoom->setText(QStringLiteral("Widok: 100%"));
}

} // namespace ui
