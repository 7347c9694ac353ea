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
#include "document/photodocument.h"
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
namespace imaging {
struct SaveResult;
}

namespace ui {

class BrowserHeader;
struct MenuEntrySpec;
class CursorOverride;
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

    // Leaving the current photo: once the work queued for it has landed, asks about an unsaved edit and
    // saves it; `then` runs only when the photo may be left (saved, or dropped on the customer's word).
    // A failed or refused save keeps the photo and its edit. While a leave is under way a newer request
    // replaces `then` (the newest click wins) and edits are refused.
    void LeavePhoto(std::function<void()> then);
    // Goes to the photo at `index` of the catalogue through LeavePhoto.
    void GoToPhoto(int index);
    // Saves the edited photo through the save dialog, asking first when `ask`, dropping the edit when
    // the dialog is cancelled and `discardOnCancel`. `done` gets whether the photo may now be left. Answers
    // true when the customer chose the photo's own name.
    bool SaveEdits(bool ask, bool discardOnCancel, std::function<void(bool mayLeave)> done = {});
    void UpdateSelectionInfo();
    // The current photo as a document: its load state, working bitmap, EXIF lines, `Modified`,
    // `JpegQuality`, undo, and the queue all of it goes through.
    PhotoDocument* document() const { return document_; }
    bool isModified() const;
    CropTool* cropTool() const { return crop_; }
    // Runs the editing commands' modal dialogs; tests replace it to drive them.
    std::function<int(QDialog&)> runDialog;
    // Whether a leave, a save or a file command is waiting for the document: edits are refused meanwhile.
    bool isWaiting() const { return leaving_ || !saves_.isEmpty() || waitingCommand_; }
    // Runs `command` once the document's queued work has landed (a save in progress is finished before a
    // file command touches its file). One at a time; refused while another waits.
    void AfterDocumentWork(std::function<void()> command);

    // Places the editing buttons that are not hidden in rows and shows the logo only while nothing reaches
    // it. Runs by itself when a toolbar button or tool panel is shown, hidden or moved, and on resizes.
    void LayoutToolbar();

    // Another copy of the program was started: restore the window when minimised and bring it to the front.
    void WakeUp();

    // Browser commands, also run by the actions. Refresh leaves the photo, reads the folder again and
    // opens its first photo; Rescan reads it again and shows `keep` (the first photo when it is gone),
    // opening it when `reopen` or when the document holds another.
    void Refresh();
    void Rescan(const QString& keep, bool reopen);
    // Shows `folder`, with the photo `photo` (a path) or else its first photo, after leaving the current one.
    void OpenFolder(const QString& folder, const QString& photo);
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

    // The tool in use, shared with the viewer and the editing tools.
    int ToolMode = -1;
    // The viewer (tfoglowny_view.cpp): the view and its rules.
    ImageView* ivObraz = nullptr;
    ImageViewController* viewer() const { return viewer_; }

protected:
    // Closing waits for the photo's work, asks about an unsaved edit and saves it first.
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
    // Entry `index` chosen by a press or a key: its mark turned when asked, then it becomes current.
    void BrowserChoose(int index, bool turnMark);
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
    // Shows what the document says: the photo's name and size, its bitmap, the edit buttons.
    void DocumentChanged();
    // Empties the view: no picture, no layers, the starting zoom.
    void ClearView();
    // Opens the photo `path` names, if the catalogue still lists it.
    void OpenPath(const QString& path);

    // Editing (tfoglowny_edit.cpp).
    void CreateEditing();
    void ConnectEditActions();
    void AddMenuEntry(QMenu* menu, const MenuEntrySpec& entry);
    void UpdateEditButtons();
    void RelayoutToolPanels();
    void StartCrop();
    void ApplyCrop();
    void CancelCrop();
    void StartRedEye();
    void CancelRedEye();
    void EndTools();
    void DropEdit();
    void DiscardEdits();
    void SaveAs();
    void Adjust(bool hsl);
    int SaveDialog(QString& path);
    // Whether `path`, chosen in the save dialog with `result`, may be written: free, or the customer
    // agreed to replace it. A refusal reads the folder again.
    bool MayWrite(const QString& path, int result, bool saveAs);
    // Queues the save of the working bitmap to `path`; `done` gets the outcome on the UI thread after a
    // failure was reported.
    void WriteEdit(const QString& path, std::function<void(bool ok)> done);
    void Saved(int ticket, const QString& target, const imaging::SaveResult& result);
    void SetSaving(bool on);
    void FinishLeave(bool go);
    // Widens a shown tool panel over the toolbar buttons it would otherwise cover only in part.
    void FitToolPanels();
    void PlaceDialog(QDialog& d, QPoint remembered);

    void LayoutLeftTop();
    void LayoutLeftBottom();
    void LayoutInfoBar();
    bool isToolbarChange(QObject* watched, QEvent* event) const;

    Services services_;
    PhotoDocument* document_ = nullptr;
    // The hourglass while the document works; it goes with the window.
    std::unique_ptr<CursorOverride> hourglass_;
    // The saves on their way, by ticket: what runs when each ends.
    QHash<int, std::function<void(bool ok)>> saves_;
    bool leaving_ = false;
    std::function<void()> leaveThen_;
    bool waitingCommand_ = false;
    bool closing_ = false; // the close question has been answered: the next close is for good
    // What the view shows: the document's path, bitmap size and load state when last shown.
    QString shownPath_;
    QSize shownSize_;
    PhotoDocument::LoadState shownState_ = PhotoDocument::LoadState::Empty;
    CropTool* crop_ = nullptr;
    RedEyeTool* redEye_ = nullptr;
    QPoint brightnessPosition_{-200, -200}; // -200: never shown
    QPoint hslPosition_{-200, -200};
    ImageViewController* viewer_ = nullptr;
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
