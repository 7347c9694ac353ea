#include "document/photodocument.h"

#include "document/bitmapwork.h"
#include "imaging/effectsbitmap.h"
#include "imaging/photometadata.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

using namespace document;

struct PhotoDocument::Step {
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

struct PhotoDocument::Outcome {
    QImage bitmap;
    std::shared_ptr<Step> step{};
    QByteArray packed{}; // Pack: empty when the bitmap is not wholly opaque
    QImage viewCopy{};
    bool unchanged = false;    // Do: the change found nothing to do
    QString failure{};         // a change that could not be done (out of memory)
    imaging::PhotoLoad load{}; // Load, Discard
    imaging::SaveResult save{};
};

namespace {

// The result of `change` on `input` and the viewer's copy of it (worker thread). `found` is false when
// a change that may find nothing to do did nothing.
QImage applyChange(const PhotoDocument::Change& change, const QImage& input, bool first,
                   const imaging::NearestCopyFromRows::TargetFor& viewCopySize, QImage& viewCopyOut,
                   bool& found) {
    imaging::NearestCopyFromRows copy(viewCopySize);
    const imaging::FinishedRows finished = copy.sink();
    QImage b;
    found = true;
    if (change.rowwise) {
        b = MapRows(input, change.apply, finished);
    } else {
        b = change.inPlace ? UnsharedCopy(input) : input;
        if (first && change.applyIfFound)
            found = change.applyIfFound(b);
        else if (change.applyHandingOn)
            change.applyHandingOn(b, finished);
        else
            change.apply(b);
    }
    if (!found)
        return input;
    // A change that handed on no rows (or only some) has its copy made from the whole result.
    viewCopyOut = copy.result();
    if (viewCopyOut.isNull())
        viewCopyOut = ViewCopyOf(b, viewCopySize);
    return b;
}

// A load or save that ran out of memory, as the image layer reports one.
template <typename Status>
Status memoryFailure() {
    Status failed;
    failed.error = imaging::ImageErrorMemory;
    failed.errorText = imaging::ImageErrorText(imaging::ImageErrorMemory);
    return failed;
}

} // namespace

PhotoDocument::PhotoDocument(QObject* parent, Decode decode, Encode encode)
    : QObject(parent)
    , decode_(decode ? std::move(decode)
                     : Decode([](const QString& path) { return imaging::LoadPhoto(path); }))
    , encode_(encode
                  ? std::move(encode)
                  : Encode([](const QImage& bitmap, const QString& path, int quality, const QString& source) {
                        // The photo's own metadata is read before its file may be replaced.
                        return imaging::SaveJpegWithMetadata(bitmap, path, quality,
                                                             imaging::ReadPhotoMetadata(source));
                    })) {
    // One worker: every job must see the results of the jobs before it.
    pool_.setMaxThreadCount(1);
}

PhotoDocument::~PhotoDocument() {
    queue_.clear();
    if (watcher_)
        watcher_->disconnect(this);
    // A save on its way is written to the end: a half-done save would be lost work.
    pool_.waitForDone();
}

// --- State

void PhotoDocument::setModified(bool on) {
    cleanDepth_ = on ? -1 : undoDepth();
    updateModified();
    emit changed();
}

void PhotoDocument::updateModified() {
    modified_ = cleanDepth_ != undoDepth();
}

void PhotoDocument::setBitmap(const QImage& b) {
    imaging::detail::ReplaceBitmap(bitmap_, b);
    if (!bitmap_.isNull() && bitmap_.format() != QImage::Format_ARGB32)
        bitmap_ = bitmap_.convertToFormat(QImage::Format_ARGB32);
}

void PhotoDocument::setViewCopy(const QImage& copy) {
    viewCopy_ = copy;
    viewCopyKey_ = copy.isNull() ? 0 : bitmap_.cacheKey();
}

PhotoDocument::ViewCopySize PhotoDocument::viewCopySize() const {
    return viewCopyPlanner_ ? viewCopyPlanner_() : ViewCopySize();
}

QString PhotoDocument::undoName() const {
    return undo_.empty() ? QString() : undo_.back()->change.name;
}

QString PhotoDocument::redoName() const {
    return redo_.empty() ? QString() : redo_.back()->change.name;
}

qint64 PhotoDocument::historyBytes() const {
    qint64 sum = 0;
    for (const auto& s : undo_)
        sum += s->bytes();
    for (const auto& s : redo_)
        sum += s->bytes();
    return sum;
}

void PhotoDocument::releaseLater(std::deque<std::shared_ptr<Step>>& steps) {
    if (steps.empty())
        return;
    // The last reference to a photo-sized bitmap takes a while to free.
    QThreadPool::globalInstance()->start([gone = std::move(steps)] {});
    steps.clear();
}

void PhotoDocument::resetHistory() {
    releaseLater(undo_);
    releaseLater(redo_);
    cleanDepth_ = 0;
    updateModified();
}

void PhotoDocument::push(std::shared_ptr<Step> step) {
    // A saved state that lay ahead (undone) can no longer be reached.
    if (cleanDepth_ > undoDepth())
        cleanDepth_ = -1;
    releaseLater(redo_);
    undo_.push_back(std::move(step));
    trim();
    // The step below the new one is undone less soon: its whole bitmap may shrink meanwhile.
    if (undo_.size() >= 2 && !undo_[undo_.size() - 2]->before.isNull())
        queue_.push_back({JobKind::Pack, {}, undo_[undo_.size() - 2]});
}

void PhotoDocument::trim() {
    std::deque<std::shared_ptr<Step>> dropped;
    while (!undo_.empty() && (static_cast<int>(undo_.size()) > maxSteps_ || historyBytes() > maxBytes_)) {
        dropped.push_back(std::move(undo_.front()));
        undo_.pop_front();
        cleanDepth_ = cleanDepth_ > 0 ? cleanDepth_ - 1 : -1;
    }
    releaseLater(dropped);
}

void PhotoDocument::setBusy(bool on) {
    if (on == busy_)
        return;
    busy_ = on;
    emit busyChanged(on);
}

void PhotoDocument::updateBusy() {
    const auto asked = [](JobKind k) { return k != JobKind::Pack && k != JobKind::Barrier; };
    bool any = running_ && asked(running_->kind);
    for (const Job& job : queue_)
        any = any || asked(job.kind);
    setBusy(any);
}

// --- Commands

void PhotoDocument::open(const QString& path) {
    openWith(path, QImage());
}

void PhotoDocument::load(const QImage& bitmap, const QString& path) {
    openWith(path, bitmap.isNull() ? QImage(1, 1, QImage::Format_ARGB32) : bitmap);
}

void PhotoDocument::openWith(const QString& path, const QImage& decoded) {
    leavePhoto();
    path_ = path;
    loadState_ = LoadState::Loading;
    Job job{JobKind::Load, {}, {}, path};
    job.decoded = decoded;
    queue_.push_back(std::move(job));
    emit changed();
    startNext();
}

void PhotoDocument::leavePhoto() {
    ++photo_;
    // What was asked for the photo left goes with it; a save is the customer's file and always ends.
    std::erase_if(queue_, [](const Job& j) { return j.kind != JobKind::Save && j.kind != JobKind::Barrier; });
}

void PhotoDocument::close() {
    leavePhoto();
    path_.clear();
    loadState_ = LoadState::Empty;
    exifLines_.clear();
    loadedSize_ = QSize();
    resetHistory();
    setBitmap(QImage());
    setViewCopy(QImage());
    updateBusy();
    emit changed();
}

void PhotoDocument::run(Change change) {
    if (loadState_ == LoadState::Empty || loadState_ == LoadState::Failed || !change.apply)
        return;
    queue_.push_back({JobKind::Do, std::move(change)});
    startNext();
}

void PhotoDocument::undo() {
    queue_.push_back({JobKind::Undo});
    startNext();
}

void PhotoDocument::redo() {
    queue_.push_back({JobKind::Redo});
    startNext();
}

void PhotoDocument::discard() {
    if (path_.isEmpty())
        return;
    queue_.push_back({JobKind::Discard, {}, {}, path_});
    startNext();
}

int PhotoDocument::save(const QString& target, int quality) {
    const int ticket = ++tickets_;
    Job job{JobKind::Save, {}, {}, target, quality, ticket};
    queue_.push_back(std::move(job));
    startNext();
    return ticket;
}

void PhotoDocument::whenSettled(std::function<void()> then) {
    Job job{JobKind::Barrier};
    job.then = std::move(then);
    queue_.push_back(std::move(job));
    startNext();
}

void PhotoDocument::commit(const QString& name, const QImage& after, const QImage& before) {
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
    startNext();
}

void PhotoDocument::preview(const QImage& bitmap, const QImage& viewCopy) {
    setBitmap(bitmap);
    setViewCopy(viewCopy);
    emit changed();
}

// --- The queue

std::function<std::shared_ptr<PhotoDocument::Outcome>()> PhotoDocument::workFor(Job& job) {
    const QImage input = bitmap_;
    // A change, undo or redo that runs out of memory fails with the program's message; the bitmap stays.
    const auto guarded = [](auto work) {
        return [work]() {
            auto out = std::make_shared<Outcome>();
            try {
                work(*out);
            } catch (const std::bad_alloc&) {
                *out = Outcome{};
                out->failure = imaging::ImageErrorText(imaging::ImageErrorMemory);
            }
            return out;
        };
    };
    switch (job.kind) {
    case JobKind::Load:
    case JobKind::Discard:
        return [decode = decode_, path = job.path, decoded = job.decoded] {
            auto out = std::make_shared<Outcome>();
            try {
                if (!decoded.isNull())
                    out->load.bitmap = decoded;
                else
                    out->load = decode(path);
            } catch (...) {
                // An exception must not end the program from a pool thread; running out of memory is
                // what a decoder throws in practice.
                out->load = memoryFailure<imaging::PhotoLoad>();
            }
            return out;
        };
    case JobKind::Save:
        return [encode = encode_, input, path = job.path, quality = job.quality, source = path_] {
            auto out = std::make_shared<Outcome>();
            try {
                out->save = encode(input, path, quality, source);
            } catch (...) {
                out->save = memoryFailure<imaging::SaveResult>();
            }
            return out;
        };
    case JobKind::Do: {
        auto step = std::make_shared<Step>();
        step->change = std::move(job.change);
        return guarded([input, step, size = viewCopySize()](Outcome& out) {
            Change& c = step->change;
            const QRect whole(QPoint(0, 0), input.size());
            if (!c.patch.isEmpty()) {
                c.patch = c.patch.intersected(whole);
                if (c.patch.isEmpty()) {
                    out.unchanged = true;
                    return;
                }
                step->patchBefore = input.copy(c.patch);
            } else if (!c.crop.isEmpty() && whole.contains(c.crop)) {
                step->fullSize = input.size();
                const auto parts = MarginsOf(input.size(), c.crop);
                for (int i = 0; i < 4; ++i)
                    step->margins[i] = parts[i].isEmpty() ? QImage() : input.copy(parts[i]);
            } else if (!c.inverse) {
                step->before = input; // shared, not copied: the change makes its own copy
            }
            bool found = true;
            out.bitmap = applyChange(c, input, true, size, out.viewCopy, found);
            out.unchanged = !found;
            out.step = step;
        });
    }
    case JobKind::Undo:
        return guarded([input, step = undo_.back(), size = viewCopySize()](Outcome& out) {
            const Step& s = *step;
            QImage b;
            if (!s.before.isNull()) {
                b = s.before;
            } else if (!s.packed.isEmpty()) {
                b = UnpackOpaque(s.packed, s.packedSize);
            } else if (!s.patchBefore.isNull()) {
                b = input;
                PutPatch(b, s.patchBefore, s.change.patch.topLeft());
            } else if (s.fullSize.isValid()) {
                b = NewBitmap(s.fullSize);
                const auto parts = MarginsOf(s.fullSize, s.change.crop);
                for (int i = 0; i < 4; ++i)
                    if (!parts[i].isEmpty())
                        PutPatch(b, s.margins[i], parts[i].topLeft());
                PutPatch(b, input, s.change.crop.topLeft());
            } else {
                b = input;
                s.change.inverse(b);
            }
            out.viewCopy = ViewCopyOf(b, size);
            out.bitmap = std::move(b);
            out.step = step;
        });
    case JobKind::Redo:
        return guarded([input, step = redo_.back(), size = viewCopySize()](Outcome& out) {
            bool found = true;
            out.bitmap = applyChange(step->change, input, false, size, out.viewCopy, found);
            out.step = step;
        });
    case JobKind::Pack:
        return [before = job.step->before, step = job.step] {
            auto out = std::make_shared<Outcome>();
            out->packed = PackOpaque(before);
            out->step = step;
            return out;
        };
    case JobKind::Barrier:
        break;
    }
    return {};
}

void PhotoDocument::startNext() {
    while (!running_ && !queue_.empty()) {
        Job job = std::move(queue_.front());
        queue_.pop_front();
        if (job.kind == JobKind::Barrier) {
            // Run from the event loop: the caller's step may ask questions and open dialogs.
            QMetaObject::invokeMethod(this, std::move(job.then), Qt::QueuedConnection);
            continue;
        }
        if ((job.kind == JobKind::Undo && undo_.empty()) || (job.kind == JobKind::Redo && redo_.empty()))
            continue;
        if (job.kind == JobKind::Pack &&
            (job.step->before.isNull() || std::find(undo_.begin(), undo_.end(), job.step) == undo_.end()))
            continue;
        if (job.kind == JobKind::Do && bitmap_.isNull())
            continue; // the photo could not be read: nothing to change (a save still reports its failure)
        auto work = workFor(job);
        running_ = std::make_unique<Job>(std::move(job));
        runningPhoto_ = photo_;
        watcher_ = new QFutureWatcher<std::shared_ptr<Outcome>>(this);
        auto* watcher = watcher_;
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
            if (watcher != watcher_)
                return;
            watcher_ = nullptr;
            watcher->deleteLater();
            std::unique_ptr<Job> done = std::move(running_);
            take(*watcher->result(), *done);
            startNext();
        });
        watcher->setFuture(QtConcurrent::run(&pool_, std::move(work)));
    }
    updateBusy();
}

void PhotoDocument::take(Outcome& outcome, const Job& job) {
    if (job.kind == JobKind::Save) {
        // The customer's file: its outcome always counts, whichever photo is shown now.
        if (outcome.save.ok() && runningPhoto_ == photo_) {
            cleanDepth_ = undoDepth();
            updateModified();
            emit changed();
        }
        emit saved(job.ticket, job.path, outcome.save);
        return;
    }
    if (runningPhoto_ != photo_)
        return; // work for a photo left meanwhile
    switch (job.kind) {
    case JobKind::Load:
    case JobKind::Discard:
        takeLoad(outcome, job.kind == JobKind::Discard);
        return;
    case JobKind::Pack:
        // No job runs now: nothing on the worker reads the step while it changes.
        if (!outcome.packed.isEmpty() && !outcome.step->before.isNull()) {
            outcome.step->packedSize = outcome.step->before.size();
            outcome.step->packed = outcome.packed;
            imaging::detail::ReplaceBitmap(outcome.step->before, QImage());
        }
        return;
    default:
        break;
    }
    if (!outcome.failure.isEmpty()) {
        emit failed(outcome.failure);
        return;
    }
    if (outcome.unchanged)
        return;
    if (job.kind == JobKind::Do) {
        push(outcome.step);
    } else if (job.kind == JobKind::Undo) {
        redo_.push_back(undo_.back());
        undo_.pop_back();
    } else {
        undo_.push_back(redo_.back());
        redo_.pop_back();
    }
    setBitmap(outcome.bitmap);
    setViewCopy(outcome.viewCopy);
    updateModified();
    emit changed();
}

void PhotoDocument::takeLoad(Outcome& outcome, bool discard) {
    imaging::PhotoLoad& load = outcome.load;
    if (discard) {
        if (!load.ok()) {
            emit failed(imaging::ViewerLoadMessage(load)); // the edit stays
            return;
        }
        auto step = std::make_shared<Step>();
        step->change.name = QStringLiteral("Odwołanie zmian");
        step->change.apply = [after = load.bitmap](QImage& b) { b = after; };
        step->before = bitmap_;
        push(step);
        cleanDepth_ = undoDepth();
    } else {
        resetHistory();
        loadState_ = load.ok() ? LoadState::Loaded : LoadState::Failed;
    }
    exifLines_ = load.exifLines;
    loadedSize_ = load.bitmap.size();
    setBitmap(load.bitmap);
    setViewCopy(QImage());
    updateModified();
    if (!load.ok())
        emit failed(imaging::ViewerLoadMessage(load));
    emit changed();
}

void PhotoDocument::finish() {
    while (running_ && watcher_) {
        QFutureWatcher<std::shared_ptr<Outcome>>* watcher = watcher_;
        // Waiting on the pool, not the future: a job not yet started still runs on the worker, never
        // on the thread that waits.
        pool_.waitForDone();
        watcher_ = nullptr;
        watcher->disconnect(this);
        watcher->deleteLater();
        std::unique_ptr<Job> done = std::move(running_);
        take(*watcher->result(), *done);
        startNext();
    }
}
