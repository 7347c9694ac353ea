#pragma once

// Cropping many photos to one print format and writing them as JPEG files: the work behind the batch
// cropping wizard, without any window.
//
// A run owns its list of photos. Photos are decoded, cut and encoded on the global thread pool, at most
// two at a time, while everything the caller sees (progress, the file-exists question, the end) arrives
// on the thread that owns the run object, in the order of the list. Every write is atomic: a photo on
// disk is either the old file or the whole new one.
#include "imaging/printformats.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace imaging {

enum class BatchCropTarget {
    ReplaceInPlace = 1, // over the photo's own file (a TIFF photo gets name.jpg beside it instead)
    OtherFolder = 2,    // into `BatchCropOptions::folder`, under the photo's file name
};

struct BatchCropItem {
    QString path;     // full path of the photo file
    QString fileName; // base name + extension, as the list shows it
    CropAlignment alignment = DefaultCropAlignment;
};

struct BatchCropOptions {
    int formatCode = 1; // 1..7
    int quality = 80;   // JPEG quality 0..100
    BatchCropTarget target = BatchCropTarget::ReplaceInPlace;
    QString folder; // the other folder (target OtherFolder only)
};

// Where the cut photo of `item` is written: its own path, or name.jpg beside a TIFF photo when replacing
// in place; the folder joined with the file name otherwise.
QString BatchCropTargetPath(const BatchCropItem& item, const BatchCropOptions& options);

// How a run ended, for the wizard's closing summary.
struct BatchCropOutcome {
    int written = 0;
    int skipped = 0;        // answered No, or the cut would be empty
    int failed = 0;         // could not be read or written
    bool cancelled = false; // Cancel in the file-exists question
    bool stopped = false;   // stop() before the end
    QStringList failures;   // one line per failed photo: its file name and the reason
};

// The short Polish summary of written, skipped and failed photos shown when a run ends.
QString BatchCropSummaryText(const BatchCropOutcome& outcome);

class BatchCropRun : public QObject {
    Q_OBJECT
public:
    enum class Overwrite { Yes, No, Cancel };
    // Asked on the owner's thread, in list order, before a photo is written over an existing file
    // (any existing file in the other folder, the photo's own included; in place only name.jpg beside a
    // TIFF photo).
    // Cancel ends the run at once: nothing more is written. Without a question nothing is replaced.
    using OverwriteQuestion = std::function<Overwrite(const QString& targetPath)>;

    BatchCropRun(QList<BatchCropItem> items, BatchCropOptions options, OverwriteQuestion ask,
                 QObject* parent = nullptr);
    // Waits for the photos in flight and writes nothing more. A run stopped and left to itself (see
    // DeleteWhenDone) never makes its owner wait.
    ~BatchCropRun() override;

    // Starts the run and returns at once. Call once.
    void start();
    // No further photo is started or written; `finished` follows once the photos in flight are dropped.
    void stop();
    // For an owner that goes away mid-run: the run leaves its parent, stops, drops the photos in flight
    // as they come back and deletes itself then, so nobody waits for them.
    void DeleteWhenDone();

signals:
    // Photo `position` (1-based) of `total` is the one being handled now; emitted before its question.
    void progress(int position, int total);
    // Emitted once, last.
    void finished(const imaging::BatchCropOutcome& outcome);

private:
    friend struct BatchCropRunProbe; // tests watch the work's threads
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace imaging
