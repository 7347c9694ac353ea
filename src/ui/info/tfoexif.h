#pragma once

// The photo details window "Szczegóły zdjęcia": name, folder, type, pixel size, file size, date and the
// EXIF lines of the photo in the viewer. It reads nothing from the disk: the caller hands it what the
// catalogue and the viewer already know. One modal run. UI thread only.
#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;

namespace ui {

class PictureButton;

// What the window shows, gathered by the main window.
struct PhotoDetails {
    QString name;       // file name with its extension
    QString folder;     // the current folder's full path
    QString extension;  // decides the type line
    QString dimensions; // the viewer's "width x height" label
    QString size;       // the viewer's "N KB" label
    QString date;       // the catalogue's date text
    QStringList exifLines;
};

class TfoEXIF : public QDialog {
    Q_OBJECT
public:
    explicit TfoEXIF(const PhotoDetails& details, QWidget* parent = nullptr);

    QLabel* laNazwa = nullptr;
    QLabel* laFolder = nullptr;
    QLabel* laTyp = nullptr;
    QLabel* laWielkosc = nullptr;
    QLabel* laRozmiar = nullptr;
    QLabel* laData = nullptr;
    QPlainTextEdit* mDane = nullptr;
    PictureButton* iOk = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitFolder();

    QString folder_;
};

} // namespace ui
