#pragma once

// The crop tool on the image view: the eight format buttons of the crop panel, the format lock of a
// crop drag, the crop frame (a rubber band whose child is the drag frame) with its resizing rules, and
// the size label with the quality indicator. It plugs into the viewer's hooks like the magnifier; the
// window shows the panel and runs the commands. UI thread only.
#include "ui/edit/cropmath.h"

#include <QObject>
#include <QRect>

#include <array>
#include <functional>

class ImageViewController;
class QKeyEvent;
class QLabel;
class QRadioButton;
class QWidget;

namespace ui {

class CropTool : public QObject {
    Q_OBJECT
public:
    // Builds the format buttons and the indicator into `panel`, beside the size label `laZaznaczenie`.
    CropTool(ImageViewController* viewer, QWidget* panel, QLabel* laZaznaczenie);

    // `selectionChanged` runs after every change of the selection (the window's UpdateSelectionInfo).
    void setSelectionChanged(std::function<void()> f) { selectionChanged_ = std::move(f); }

    const cropmath::CropChoice& choice() const { return cropmath::CropChoices()[choice_]; }
    int choiceIndex() const { return choice_; }
    QRadioButton* button(int i) const { return buttons_[i]; }
    // A format button was clicked: restyle, fit the frame to the format or give it its side handles.
    void chooseFormat(int i);

    // Whether a selection is on the view, and its rectangle rounded to whole pixels.
    bool hasSelection() const;
    QRect selectionRect() const;

    // The size label and the indicator follow the selection.
    void updateSelectionInfo();

    QLabel* iRozmiarOK = nullptr;
    QLabel* iRozmiarNieOK = nullptr;
    QLabel* iRozmiarBlank = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The keyboard's way to a frame: Enter frames the whole photo (in the chosen format's proportions),
    // the arrows move the frame a pixel (ten with Shift), Ctrl with the arrows moves its lower right
    // corner.
    bool keyPress(QKeyEvent& e);
    RubberBandLayer* band() const;
    void lockDrag(viewmath::DragRect& r) const;
    void finishDrag(QPoint start, QPoint release);
    void restyle();
    void showSelection(bool any, const BitmapRect& r);

    ImageViewController* viewer_;
    QLabel* laZaznaczenie_;
    std::array<QRadioButton*, cropmath::kChoiceCount> buttons_{};
    int choice_ = cropmath::kFreeChoice;
    std::function<void()> selectionChanged_;
};

} // namespace ui
