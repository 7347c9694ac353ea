#pragma once

// The adjustment dialogs (`TfoJasnoscKontrast`, `TfoHSL`): sliders with value labels over an untouched
// copy of the photo. 700 ms after the last slider movement the adjusted photo is computed from the
// untouched copy on a worker thread and handed to the preview sink (the working bitmap), so the view
// shows it while the dialog stays open. Only the newest computation is shown; OK keeps whatever was last
// shown. Create and use on the UI thread.
#include "imaging/colour.h"
#include "imaging/finishedrows.h"
#include "ui/edit/editdialog.h"

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
    // Answers, for the slider positions, what adjusts a band of rows in place: asked once per
    // computation on a worker thread, so tables are worked out once, not per band.
    using Adjust = std::function<std::function<void(QImage&)>(const QList<int>& positions)>;
    // The adjusted photo and the viewer's copy of it (null when none was asked for).
    using PreviewSink = std::function<void(const QImage& photo, const QImage& viewCopy)>;

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

    // The size of the viewer's copy for a photo of a given size; none is made without it.
    void setViewCopySize(imaging::NearestCopyFromRows::TargetFor rule) { viewCopySize_ = std::move(rule); }

    // The slider positions as the last change read them.
    const QList<int>& values() const { return values_; }
    // Whether a preview is being computed; waitForPreview takes it at once (tests).
    bool isComputing() const { return watcher_ != nullptr; }
    void waitForPreview();

private:
    void sliderChange();
    void timerTick();
    struct Preview {
        QImage photo;
        QImage viewCopy;
    };
    void take(QFutureWatcher<Preview>* watcher);

    Adjust adjust_;
    imaging::NearestCopyFromRows::TargetFor viewCopySize_;
    QImage untouched_;
    PreviewSink sink_;
    QList<int> values_;
    QThreadPool pool_;
    QFutureWatcher<Preview>* watcher_ = nullptr;
};

// "Jasność/Kontrast": contrast, then brightness, each slider / 100.
class TfoJasnoscKontrast : public AdjustmentDialog {
    Q_OBJECT
public:
    TfoJasnoscKontrast(const QImage& untouched, PreviewSink sink, QWidget* parent = nullptr);
    static void Adjust(QImage& bitmap, int brightness, int contrast);
    // Contrast and then brightness as one table: the same pixels as the two one after the other.
    static imaging::ChannelTable Table(int brightness, int contrast);
};

// "Barwa/Nasycenie/Jasność": hue, saturation and lightness shifts.
class TfoHSL : public AdjustmentDialog {
    Q_OBJECT
public:
    TfoHSL(const QImage& untouched, PreviewSink sink, QWidget* parent = nullptr);
};

} // namespace ui
