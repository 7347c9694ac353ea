#pragma once

// The adjustment dialogs (`TfoJasnoscKontrast`, `TfoHSL`): sliders with value labels over an untouched
// copy of the photo. 700 ms after the last slider movement the adjusted photo is computed from the
// untouched copy on a worker thread and handed to the preview sink (the working bitmap), so the view
// shows it while the dialog stays open. Only the newest computation is shown; OK keeps whatever was last
// shown. Create and use on the UI thread.
#include "ui/main/editdialog.h"

#include <QFutureWatcher>
#include <QImage>
#include <QList>
#include <QThreadPool>

#include <functional>

class QSlider;
class QTimer;

namespace ui {

class AdjustmentDialog : public EditDialog {
    Q_OBJECT
public:
    struct SliderSpec {
        const char* caption;      // "Jasność"
        const char* captionLabel; // "laJasnosc"
        const char* slider;       // "tbJasnosc"
        const char* valueLabel;   // "laJasnoscValue"
        int range;                // from -range to range
    };
    // Computes the adjusted photo in place from the slider positions; runs on a worker thread.
    using Adjust = std::function<void(QImage&, const QList<int>& positions)>;
    using PreviewSink = std::function<void(const QImage&)>;

    AdjustmentDialog(const QString& caption, QSize clientSize, const QString& description,
                     const QList<SliderSpec>& sliders, Adjust adjust, const QImage& untouched,
                     PreviewSink sink, QWidget* parent);
    ~AdjustmentDialog() override;

    QList<QSlider*> sliders;
    QList<QLabel*> valueLabels;
    QTimer* tAktualizuj = nullptr;
    PictureButton* iOk = nullptr;
    PictureButton* iAnuluj = nullptr;
    PictureButton* iResetuj = nullptr;

    // The slider positions as the last change read them.
    const QList<int>& values() const { return values_; }
    // Whether a preview is being computed; waitForPreview takes it at once (tests).
    bool isComputing() const { return watcher_ != nullptr; }
    void waitForPreview();

private:
    void sliderChange();
    void timerTick();
    void take(QFutureWatcher<QImage>* watcher);

    Adjust adjust_;
    QImage untouched_;
    PreviewSink sink_;
    QList<int> values_;
    QThreadPool pool_;
    QFutureWatcher<QImage>* watcher_ = nullptr;
};

// "Jasność/Kontrast": contrast, then brightness, each slider / 100.
class TfoJasnoscKontrast : public AdjustmentDialog {
    Q_OBJECT
public:
    TfoJasnoscKontrast(const QImage& untouched, PreviewSink sink, QWidget* parent = nullptr);
    static void Adjust(QImage& bitmap, int brightness, int contrast);
};

// "Barwa/Nasycenie/Jasność": hue, saturation and lightness shifts.
class TfoHSL : public AdjustmentDialog {
    Q_OBJECT
public:
    TfoHSL(const QImage& untouched, PreviewSink sink, QWidget* parent = nullptr);
};

} // namespace ui
