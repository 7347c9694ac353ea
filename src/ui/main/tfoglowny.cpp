#include "ui/main/tfoglowny.h"

#include "core/datapaths.h"
#include "core/localsettings.h"
#include "document/photodocument.h"
#include "ui/batchcrop/batchcropaction.h"
#include "ui/browser/browserheader.h"
#include "ui/browser/thumbnailfill.h"
#include "ui/common/cursoroverride.h"
#include "ui/common/fittinglabel.h"
#include "ui/common/help.h"
#include "ui/common/picturebutton.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/common/textfit.h"
#include "ui/main/informationactions.h"
#include "ui/main/tfoglowny_actions.h"
#include "ui/viewer/viewerbars.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

namespace ui {

TfoGlowny::TfoGlowny(const Services& services, QWidget* parent)
    : QMainWindow(parent)
    , services_(services)
    , sprites_(BrowserSprites::load(qApp->devicePixelRatio())) {
    Q_ASSERT(services.prompts && services.shell && services.store);
    setObjectName(QStringLiteral("foGlowny"));
    setWindowTitle(QStringLiteral("PixvaleLink"));
    resize(817, 633);
    setMinimumSize(700, 500);

    tMiniatury = new QTimer(this);
    tMiniatury->setObjectName(QStringLiteral("tMiniatury"));
    tMiniatury->setSingleShot(true);
    tMiniatury->setInterval(500);
    tSprawdzWersje = new QTimer(this);
    tSprawdzWersje->setObjectName(QStringLiteral("tSprawdzWersje"));
    tSprawdzWersje->setSingleShot(true);
    tSprawdzWersje->setInterval(2000);

    CreateActions();
    CreateLayout();
    CreateMenus();
    ConnectActions();
    ConnectBrowserActions();
    ConnectInformationActions(*this);
    ConnectBatchCropAction(*this);
    CreateImageView();
    CreateEditing();

    // The information bar starts empty; the icons view until the settings say otherwise.
    ToolMode = -1;
    catalogue_.setCurrentIndex(-1);
    UpdateZoomLabel();

    const core::LocalSettings local = core::readLocalSettings(
        services_.localSettingsFile.isEmpty() ? core::localSettingsPath() : services_.localSettingsFile);
    LoadSettings();
    document_->setJpegQuality(settings_.saveQuality);
    settings_.serviceBase = local.serviceBase;
    settings_.clientId = local.clientId;
    pEdycjaRedEye->setGeometry(pEdycjaKadrowanie->geometry());

    const QString stored = settings_.directory;
    SetFolder(!stored.isEmpty() && QDir(stored).exists() ? stored : shell().documentsFolder());
    catalogue_.scan(folder_);
    LayoutBrowser();
    if (!catalogue_.isEmpty()) {
        catalogue_.setCurrentIndex(0);
        ShowPhoto();
    }
    CheckSortAction(catalogue_.sortKey());
    SetViewKind(settings_.panelKind == core::Settings::IconsView ? ViewKind::Icons : ViewKind::Details);
    // The batch-crop wizard needs every thumbnail; a complete fill enables it.
    action(QStringLiteral("aEdycjaKreatorKadrowania"))->setEnabled(false);
    UpdateSummary();
    UpdateSelectionInfo();
    if (settings_.autoUpdate)
        tSprawdzWersje->start();
}

TfoGlowny::~TfoGlowny() = default;

QAction* TfoGlowny::action(const QString& name) const {
    return byName_.value(name);
}

void TfoGlowny::CreateActions() {
    for (const ActionSpec& spec : actionSpecs()) {
        auto* a = new QAction(spec.caption, this);
        a->setObjectName(spec.name);
        a->setProperty("category", spec.category);
        if (!spec.hint.isEmpty()) {
            a->setToolTip(spec.hint);
            a->setStatusTip(spec.hint);
        }
        a->setShortcuts(spec.shortcuts);
        a->setCheckable(spec.checkable);
        // Shortcuts work anywhere in the window; the previewed keys only show in the table, the window
        // runs them itself (see eventFilter) so that the focused control also gets the key.
        if (!spec.shortcuts.isEmpty() && !isPreviewedKey(spec.shortcuts.first())) {
            a->setShortcutContext(Qt::WindowShortcut);
            addAction(a);
        }
        actions_.append(a);
        byName_.insert(spec.name, a);
    }
}

QMenu* TfoGlowny::BuildMenu(QMenu* menu, const QStringList& entries, qsizetype& i) {
    while (i < entries.size()) {
        const QString& e = entries[i++];
        if (e == QLatin1String("<"))
            break;
        if (e == QLatin1String("-")) {
            menu->addSeparator();
        } else if (e.startsWith(QLatin1Char('>'))) {
            const QStringList parts = e.mid(1).split(QLatin1Char('|'));
            QMenu* sub = menu->addMenu(parts.value(0));
            sub->setObjectName(parts.value(1));
            BuildMenu(sub, entries, i);
        } else {
            QAction* a = action(e);
            Q_ASSERT(a);
            menu->addAction(a);
        }
    }
    return menu;
}

void TfoGlowny::CreateMenus() {
    menuBar()->setObjectName(QStringLiteral("mmMenu"));
    for (const MenuSpec& spec : mainMenuSpecs()) {
        QMenu* m = menuBar()->addMenu(spec.caption);
        m->setObjectName(spec.name);
        m->menuAction()->setObjectName(spec.name);
        m->menuAction()->setVisible(spec.visible);
        qsizetype i = 0;
        BuildMenu(m, spec.entries, i);
    }
    pmPliki = new QMenu(this);
    pmPliki->setObjectName(browserMenuSpec().name);
    qsizetype i = 0;
    BuildMenu(pmPliki, browserMenuSpec().entries, i);
    pmObraz = new QMenu(this);
    pmObraz->setObjectName(viewerMenuSpec().name);
    i = 0;
    BuildMenu(pmObraz, viewerMenuSpec().entries, i);
}

void TfoGlowny::ConnectActions() {
    connect(action(QStringLiteral("aPlikZakoncz")), &QAction::triggered, this, &QWidget::close);
    connect(iLogo, &PictureButton::clicked, this, [this] { shell().openUrl(settings_.serviceBase); });
    connect(action(QStringLiteral("aPomocPixvale")), &QAction::triggered, this, [this] {
        shell().openUrl(settings_.serviceBase +
                        QStringLiteral("index.php?menu_pwd[117615]=%2F24&sbl=117682"));
    });
    // "Wyświetl..." is a placeholder of the promotions menu: it does nothing on purpose.
    connect(action(QStringLiteral("aPromocjeWyswietl")), &QAction::triggered, this, [] {});
    connect(action(QStringLiteral("aPomocPomoc")), &QAction::triggered, this,
            [this] { ShowHelp(this, shell(), prompts(), core::helpIndexPath()); });
    connect(action(QStringLiteral("aPlikWlasciwosci")), &QAction::triggered, this, [this] {
        const int i = catalogue_.currentIndex();
        if (i >= 0 && i < catalogue_.size())
            shell().showProperties(this, catalogue_.at(i).Sciezka);
    });
}

void TfoGlowny::LoadSettings() {
    QScreen* screen = this->screen();
    const QRect work = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize whole = screen ? screen->size() : work.size();
    settings_.load(*services_.store, work, whole);
    PlaceFrame(QRect(settings_.left, settings_.top, settings_.width, settings_.height));
    const int panel = qMax(265, settings_.panelWidth);
    sPodzial->setSizes({panel, qMax(0, width() - panel - sPodzial->handleWidth())});
    cbSpeed->setCurrentIndex(settings_.connectionSpeed >= 0 && settings_.connectionSpeed < cbSpeed->count()
                                 ? settings_.connectionSpeed
                                 : -1);
    std::array<int, 4> widths;
    for (int c = 0; c < 4; ++c)
        widths[c] = settings_.columnWidths[c];
    hcNaglowek->setWidths(widths);
    pbTlo->setColumnWidths(hcNaglowek->widths());
    if (const auto state = core::windowStateOf(settings_.state))
        setWindowState(*state);
}

QMargins TfoGlowny::FrameMargins() const {
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

void TfoGlowny::PlaceFrame(const QRect& frame) {
    // Where the window system knows the frame before the window shows, this places it at once; where it
    // learns it only on showing, the first show places the window again.
    create();
    placedFrame_ = frame;
    placedMargins_ = FrameMargins();
    const QRect client = frame.marginsRemoved(placedMargins_);
    setGeometry(client.x(), client.y(), qMax(client.width(), minimumWidth()),
                qMax(client.height(), minimumHeight()));
}

void TfoGlowny::SaveSettings() {
    settings_.directory = folder_;
    // The stored rectangle is the window's outer one, frame included, as the window system places it.
    settings_.takeWindowPlacement(
        windowState(),
        core::restoredRectangle(windowState(), geometry(), normalGeometry()).marginsAdded(FrameMargins()));
    settings_.panelWidth = pLeft->width();
    settings_.panelKind =
        viewKind_ == ViewKind::Icons ? core::Settings::IconsView : core::Settings::DetailsView;
    settings_.connectionSpeed = cbSpeed->currentIndex();
    settings_.saveQuality = document_->jpegQuality();
    for (int c = 0; c < 4; ++c)
        settings_.columnWidths[c] = hcNaglowek->widths()[c];
    settings_.save(*services_.store);
}

void TfoGlowny::WakeUp() {
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TfoGlowny::closeEvent(QCloseEvent* event) {
    const auto accept = [this, event] {
        closing_ = false;
        fill_->stop();
        SaveSettings();
        event->accept();
    };
    if (closing_)
        return accept();
    event->ignore();
    if (leaving_ || waitingCommand_)
        return;
    if (document_->isBusy() || !saves_.isEmpty()) {
        // Work for the photo (a save on its way above all) decides whether anything is left unsaved.
        AfterDocumentWork([this] { close(); });
        return;
    }
    if (!isModified())
        return accept();
    switch (prompts().askYesNoCancel(this, QStringLiteral("Obraz został zmieniony. Zapisać zmiany?"))) {
    case Prompts::Answer::Yes:
        // A save that fails keeps the edit and the window open, so the edit is not lost.
        SaveEdits(false, true, [this](bool mayLeave) {
            if (!mayLeave)
                return;
            closing_ = true;
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        });
        break;
    case Prompts::Answer::No:
        accept();
        break;
    default:
        break;
    }
}

void TfoGlowny::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (QWindow* w = windowHandle(); w && w != previewedWindow_) {
        // Keys and wheel turns reach the window before any control: the window's keyboard preview.
        w->installEventFilter(this);
        previewedWindow_ = w;
    }
    if (placedFrame_.isValid() && FrameMargins() != placedMargins_ &&
        !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        PlaceFrame(placedFrame_);
    placedFrame_ = QRect();
    if (!event->spontaneous()) {
        tMiniatury->start();
        RefreshView();
    }
}

void TfoGlowny::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    pLeft->setMaximumWidth(qMax(pLeft->minimumWidth(), width() - 415));
    LayoutToolbar();
}

bool TfoGlowny::PreviewKey(QKeyEvent* event) {
    if (event->key() == Qt::Key_PageDown)
        action(QStringLiteral("aPlikNastepny"))->trigger();
    else if (event->key() == Qt::Key_PageUp)
        action(QStringLiteral("aPlikPoprzedni"))->trigger();
    return false; // the focused control still gets the key
}

bool TfoGlowny::PreviewWheel(QWheelEvent* event) {
    const QPoint p = sbPliki->mapFrom(this, event->position().toPoint());
    if (p.x() < 1 || p.x() > sbPliki->width() || p.y() < 1 || p.y() > sbPliki->height())
        return false;
    QScrollBar* bar = sbPliki->verticalScrollBar();
    bar->setValue(bar->value() - event->angleDelta().y());
    event->accept();
    return true;
}

bool TfoGlowny::isToolbarChange(QObject* watched, QEvent* event) const {
    if (watched == pObrazToolbar || watched == iLogo || watched->parent() != pObrazToolbar)
        return false;
    switch (event->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        return true;
    case QEvent::Move:
    case QEvent::Resize:
        // Only the tool panels move by themselves; the buttons are moved by the layout.
        return watched == pEdycjaKadrowanie || watched == pEdycjaRedEye;
    default:
        return false;
    }
}

bool TfoGlowny::eventFilter(QObject* watched, QEvent* event) {
    if (watched == previewedWindow_) {
        if (event->type() == QEvent::KeyPress)
            return PreviewKey(static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::Wheel)
            return PreviewWheel(static_cast<QWheelEvent*>(event));
        return false;
    }
    if (isToolbarChange(watched, event)) {
        LayoutToolbar();
    } else if (event->type() == QEvent::Resize) {
        if (watched == pLeft) {
            LayoutLeftTop();
            FitFolderLabel();
            LayoutLeftBottom();
        } else if (watched == sbPliki) {
            LayoutBrowser();
        } else if (watched == pLeftDol) {
            LayoutLeftBottom();
        } else if (watched == pObrazInfo) {
            LayoutInfoBar();
        } else if (watched == pObrazToolbar) {
            LayoutToolbar();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace ui
