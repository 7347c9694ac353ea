#pragma once

// The program's main window: the photo browser of the current folder on the left, the image viewer with
// its editing toolbar and photo information bar on the right, and every command as an action of the list
// `alAkcje` (reached from the main menu, the picture buttons, two context menus and shortcuts).
//
// The window owns the settings record, the catalogue and the thumbnail fill. Dialogs, questions and
// desktop services go through the `Prompts` and `Shell` seams so that tests can drive it offscreen.
// UI thread only.
#include "core/catalogue.h"
#include "core/settings.h"
#include "ui/browser/photobrowser.h"

#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QComboBox;
class QLabel;
class QMenu;
class QScrollArea;
class QSplitter;
class QTimer;

namespace core {
class SettingsStore;
}

class ImageView;
class ImageViewController;
class PhotoLoader;
class PhotoEdit;
class PhotoSaver;
namespace imaging {
struct PhotoLoad;
}

namespace ui {

class BrowserHeader;
class CropTool;
class PictureButton;
class RedEyeTool;
class Prompts;
class Shell;
class ThumbnailFill;

class TfoGlowny : public QMainWindow {
    Q_OBJECT
public:
    struct Services {
        Prompts* prompts = nullptr;
        Shell* shell = nullptr;
        core::SettingsStore* store = nullptr; // loaded at construction, written at close
        QString localSettingsFile;            // the "settings" file beside the program
    };

    explicit TfoGlowny(const Services& services, QWidget* parent = nullptr);
    ~TfoGlowny() override;

    // The action of `alAkcje` with this name, or nullptr.
    QAction* action(const QString& name) const;
    const QList<QAction*>& alAkcje() const { return actions_; }

    // Viewer hooks: open the current photo, repaint the view, show the scale in `laZoom`.
    void ShowPhoto();
    void RefreshView();
    void UpdateZoomLabel();

    // Editing hooks: before another photo becomes current (asks about unsaved changes and ends the
    // tools); save the edited photo through the save dialog, asking first when `ask`, dropping the edit
    // when the dialog is cancelled and `discardOnCancel` (true only when written over the photo's own
    // name); the crop selection labels.
    void LeavePhoto();
    bool SaveEdits(bool ask, bool discardOnCancel);
    void UpdateSelectionInfo();
    // The editing state (working bitmap, `Modified`, `JpegQuality`, undo) and the two tools.
    PhotoEdit* photoEdit() const { return edit_; }
    CropTool* cropTool() const { return crop_; }
    // Runs the editing commands' modal dialogs; tests replace it to drive them.
    std::function<int(QDialog&)> runDialog;
    // A save writes on a worker while the window takes no edits; FinishSave waits for it and takes its
    // outcome (before the window moves to another photo or closes).
    bool isSaving() const;
    void FinishSave();

    // Places the editing buttons that are not hidden in rows and shows the logo only while nothing reaches
    // it. Runs by itself when a toolbar button or tool panel is shown, hidden or moved, and on resizes.
    void LayoutToolbar();

    // Another copy of the program was started: restore the window when minimised and bring it to the front.
    void WakeUp();

    // Browser commands, also run by the actions.
    void Refresh();
    void ChooseFolder();
    void SetFolder(const QString& folder); // folder label only; Refresh rescans
    void SetViewKind(ViewKind kind);
    void SortBy(int key);
    void HeaderSort(int column);
    void LayoutBrowser();
    void ScrollIntoView();
    void UpdateSummary();
    void StartThumbnailFill();

    core::Catalogue& catalogue() { return catalogue_; }
    const core::Settings& settings() const { return settings_; }
    core::Settings& settings() { return settings_; }
    QString folder() const { return folder_; }
    ViewKind viewKind() const { return viewKind_; }
    PhotoBrowser* browser() const { return pbTlo; }
    BrowserHeader* header() const { return hcNaglowek; }
    ThumbnailFill* thumbnailFill() const { return fill_.get(); }
    const BrowserSprites& sprites() const { return sprites_; }

    Prompts& prompts() const { return *services_.prompts; }
    Shell& shell() const { return *services_.shell; }

    // Where the image view goes: an empty container with a layout.
    QWidget* paintBox() const { return pPaintBox; }

    // Editing state shared with the viewer and the editing tools.
    bool Modified = false;
    int ToolMode = -1;
    // The viewer (tfoglowny_view.cpp): the view, its rules, the EXIF lines of the photo shown.
    ImageView* ivObraz = nullptr;
    ImageViewController* viewer() const { return viewer_; }
    PhotoLoader* photoLoader() const { return loader_; }
    QStringList ExifLines;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadSettings();
    void SaveSettings();
    // The window's outer rectangle, frame included, is what the settings keep.
    void PlaceFrame(const QRect& frame);
    QMargins FrameMargins() const;
    void CreateBrowser();
    void ConnectBrowserActions();
    void BrowserPressed(QPoint position);
    void CurrentChanged();
    void ApplyCell(int index, const QString& path, const QImage& cell);
    void CheckSortAction(int key);
    bool PreviewKey(QKeyEvent* event);
    bool PreviewWheel(QWheelEvent* event);
    void FitFolderLabel();
    void CreateActions();
    void CreateMenus();
    QMenu* BuildMenu(QMenu* menu, const QStringList& entries, qsizetype& i);
    void CreateLayout();
    void CreateLeftSide();
    void CreateViewerSide();
    void CreateLeftBottom();
    void CreateToolbar();
    void CreateInfoBar();
    void ConnectActions();
    PictureButton* Button(const QString& name, const QString& picture, QSize size, const QString& hint,
                          const QString& actionName, QWidget* parent);

    void CreateImageView();
    void PhotoLoaded(const imaging::PhotoLoad& result);
    // Empties the view: no picture, no layers, no EXIF lines, the starting zoom.
    void ClearView();

    // Editing (tfoglowny_edit.cpp).
    void CreateEditing();
    void ConnectEditActions();
    void EditChanged();
    void RelayoutToolPanels();
    void StartCrop();
    void ApplyCrop();
    void CancelCrop();
    void StartRedEye();
    void CancelRedEye();
    void EndTools();
    void DiscardEdits();
    void SaveAs();
    void Adjust(bool hsl);
    int SaveDialog(QString& path);
    // Starts writing the working bitmap to `path`; `saved` runs on the UI thread after a good write, a
    // failure is reported instead.
    void WriteEdit(const QString& path, std::function<void()> saved);
    void SetSaving(bool on);
    // Widens a shown tool panel over the toolbar buttons it would otherwise cover only in part.
    void FitToolPanels();
    void PlaceDialog(QDialog& d, QPoint remembered);

    void LayoutLeftTop();
    void LayoutLeftBottom();
    void LayoutInfoBar();
    bool isToolbarChange(QObject* watched, QEvent* event) const;

    Services services_;
    PhotoEdit* edit_ = nullptr;
    PhotoSaver* saver_ = nullptr;
    CropTool* crop_ = nullptr;
    RedEyeTool* redEye_ = nullptr;
    QPoint brightnessPosition_{-200, -200}; // -200: never shown
    QPoint hslPosition_{-200, -200};
    ImageViewController* viewer_ = nullptr;
    PhotoLoader* loader_ = nullptr;
    core::Settings settings_;
    core::Catalogue catalogue_;
    BrowserSprites sprites_;
    std::unique_ptr<ThumbnailFill> fill_;
    QString folder_;
    ViewKind viewKind_ = ViewKind::Icons;
    QObject* previewedWindow_ = nullptr;
    QRect placedFrame_; // until the first show
    QMargins placedMargins_;
    QList<QAction*> actions_;
    QHash<QString, QAction*> byName_;

public:
    // Controls, under the names the rest of the program knows them by.
    QMenu* pmPliki = nullptr;
    QMenu* pmObraz = nullptr;
    QSplitter* sPodzial = nullptr;
    QWidget* pLeft = nullptr;
    QWidget* pLeftGora = nullptr;
    QWidget* pLista = nullptr;
    QWidget* pLeftDol = nullptr;
    QScrollArea* sbPliki = nullptr;
    PhotoBrowser* pbTlo = nullptr;
    BrowserHeader* hcNaglowek = nullptr;
    QWidget* pObraz = nullptr;
    QWidget* pObrazToolbar = nullptr;
    QWidget* pPaintBox = nullptr;
    QWidget* pObrazInfo = nullptr;
    QWidget* pEdycjaKadrowanie = nullptr;
    QWidget* pEdycjaRedEye = nullptr;
    QLabel* laKatalog = nullptr;
    QLabel* laNazwaPliku = nullptr;
    QLabel* laRozmiarPliku = nullptr;
    QLabel* laWagaPliku = nullptr;
    QLabel* laZoom = nullptr;
    QLabel* laZaznaczenie = nullptr;
    QLabel* laWysylkaIl = nullptr;
    QLabel* laWysylkaWielk = nullptr;
    QLabel* laWysylkaCz = nullptr;
    QComboBox* cbSpeed = nullptr;
    PictureButton* iLogo = nullptr;
    PictureButton* iWyslijZdjecia = nullptr;
    PictureButton* iPlikSzczegoly = nullptr;
    PictureButton* iPlikPoprzedni = nullptr;
    PictureButton* iPlikNastepny = nullptr;
    QTimer* tMiniatury = nullptr;
    QTimer* tSprawdzWersje = nullptr;

private:
    QList<QWidget*> leftTopButtons_;
    QList<QWidget*> toolbarButtons_;
    QList<QWidget*> zoomButtons_;
    QWidget* iRozmiarPliku_ = nullptr;
    QWidget* iWagaPliku_ = nullptr;
    QList<QLabel*> summaryLabels_;
    QList<QWidget*> summaryRules_;
};

} // namespace ui
