// The browser side of the main window: the catalogue commands, the two views, clicks, the thumbnail
// fill and the upload summary.
#include "ui/main/tfoglowny.h"

#include "document/photodocument.h"
#include "service/uploadsummary.h"
#include "ui/browser/browserheader.h"
#include "ui/browser/thumbnailcell.h"
#include "ui/browser/thumbnailfill.h"
#include "ui/common/shell.h"
#include "ui/common/textfit.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

namespace ui {

namespace {

const char* const kSortActions[4] = {"aWidokSortujZazn", "aWidokSortujNazwa", "aWidokSortujRozmiar",
                                     "aWidokSortujData"};

} // namespace

void TfoGlowny::CreateBrowser() {
    QPalette pal = sbPliki->viewport()->palette();
    pal.setColor(QPalette::Window, QColor(240, 240, 240));
    sbPliki->viewport()->setPalette(pal);
    sbPliki->viewport()->setAutoFillBackground(true);
    sbPliki->setWidgetResizable(false);
    sbPliki->verticalScrollBar()->setSingleStep(32);
    sbPliki->verticalScrollBar()->setTracking(true);
    // Room for two columns of cells at all times.
    sbPliki->setMinimumWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 232);
    sbPliki->installEventFilter(this);

    pbTlo = new PhotoBrowser(catalogue_, sprites_);
    pbTlo->setContextMenuPolicy(Qt::CustomContextMenu);
    sbPliki->setWidget(pbTlo);
    hcNaglowek = new BrowserHeader(sbPliki->viewport());
    hcNaglowek->hide();

    connect(pbTlo, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { pmPliki->popup(pbTlo->mapToGlobal(p)); });
    connect(pbTlo, &PhotoBrowser::pressed, this, [this](QPoint p, Qt::MouseButton) { BrowserPressed(p); });
    // The keyboard moves and marks as a press on an entry does.
    connect(pbTlo, &PhotoBrowser::moveRequested, this, [this](int index) { BrowserChoose(index, false); });
    connect(pbTlo, &PhotoBrowser::markRequested, this, [this](int index) { BrowserChoose(index, true); });
    connect(sbPliki->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int x) { hcNaglowek->move(-x, 0); });
    connect(hcNaglowek, &BrowserHeader::sectionClicked, this, &TfoGlowny::HeaderSort);
    connect(hcNaglowek, &BrowserHeader::sectionResized, this, [this](int, int) {
        pbTlo->setColumnWidths(hcNaglowek->widths());
        LayoutBrowser();
        pbTlo->update();
    });

    const BrowserSprites& sprites = sprites_;
    fill_ = std::make_unique<ThumbnailFill>(
        [blank = sprites.icoBigBlank, placeholder = sprites.icoBig](const QString& path) {
            return composeCell(decodeThumbnail(path), blank, placeholder);
        });
    connect(fill_.get(), &ThumbnailFill::cellReady, this, &TfoGlowny::ApplyCell);
    connect(fill_.get(), &ThumbnailFill::completed, this,
            [this] { action(QStringLiteral("aEdycjaKreatorKadrowania"))->setEnabled(true); });

    // The window moves between photos itself, through LeavePhoto: leaving may wait for a save.
    catalogue_.onLeavePhoto = nullptr;
    catalogue_.onCurrentChanged = nullptr;
    catalogue_.onMarksChanged = [this] {
        UpdateSummary();
        pbTlo->update();
    };
}

void TfoGlowny::ConnectBrowserActions() {
    const auto on = [this](const char* name, auto slot) {
        connect(action(QString::fromLatin1(name)), &QAction::triggered, this, slot);
    };
    on("aPlikWybierzFolder", [this] { ChooseFolder(); });
    on("aWidokOdswiez", [this] { Refresh(); });
    // One mark for the active view kind, in the menus as on the buttons.
    auto* kinds = new QActionGroup(this);
    kinds->setObjectName(QStringLiteral("agWidok"));
    kinds->addAction(action(QStringLiteral("aWidokIkony")));
    kinds->addAction(action(QStringLiteral("aWidokSzczegoly")));
    on("aWidokIkony", [this] { SetViewKind(ViewKind::Icons); });
    on("aWidokSzczegoly", [this] { SetViewKind(ViewKind::Details); });
    on("aPlikZaznWszystkie", [this] { catalogue_.setSelection(1); });
    on("aPlikZaznOdwroc", [this] { catalogue_.setSelection(2); });
    on("aPlikZaznZaden", [this] { catalogue_.setSelection(3); });
    on("aPlikNastepny", [this] { GoToPhoto(catalogue_.currentIndex() + 1); });
    on("aPlikPoprzedni", [this] { GoToPhoto(catalogue_.currentIndex() - 1); });
    for (int key = 1; key <= 4; ++key)
        on(kSortActions[key - 1], [this, key] { SortBy(key); });
    connect(cbSpeed, &QComboBox::currentIndexChanged, this, [this] { UpdateSummary(); });
    connect(tMiniatury, &QTimer::timeout, this, &TfoGlowny::StartThumbnailFill);
}

void TfoGlowny::SetFolder(const QString& folder) {
    folder_ = folder;
    laKatalog->setToolTip(folder);
    FitFolderLabel();
}

void TfoGlowny::FitFolderLabel() {
    laKatalog->setText(fitText(lastPathComponent(folder_), laKatalog->fontMetrics(), laKatalog->width()));
}

void TfoGlowny::Refresh() {
    // The catalogue is read again once the photo has been left (its edit saved or dropped).
    LeavePhoto([this] { Rescan(QString(), true); });
}

void TfoGlowny::OpenFolder(const QString& folder, const QString& photo) {
    LeavePhoto([this, folder, photo] {
        SetFolder(folder);
        Rescan(photo, true);
    });
}

void TfoGlowny::Rescan(const QString& keep, bool reopen) {
    fill_->stop();
    action(QStringLiteral("aEdycjaKreatorKadrowania"))->setEnabled(false);
    catalogue_.scan(folder_);
    sbPliki->verticalScrollBar()->setValue(0);
    int current = keep.isEmpty() ? -1 : catalogue_.indexOfPath(keep);
    if (current < 0 && !catalogue_.isEmpty())
        current = 0;
    if (!catalogue_.isEmpty()) {
        CheckSortAction(catalogue_.sortKey());
        hcNaglowek->setSort(catalogue_.sortKey() - 1, catalogue_.sortAscending());
    }
    catalogue_.setCurrentIndex(current);
    LayoutBrowser();
    pbTlo->update();
    // A rescan clears every mark.
    UpdateSummary();
    if (current < 0) {
        document_->close();
        ClearView();
        RefreshView();
        laNazwaPliku->clear();
        laRozmiarPliku->clear();
        laWagaPliku->clear();
        return;
    }
    ScrollIntoView();
    if (reopen || catalogue_.at(current).Sciezka != document_->path()) {
        // A photo read again starts from a clean view, as a refresh does.
        document_->close();
        ShowPhoto();
    }
    tMiniatury->start();
}

void TfoGlowny::OpenPath(const QString& path) {
    const int i = catalogue_.indexOfPath(path);
    if (i < 0 || (i == catalogue_.currentIndex() && catalogue_.at(i).Sciezka == document_->path()))
        return;
    catalogue_.setCurrentIndex(i);
    CurrentChanged();
}

void TfoGlowny::ChooseFolder() {
    const QString chosen = shell().chooseFolder(
        this, QStringLiteral("Wskarz folder, w którym umieściłeś swoje zdjęcia."), folder_);
    if (chosen.isEmpty())
        return;
    OpenFolder(chosen, QString());
}

void TfoGlowny::SetViewKind(ViewKind kind) {
    viewKind_ = kind;
    pbTlo->setViewKind(kind);
    LayoutBrowser();
    hcNaglowek->setVisible(kind == ViewKind::Details);
    if (kind == ViewKind::Details) {
        hcNaglowek->move(-sbPliki->horizontalScrollBar()->value(), 0);
        hcNaglowek->raise();
        hcNaglowek->update();
    }
    pbTlo->update();
    ScrollIntoView();
    action(QStringLiteral("aWidokIkony"))->setChecked(kind == ViewKind::Icons);
    action(QStringLiteral("aWidokSzczegoly"))->setChecked(kind == ViewKind::Details);
}

void TfoGlowny::CheckSortAction(int key) {
    for (int k = 1; k <= 4; ++k)
        action(QString::fromLatin1(kSortActions[k - 1]))->setChecked(k == key);
}

void TfoGlowny::SortBy(int key) {
    catalogue_.sort(key);
    CheckSortAction(key);
    hcNaglowek->update();
    pbTlo->update();
}

void TfoGlowny::HeaderSort(int column) {
    catalogue_.headerSort(column);
    CheckSortAction(catalogue_.sortKey());
    hcNaglowek->setSort(catalogue_.sortKey() - 1, catalogue_.sortAscending());
    pbTlo->update();
    ScrollIntoView();
}

void TfoGlowny::LayoutBrowser() {
    const BrowserLayout layout =
        layoutBrowser(viewKind_, catalogue_.size(), sbPliki->width(),
                      style()->pixelMetric(QStyle::PM_ScrollBarExtent), hcNaglowek->widths());
    pbTlo->setLayoutInfo(layout);
    pbTlo->resize(layout.size);
    if (viewKind_ == ViewKind::Details)
        hcNaglowek->setFixedWidth(layout.size.width());
}

void TfoGlowny::ScrollIntoView() {
    QScrollBar* bar = sbPliki->verticalScrollBar();
    bar->setValue(scrollIntoView(viewKind_, pbTlo->layoutInfo().columns, catalogue_.currentIndex(),
                                 bar->value(), sbPliki->viewport()->height()));
}

void TfoGlowny::BrowserPressed(QPoint position) {
    const BrowserHit hit = hitTest(viewKind_, pbTlo->layoutInfo().columns, catalogue_.size(), position);
    if (hit.index >= 0)
        BrowserChoose(hit.index, hit.onMark);
    else
        UpdateSelectionInfo();
}

void TfoGlowny::BrowserChoose(int index, bool turnMark) {
    if (turnMark) {
        catalogue_.toggleMark(index);
        pbTlo->announceMark(index);
    }
    if (index != catalogue_.currentIndex()) {
        if (viewKind_ == ViewKind::Icons)
            action(QStringLiteral("aEdycjaRedEyeAnuluj"))->trigger();
        GoToPhoto(index);
    }
    UpdateSelectionInfo();
}

void TfoGlowny::CurrentChanged() {
    ScrollIntoView();
    pbTlo->update();
    pbTlo->announceCurrent();
    ShowPhoto();
}

void TfoGlowny::UpdateSummary() {
    const service::UploadSummary s =
        service::summarize(catalogue_.selectedCount(), catalogue_.selectedSize(), cbSpeed->currentIndex());
    laWysylkaIl->setText(s.count);
    laWysylkaWielk->setText(s.size);
    laWysylkaCz->setText(s.time);
}

void TfoGlowny::StartThumbnailFill() {
    tMiniatury->stop();
    QStringList paths;
    paths.reserve(catalogue_.size());
    for (const core::ListaPlikow& e : catalogue_.entries())
        paths.append(e.Sciezka);
    if (paths.isEmpty()) {
        fill_->stop();
        return;
    }
    fill_->start(paths);
}

void TfoGlowny::ApplyCell(int index, const QString& path, const QImage& cell) {
    // A sort during the fill moves entries; the cell belongs to the photo, wherever it is now.
    int at = index;
    if (at >= catalogue_.size() || catalogue_.at(at).Sciezka != path) {
        at = -1;
        for (int i = 0; i < catalogue_.size(); ++i) {
            if (catalogue_.at(i).Sciezka == path) {
                at = i;
                break;
            }
        }
        if (at < 0)
            return;
    }
    // A null cell comes from a maker that threw: it failed like an unreadable photo.
    catalogue_.at(at).Miniatura = cell.isNull() ? failedCell(sprites_.icoBig) : cell;
    if (viewKind_ == ViewKind::Icons) {
        const int columns = qMax(1, pbTlo->layoutInfo().columns);
        pbTlo->update((at % columns) * kCellSize, (at / columns) * kCellSize, kCellSize, kCellSize);
    }
}

} // namespace ui
