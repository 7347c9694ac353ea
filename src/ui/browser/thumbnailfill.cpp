#include "ui/browser/thumbnailfill.h"

namespace ui {

ThumbnailFill::ThumbnailFill(CellMaker maker, QObject* parent)
    : QObject(parent)
    , maker_(std::move(maker)) {
    pool_.setObjectName(QStringLiteral("thumbnails"));
    // Decoding is the bottleneck and scales with the cores; the UI thread only copies finished cells.
    pool_.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
}

ThumbnailFill::~ThumbnailFill() {
    stop();
    pool_.clear();
    // Running decodes post to this object; they finish before it goes, and their posted events die with it.
    pool_.waitForDone();
}

void ThumbnailFill::start(const QStringList& paths) {
    stop();
    paths_ = paths;
    running_ = !paths_.isEmpty();
    submitMore();
}

void ThumbnailFill::stop() {
    ++generation_;
    pool_.clear(); // queued, not yet started decodes of the old generation are dropped
    waiting_.clear();
    paths_.clear();
    nextToSubmit_ = nextToApply_ = 0;
    inFlight_ = 0;
    running_ = false;
    finished_ = false;
}

void ThumbnailFill::submitMore() {
    // A bounded window of work keeps memory flat for big folders and makes a stop cheap; keeping it
    // well above the thread count lets out-of-order finishes overlap.
    const int window = pool_.maxThreadCount() * 4;
    const quint64 generation = generation_;
    while (running_ && nextToSubmit_ < paths_.size() && inFlight_ < window) {
        const int index = nextToSubmit_++;
        ++inFlight_;
        const QString path = paths_[index];
        // The destructor waits for the pool, so `this` outlives every task.
        pool_.start([this, maker = maker_, path, generation, index] {
            QImage cell;
            try {
                cell = maker(path);
            } catch (...) {
                cell = QImage(); // the receiver shows a failed cell
            }
            QMetaObject::invokeMethod(
                this, [this, generation, index, cell] { arrived(generation, index, cell); },
                Qt::QueuedConnection);
        });
    }
}

void ThumbnailFill::arrived(quint64 generation, int index, const QImage& cell) {
    if (generation != generation_)
        return;
    --inFlight_;
    waiting_.emplace(index, cell);
    const quint64 mine = generation_;
    while (!waiting_.empty() && waiting_.begin()->first == nextToApply_) {
        const QImage ready = waiting_.begin()->second;
        waiting_.erase(waiting_.begin());
        const int i = nextToApply_++;
        emit cellReady(i, paths_[i], ready);
        // A receiver may stop or restart the fill; what follows belongs to the old run.
        if (mine != generation_)
            return;
    }
    if (nextToApply_ == paths_.size()) {
        running_ = false;
        finished_ = true;
        emit completed();
        return;
    }
    submitMore();
}

} // namespace ui
