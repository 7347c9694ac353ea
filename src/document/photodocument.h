#pragma once

// The photo in the viewer as a document: which file it is, whether it is loading, loaded or failed, the
// working bitmap, its EXIF lines and pixel size, `Modified`, `JpegQuality` and the history of changes.
// It is the one owner of that state; views, tools and dialogs observe it and keep no copies.
//
// Every load, change, undo/redo, save and discard is a job of ONE ordered queue, run on a worker thread
// one at a time, its result taken on the UI thread. So a change asked for while a photo loads applies to
// that photo, a save writes what the changes before it made, and a discard or a newer load cannot be
// overtaken by older work. Opening another photo drops the work not yet started (but never a save) and
// every late result of the photo left. `whenSettled` runs a step of the caller's once all work asked for
// before it has landed: leaving a photo, closing and the file commands wait so.
//
// The history keeps per step only what undo needs: nothing for a step with an exact inverse (quarter
// turns), the changed patch for a local edit (red eye), the cut margins for a crop, otherwise the bitmap
// before the step, packed in the background to its colour bytes once a newer step lies on top. It is
// bounded by kMaxSteps and kMaxHistoryBytes, oldest dropped first. A discard is a step too: undo brings
// the discarded edit back. Create and call on the UI thread.
#include "imaging/finishedrows.h"
#include "imaging/imagefile.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <deque>
#include <functional>
#include <memory>

class PhotoDocument : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxSteps = 20;
    static constexpr qint64 kMaxHistoryBytes = qint64(1) << 30;

    enum class LoadState { Empty, Loading, Loaded, Failed };

    // A change of the working bitmap: `apply` is pure (the same input gives the same output) so that
    // redo can run it again. `inverse`, when given, undoes it exactly; `patch`, when not empty, is the
    // only part of the bitmap `apply` may change (its size stays; clamped to the bitmap when it runs).
    struct Change {
        QString name;
        std::function<void(QImage&)> apply;
        std::function<void(QImage&)> inverse;
        QRect patch;
        bool inPlace = false; // `apply` writes into its bitmap (rather than making a new one)
        // Each row of the result depends on the same row before only: `apply` may be run on any band of
        // rows, in place.
        bool rowwise = false;
        // When not empty, `apply` keeps just this part of the bitmap (a crop inside it).
        QRect crop{};
        // When given, does what `apply` does and hands on the result's rows as they are finished (the
        // viewer's copy is taken from them). Makers of a change set both from one function.
        std::function<void(QImage&, const imaging::FinishedRows&)> applyHandingOn{};
        // When given, runs instead of `apply` the first time and answers whether it changed anything: a
        // change that finds nothing to do (no red eye in the region) leaves no step.
        std::function<bool(QImage&)> applyIfFound{};
    };

    // Reads a photo file (imaging::LoadPhoto by default) and writes one (the JPEG with the metadata of
    // the photo file `source`, imaging::SaveJpegWithMetadata by default). Both run on the worker; what
    // they throw arrives as the memory error.
    using Decode = std::function<imaging::PhotoLoad(const QString& path)>;
    using Encode = std::function<imaging::SaveResult(const QImage& bitmap, const QString& path, int quality,
                                                     const QString& source)>;
    // The size of the viewer's copy of a result of a given size (empty for none); asked on the UI thread
    // as each job starts, run on the worker, so it must hold copies only.
    using ViewCopySize = imaging::NearestCopyFromRows::TargetFor;

    explicit PhotoDocument(QObject* parent = nullptr, Decode decode = {}, Encode encode = {});
    ~PhotoDocument() override;

    // --- State, as the last result taken says.
    // The photo file the document is for (the one loading, once asked for).
    QString path() const { return path_; }
    LoadState loadState() const { return loadState_; }
    bool isLoading() const { return loadState_ == LoadState::Loading; }
    const QImage& bitmap() const { return bitmap_; }
    // The photo's EXIF lines and pixel size as loaded (a crop does not change what the labels tell).
    const QStringList& exifLines() const { return exifLines_; }
    QSize loadedSize() const { return loadedSize_; }
    // The viewer's copy of the bitmap, made on the worker; null when none was made for this bitmap.
    QImage viewCopy() const { return viewCopyKey_ == bitmap_.cacheKey() ? viewCopy_ : QImage(); }
    void setViewCopyPlanner(std::function<ViewCopySize()> planner) { viewCopyPlanner_ = std::move(planner); }
    bool isModified() const { return modified_; }
    // Clearing marks the present bitmap as the saved one (a refused save question); setting it marks
    // no step as saved.
    void setModified(bool on);
    int jpegQuality() const { return jpegQuality_; }
    void setJpegQuality(int q) { jpegQuality_ = q; }

    // --- Commands: each a job of the queue.
    // Starts loading `path` as the document's photo; work not yet started is dropped (saves excepted),
    // and results of the photo left that are still on their way are ignored.
    void open(const QString& path);
    // Opens a photo decoded elsewhere, as if `path` had been read as `bitmap` (no EXIF lines).
    void load(const QImage& bitmap, const QString& path = {});
    // No photo at all (an empty folder).
    void close();
    // Queues a change; it runs after the work before it.
    void run(Change change);
    void undo();
    void redo();
    // Reads the photo's file again as one step of the history (undo brings the edit back) and clears
    // `Modified`. A file that cannot be read keeps the edit and reports through `failed`.
    void discard();
    // Writes the bitmap as it stands after the work before it to `target`; a good write clears
    // `Modified` for that state. The outcome arrives through `saved` with the returned ticket.
    int save(const QString& target, int quality);
    // Runs `then` on the UI thread (from the event loop, never from inside a caller) once every job
    // asked for before it has landed. Dropped with the document.
    void whenSettled(std::function<void()> then);
    // Takes a bitmap computed elsewhere (an adjustment dialog's result) as one step; `before` is what
    // undo brings back. Only while nothing is queued (the dialog was opened on a settled document).
    void commit(const QString& name, const QImage& after, const QImage& before);
    // Shows a bitmap without making it a step or touching `Modified` (a dialog's live preview).
    void preview(const QImage& bitmap, const QImage& viewCopy = {});

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    QString undoName() const;
    QString redoName() const;
    int undoDepth() const { return static_cast<int>(undo_.size()); }
    void setHistoryLimits(int steps, qint64 bytes) {
        maxSteps_ = steps;
        maxBytes_ = bytes;
        trim();
    }
    qint64 historyBytes() const;

    // Whether work the user asked for is queued or running (the hourglass shows meanwhile).
    bool isBusy() const { return busy_; }
    // Waits for all queued work and takes the results now (tests, benchmarks, shutdown).
    void finish();

    // The worker the jobs run on (a dialog's preview computation shares it).
    QThreadPool& pool() { return pool_; }

signals:
    // The bitmap, the load state or `Modified` changed.
    void changed();
    void busyChanged(bool busy);
    // A load or a discard could not read the file, or a change could not be done: the program's
    // message for it.
    void failed(const QString& message);
    // A save ended; `result` says whether the file was written.
    void saved(int ticket, const QString& target, const imaging::SaveResult& result);

private:
    struct Step;
    enum class JobKind { Load, Do, Undo, Redo, Discard, Save, Pack, Barrier };
    struct Job {
        JobKind kind;
        Change change{};              // Do
        std::shared_ptr<Step> step{}; // Pack
        QString path{};               // Load, Discard: the file read; Save: the file written
        int quality = 0;              // Save
        int ticket = 0;               // Save
        std::function<void()> then{}; // Barrier
        QImage decoded{};             // Load of a photo decoded elsewhere
    };
    struct Outcome;

    void openWith(const QString& path, const QImage& decoded);
    // Results still on their way are for a photo left; the work not yet started goes, saves excepted.
    void leavePhoto();
    void startNext();
    void take(Outcome& outcome, const Job& job);
    void takeLoad(Outcome& outcome, bool discard);
    void push(std::shared_ptr<Step> step);
    void trim();
    void setBusy(bool on);
    void updateBusy();
    void setBitmap(const QImage& b);
    void setViewCopy(const QImage& copy);
    void resetHistory();
    static void releaseLater(std::deque<std::shared_ptr<Step>>& steps);
    void updateModified();
    std::function<std::shared_ptr<Outcome>()> workFor(Job& job);
    ViewCopySize viewCopySize() const;

    Decode decode_;
    Encode encode_;
    QString path_;
    LoadState loadState_ = LoadState::Empty;
    QImage bitmap_;
    QStringList exifLines_;
    QSize loadedSize_;
    QImage viewCopy_;
    qint64 viewCopyKey_ = 0;
    std::function<ViewCopySize()> viewCopyPlanner_;
    bool modified_ = false;
    int jpegQuality_ = 80;
    // The undo depth at which the bitmap is the saved one; -1 when no depth is.
    int cleanDepth_ = 0;
    std::deque<std::shared_ptr<Step>> undo_;
    std::deque<std::shared_ptr<Step>> redo_;
    std::deque<Job> queue_;
    std::unique_ptr<Job> running_;
    bool busy_ = false;
    QThreadPool pool_;
    QFutureWatcher<std::shared_ptr<Outcome>>* watcher_ = nullptr;
    // Counts the photos opened: a result of an earlier photo is not taken.
    int photo_ = 0;
    int runningPhoto_ = 0;
    int tickets_ = 0;
    int maxSteps_ = kMaxSteps;
    qint64 maxBytes_ = kMaxHistoryBytes;
};
