#pragma once

// The common look of the editing dialogs (save, brightness/contrast, hue/saturation/lightness): a fixed
// white client area with the orange 3-pixel frame, a single border with only the system menu, and
// picture buttons in place of push buttons. UI thread only.
#include <QDialog>

class QLabel;

namespace ui {

class PictureButton;

class EditDialog : public QDialog {
    Q_OBJECT
public:
    EditDialog(const QString& caption, QSize clientSize, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    QLabel* addLabel(const QString& name, const QString& text, QRect geometry);
    PictureButton* addButton(const QString& name, const QString& picture, const QString& hint, QPoint at);
};

// Loads the editing pictures (indicator images, reset button) into the resource system once.
void InitEditingResources();

} // namespace ui
