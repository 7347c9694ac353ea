#pragma once

// The save dialog (`TfoZapisz`, "Zapisz"): a new name or the photo's own name, and the JPEG quality.
// Closes with kNewFile or kExistingFile, or rejected. UI thread only.
#include "ui/edit/editdialog.h"

class QLineEdit;
class QRadioButton;
class QSlider;

namespace ui {

class Prompts;

class TfoZapisz : public EditDialog {
    Q_OBJECT
public:
    static constexpr int kNewFile = 301;
    static constexpr int kExistingFile = 302;

    TfoZapisz(Prompts& prompts, QWidget* parent = nullptr);

    // Fills the dialog: the new-file choice with `newName`, the photo's own name, its folder (shortened
    // to the label) and the quality.
    void prepare(const QString& newName, const QString& currentName, const QString& folder, int quality);
    QString newName() const;
    int quality() const;

    QLabel* laKatalog = nullptr;
    QLabel* laQuality = nullptr;
    QRadioButton* rbPlikNowy = nullptr;
    QRadioButton* rbPlikIstniejacy = nullptr;
    QLineEdit* eNowyPlik = nullptr;
    QLineEdit* eStaryPlik = nullptr;
    QSlider* tbQuality = nullptr;
    PictureButton* iOk = nullptr;
    PictureButton* iAnuluj = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void chooseNew();
    void iOkMouseDown();
    void tbQualityChange();

    Prompts& prompts_;
};

} // namespace ui
