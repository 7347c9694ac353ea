#include "ui/main/photoedit.h"

#include "imaging/effectsbitmap.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

// Writes `patch` into `bitmap` at `at` (row by row; the bitmap is detached once if it is shared).
void putPatch(QImage& bitmap, const QImage& patch, QPoint at) {
    const int bytes = patch.width() * 4;
    for (int y = 0; y < patch.height(); ++y)
        std::copy_n(patch.constScanLine(y), bytes, bitmap.scanLine(at.y() + y) + at.x() * 4);
}

} // namespace

QImage PhotoEdit::UnsharedCopy(const QImage& b) {
    if (b.isNull() || b.format() != QImage::Format_ARGB32)
        return b.copy();
    QImage out = imaging::detail::NewBitmap(b.width(), b.height());
    if (out.isNull())
        return b.copy();
    const qsizetype row = qsizetype(b.width()) * 4;
    for (int y = 0; y < b.height(); ++y)
        std::copy_n(b.constScanLine(y), row, out.scanLine(y));
    return out;
}

PhotoEdit::PhotoEdit(QObject* parent)
    : QObject(parent) {
    // One worker: changes must see each other's results, in order.
    pool_.setMaxThreadCount(1);
}

PhotoEdit::~PhotoEdit() {
    ++generation_;
    queue_.clear();
    if (watcher_)
        watcher_->disconnect(this);
    pool_.waitForDone();
}

void PhotoEdit::setModified(bool on) {
    cleanDepth_ = on ? -1 : undoDepth();
    updateModified();
    emit changed();
}

void PhotoEdit::updateModified() {
    modified_ = cleanDepth_ != undoDepth();
}

void PhotoEdit::setBitmap(const QImage& b) {
    bitmap_ = b;
    if (!bitmap_.isNull() && bitmap_.format() != QImage::Format_ARGB32)
        bitmap_ = bitmap_.convertToFormat(QImage::Format_ARGB32);
}

void PhotoEdit::load(const QImage& bitmap) {
    ++generation_;
    queue_.clear();
    if (watcher_) {
        watcher_->disconnect(this);
        watcher_->deleteLater();
        watcher_ = nullptr;
    }
    running_ = false;
    undo_.clear();
    redo_.clear();
    cleanDepth_ = 0;
    setBitmap(bitmap);
    updateModified();
    setBusy(false);
    emit changed();
}

void PhotoEdit::run(Change change) {
    if (bitmap_.isNull() || !change.apply)
        return;
    queue_.push_back({JobKind::Do, std::move(change)});
    startNext();
}

void PhotoEdit::undo() {
    queue_.push_back({JobKind::Undo, {}});
    startNext();
}

void PhotoEdit::redo() {
    queue_.push_back({JobKind::Redo, {}});
    startNext();
}

void PhotoEdit::commit(const QString& name, const QImage& after, const QImage& before) {
    finish();
    auto step = std::make_shared<Step>();
    step->change.name = name;
    // Redo brings the result back as it was computed.
    step->change.apply = [after](QImage& b) { b = after; };
    step->before = before;
    push(step);
    setBitmap(after);
    updateModified();
    emit changed();
}

void PhotoEdit::preview(const QImage& bitmap) {
    setBitmap(bitmap);
    emit changed();
}

QString PhotoEdit::undoName() const {
    return undo_.empty() ? QString() : undo_.back()->change.name;
}

QString PhotoEdit::redoName() const {
    return redo_.empty() ? QString() : redo_.back()->change.name;
}

qint64 PhotoEdit::historyBytes() const {
    qint64 sum = 0;
    for (const auto& s : undo_)
        sum += s->bytes();
    for (const auto& s : redo_)
        sum += s->bytes();
    return sum;
}

void PhotoEdit::push(std::shared_ptr<Step> step) {
    // A saved state that lay ahead (undone) can no longer be reached.
    if (cleanDepth_ > undoDepth())
        cleanDepth_ = -1;
    redo_.clear();
    undo_.push_back(std::move(step));
    trim();
}

void PhotoEdit::trim() {
    while (!undo_.empty() && (static_cast<int>(undo_.size()) > maxSteps_ || historyBytes() > maxBytes_)) {
        undo_.pop_front();
        cleanDepth_ = cleanDepth_ > 0 ? cleanDepth_ - 1 : -1;
    }
}

void PhotoEdit::setBusy(bool on) {
    if (on == busy_)
        return;
    busy_ = on;
    emit busyChanged(on);
}

void PhotoEdit::startNext() {
    if (running_)
        return;
    while (!queue_.empty()) {
        Job job = std::move(queue_.front());
        queue_.pop_front();
        std::function<Outcome()> work;
        const QImage input = bitmap_;
        if (job.kind == JobKind::Do) {
            auto step = std::make_shared<Step>();
            step->change = std::move(job.change);
            work = [input, step] {
                QImage b = step->change.inPlace ? UnsharedCopy(input) : input;
                if (!step->change.patch.isEmpty())
                    step->patchBefore = input.copy(step->change.patch);
                else if (!step->change.inverse)
                    step->before = input; // shared, not copied: apply detaches its own copy
                step->change.apply(b);
                return Outcome{b, step};
            };
        } else if (job.kind == JobKind::Undo && !undo_.empty()) {
            std::shared_ptr<Step> step = undo_.back();
            work = [input, step] {
                if (!step->before.isNull())
                    return Outcome{step->before, step};
                QImage b = input;
                if (!step->patchBefore.isNull())
                    putPatch(b, step->patchBefore, step->change.patch.topLeft());
                else
                    step->change.inverse(b);
                return Outcome{b, step};
            };
        } else if (job.kind == JobKind::Redo && !redo_.empty()) {
            std::shared_ptr<Step> step = redo_.back();
            work = [input, step] {
                QImage b = step->change.inPlace ? UnsharedCopy(input) : input;
                step->change.apply(b);
                return Outcome{b, step};
            };
        } else {
            continue; // nothing to undo or redo
        }
        running_ = true;
        runningKind_ = job.kind;
        setBusy(true);
        watcher_ = new QFutureWatcher<Outcome>(this);
        auto* watcher = watcher_;
        const int generation = generation_;
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
            if (watcher != watcher_ || generation != generation_)
                return;
            watcher_ = nullptr;
            watcher->deleteLater();
            running_ = false;
            take(watcher->result(), runningKind_);
            startNext();
        });
        watcher->setFuture(QtConcurrent::run(&pool_, std::move(work)));
        return;
    }
    setBusy(false);
}

void PhotoEdit::take(const Outcome& outcome, JobKind kind) {
    switch (kind) {
    case JobKind::Do:
        push(outcome.step);
        break;
    case JobKind::Undo:
        redo_.push_back(undo_.back());
        undo_.pop_back();
        break;
    case JobKind::Redo:
        undo_.push_back(redo_.back());
        redo_.pop_back();
        break;
    }
    setBitmap(outcome.bitmap);
    updateModified();
    emit changed();
}

void PhotoEdit::finish() {
    while (running_ && watcher_) {
        QFutureWatcher<Outcome>* watcher = watcher_;
        watcher->waitForFinished();
        watcher_ = nullptr;
        watcher->disconnect(this);
        watcher->deleteLater();
        running_ = false;
        take(watcher->result(), runningKind_);
        startNext();
    }
}
