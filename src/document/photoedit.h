#pragma once

// The editing state of the photo in the viewer: the working bitmap, `Modified`, `JpegQuality`, and the
// history of changes for undo and redo. Every change of the working bitmap goes through here; `changed`
// is emitted whenever the bitmap or `Modified` changes, and the window only shows what it says.
//
// Corrections run on a worker thread, one at a time in the order they were asked for; each result is
// taken on the UI thread, so the window keeps repainting while a 24-megapixel photo is worked on.
// Undo and redo go through the same queue. The history keeps per step only what undo needs: nothing for
// a step with an exact inverse (quarter turns), the changed patch for a local edit (red eye), the cut
// margins for a crop, otherwise the bitmap before the step. Once a newer step lies on top, such a
// bitmap is packed in the background to its colour bytes when it is wholly opaque (a quarter smaller,
// exact). The history is bounded by kMaxSteps and kMaxHistoryBytes, oldest dropped first. Bitmaps the
// history lets go of are freed on a pool thread.
// Create and call on the UI thread.
#include "imaging/finishedrows.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QThreadPool>

#include <array>
#include <deque>
#include <functional>
#include <memory>

class PhotoEdit : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxSteps = 20;
    static constexpr qint64 kMaxHistoryBytes = qint64(1) << 30;

    // A change of the working bitmap: `apply` is pure (the same input gives the same output) so that
    // redo can run it again. `inverse`, when given, undoes it exactly; `patch`, when not empty, is the
    // only part of the bitmap `apply` may change (its size stays).
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
    };

    // A copy of `b` that shares nothing, on memory that is quick to touch for the first time: what an
    // in-place change works on while the view still shows the original.
    static QImage UnsharedCopy(const QImage& b);
    // `rowwise` run over a copy of `source`: the bands of rows are copied and changed while still in the
    // cache, spread over the global pool. The same pixels as changing an unshared copy as a whole. Each
    // changed band is handed to `finished` before it is written out.
    static QImage MapRows(const QImage& source, const std::function<void(QImage&)>& rowwise,
                          const imaging::FinishedRows& finished = {});

    explicit PhotoEdit(QObject* parent = nullptr);
    ~PhotoEdit() override;

    const QImage& bitmap() const { return bitmap_; }
    // The viewer's copy of the bitmap, made on the worker: from the rows of a change's result as they
    // were finished, or else from the whole result (an undo, a crop); null when the viewer wanted none or
    // the bitmap was set from outside (load, commit, preview without one).
    QImage viewCopy() const { return viewCopyKey_ == bitmap_.cacheKey() ? viewCopy_ : QImage(); }
    // Asked on the UI thread as each change starts: the size of the viewer's copy for a result of a
    // given size (empty for none). What it answers runs on the worker, so it must hold copies only.
    using ViewCopySize = imaging::NearestCopyFromRows::TargetFor;
    void setViewCopyPlanner(std::function<ViewCopySize()> planner) { viewCopyPlanner_ = std::move(planner); }
    bool isModified() const { return modified_; }
    // Clearing marks the present bitmap as the saved one (a save, or a refused save question).
    void setModified(bool on);
    int jpegQuality() const { return jpegQuality_; }
    void setJpegQuality(int q) { jpegQuality_ = q; }

    // A photo was opened or read again from its file: it becomes the unedited state, the history and
    // any queued work are dropped.
    void load(const QImage& bitmap);
    // Queues a change; it runs after the ones before it.
    void run(Change change);
    // Takes a bitmap computed elsewhere (an adjustment dialog's result) as one step; `before` is what
    // undo brings back.
    void commit(const QString& name, const QImage& after, const QImage& before);
    // Shows a bitmap without making it a step or touching `Modified` (a dialog's live preview), with
    // the viewer's copy of it when one was made.
    void preview(const QImage& bitmap, const QImage& viewCopy = {});

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    QString undoName() const;
    QString redoName() const;
    void undo();
    void redo();
    int undoDepth() const { return static_cast<int>(undo_.size()); }
    // The bounds of the history (kMaxSteps and kMaxHistoryBytes unless changed).
    void setHistoryLimits(int steps, qint64 bytes) {
        maxSteps_ = steps;
        maxBytes_ = bytes;
        trim();
    }
    qint64 historyBytes() const;

    // Whether work the user asked for is still queued or running; finish waits for all work and takes
    // the results (before a save, a crop or a dialog, and in tests).
    bool isBusy() const { return busy_; }
    void finish();

    // Runs `work` on the worker thread used for the changes (a dialog's preview computation).
    QThreadPool& pool() { return pool_; }

signals:
    // The bitmap or `Modified` changed.
    void changed();
    // The queue started or finished working (the window shows the hourglass meanwhile).
    void busyChanged(bool busy);

private:
    struct Step {
        Change change;
        QImage before;      // the whole bitmap before the step, when nothing smaller will do
        QImage patchBefore; // the patch before the step
        QSize fullSize;     // a crop's bitmap size before the step
        QImage margins[4];  // a crop's cut margins: above, below, left and right of the kept part
        QByteArray packed;  // `before` packed to its colour bytes (B, G, R), once it is
        QSize packedSize;
        qint64 bytes() const {
            qint64 sum = before.sizeInBytes() + patchBefore.sizeInBytes() + packed.size();
            for (const QImage& m : margins)
                sum += m.sizeInBytes();
            return sum;
        }
    };
    // Pack works in the background: it neither shows the hourglass nor changes the bitmap.
    enum class JobKind { Do, Undo, Redo, Pack };
    struct Job {
        JobKind kind;
        Change change;                // Do only
        std::shared_ptr<Step> step{}; // Pack only
    };
    struct Outcome {
        QImage bitmap;
        std::shared_ptr<Step> step{};
        QByteArray packed{}; // Pack only; empty when the bitmap is not wholly opaque
        QImage viewCopy{};
    };

    // The result of `change` on `input` with the viewer's copy of it (worker thread).
    static Outcome apply(const Change& change, const QImage& input, const ViewCopySize& viewCopySize);
    // The bitmap before `step`, whose result is `input` (worker thread).
    static QImage undone(const Step& step, const QImage& input);
    // The viewer's copy of a bitmap made whole (worker thread): the pixels the viewer would make itself.
    static QImage viewCopyOf(const QImage& b, const ViewCopySize& viewCopySize);
    void startNext();
    void take(const Outcome& outcome, JobKind kind);
    void push(std::shared_ptr<Step> step);
    void trim();
    void setBusy(bool on);
    // Busy while a job the user asked for is queued or running.
    void updateBusy();
    void setBitmap(const QImage& b);
    // `copy` belongs to the bitmap just set.
    void setViewCopy(const QImage& copy);
    // Lets go of `steps` on a pool thread: the last reference to a photo-sized bitmap takes a while to free.
    static void releaseLater(std::deque<std::shared_ptr<Step>>& steps);
    void updateModified();

    QImage bitmap_;
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
    bool running_ = false;
    bool busy_ = false;
    JobKind runningKind_ = JobKind::Do;
    QThreadPool pool_;
    QFutureWatcher<Outcome>* watcher_ = nullptr;
    int generation_ = 0;
    int maxSteps_ = kMaxSteps;
    qint64 maxBytes_ = kMaxHistoryBytes;
};
