#include "document/photoedit.h"

#include "imaging/effectsbands.h"
#include "imaging/effectsbitmap.h"
#include "imaging/resample.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <atomic>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <vector>

namespace {

// Writes `patch` into `bitmap` at `at` (row by row; the bitmap is detached once if it is shared).
void putPatch(QImage& bitmap, const QImage& patch, QPoint at) {
    const int bytes = patch.width() * 4;
    for (int y = 0; y < patch.height(); ++y)
        std::copy_n(patch.constScanLine(y), bytes, bitmap.scanLine(at.y() + y) + at.x() * 4);
}

// Copies `count` pixels to `to` without reading its lines into the cache first (non-temporal stores).
void streamRow(uchar* to, const uchar* from, int count) {
    int i = 0;
#if defined(__SSE2__)
    auto* out = reinterpret_cast<quint32*>(to);
    const auto* in = reinterpret_cast<const quint32*>(from);
    for (; i < count && (reinterpret_cast<quintptr>(out + i) & 15) != 0; ++i)
        out[i] = in[i];
    for (; i + 4 <= count; i += 4)
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
#endif
    std::copy_n(from + qsizetype(i) * 4, qsizetype(count - i) * 4, to + qsizetype(i) * 4);
}

// Makes the streamed stores visible to the thread that takes the result.
void finishStreaming() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// A band of rows small enough to stay in the cache between its copy and its change (and below the size
// at which a colour change spreads itself over the pool).
constexpr int kBandPixels = 128 * 1024;

// Runs `work(first, count)` over the rows of a `height`-row bitmap `rows` at a time, spread over the
// global pool (the calling thread taking its share).
void forEachBand(int height, int rows, const std::function<void(int, int)>& work) {
    const int bands = (height + rows - 1) / rows;
    imaging::detail::ForEachRowBand(bands, kBandPixels, [&](int firstBand, int endBand) {
        for (int band = firstBand; band < endBand; ++band) {
            const int first = band * rows;
            work(first, std::min(rows, height - first));
        }
    });
}

int bandRows(int width) {
    return std::max(1, kBandPixels / std::max(1, width));
}

// A wholly opaque bitmap as its colour bytes (B, G, R); empty when some alpha is not 255.
QByteArray packOpaque(const QImage& b) {
    if (b.isNull() || b.format() != QImage::Format_ARGB32)
        return {};
    const int w = b.width();
    QByteArray out(qsizetype(w) * b.height() * 3, Qt::Uninitialized);
    char* const base = out.data(); // taken once: the bands must not each detach it
    std::atomic<bool> opaque{true};
    forEachBand(b.height(), bandRows(w), [&](int first, int count) {
        quint32 all = 0xFF000000u;
        for (int y = first; y < first + count; ++y) {
            const auto* in = reinterpret_cast<const quint32*>(b.constScanLine(y));
            auto* to = reinterpret_cast<uchar*>(base) + qsizetype(y) * w * 3;
            for (int x = 0; x < w; ++x) {
                const quint32 p = in[x];
                all &= p;
                to[3 * x] = uchar(p);
                to[3 * x + 1] = uchar(p >> 8);
                to[3 * x + 2] = uchar(p >> 16);
            }
        }
        if ((all & 0xFF000000u) != 0xFF000000u)
            opaque = false;
    });
    return opaque ? out : QByteArray();
}

// A new bitmap of `size` to write a whole earlier state into: from the large-buffer store, or else plain.
QImage newBitmap(QSize size) {
    QImage b = imaging::detail::NewBitmap(size.width(), size.height());
    return b.isNull() ? QImage(size, QImage::Format_ARGB32) : b;
}

QImage unpackOpaque(const QByteArray& packed, QSize size) {
    QImage b = newBitmap(size);
    uchar* const bits = b.bits();
    const qsizetype stride = b.bytesPerLine();
    const int w = size.width();
    forEachBand(size.height(), bandRows(w), [&](int first, int count) {
        for (int y = first; y < first + count; ++y) {
            const auto* in = reinterpret_cast<const uchar*>(packed.constData()) + qsizetype(y) * w * 3;
            auto* out = reinterpret_cast<quint32*>(bits + y * stride);
            for (int x = 0; x < w; ++x)
                out[x] =
                    0xFF000000u | in[3 * x] | (quint32(in[3 * x + 1]) << 8) | (quint32(in[3 * x + 2]) << 16);
        }
    });
    return b;
}

// The margins a crop to `kept` cuts from a bitmap of `size`: above, below, left and right of it.
std::array<QRect, 4> marginsOf(QSize size, QRect kept) {
    return {QRect(0, 0, size.width(), kept.top()),
            QRect(0, kept.bottom() + 1, size.width(), size.height() - kept.bottom() - 1),
            QRect(0, kept.top(), kept.left(), kept.height()),
            QRect(kept.right() + 1, kept.top(), size.width() - kept.right() - 1, kept.height())};
}

} // namespace

QImage PhotoEdit::MapRows(const QImage& source, const std::function<void(QImage&)>& rowwise,
                          const imaging::FinishedRows& finished) {
    QImage out = source.format() == QImage::Format_ARGB32 && !source.isNull()
                     ? imaging::detail::NewBitmap(source.width(), source.height())
                     : QImage();
    if (out.isNull()) {
        out = UnsharedCopy(source);
        rowwise(out);
        if (finished && !out.isNull())
            finished(0, out.height(), {out.size(), out.constBits(), out.bytesPerLine(), 4});
        return out;
    }
    const int width = source.width();
    uchar* const bits = out.bits(); // taken once: the bands must not each detach the image
    const qsizetype stride = out.bytesPerLine();
    forEachBand(source.height(), bandRows(width), [&](int first, int count) {
        // Each band is changed in a buffer of the thread's own that stays in the cache, and then written
        // past the cache: the new bitmap costs no more memory traffic than a change in place.
        thread_local std::vector<quint32> scratch;
        scratch.resize(static_cast<size_t>(width) * static_cast<size_t>(count));
        auto* const start = reinterpret_cast<uchar*>(scratch.data());
        for (int y = 0; y < count; ++y)
            std::copy_n(source.constScanLine(first + y), width * 4, start + qsizetype(y) * width * 4);
        QImage part(start, width, count, qsizetype(width) * 4, QImage::Format_ARGB32); // borrows scratch
        rowwise(part);
        if (finished)
            finished(first, first + count, {out.size(), start, qsizetype(width) * 4, 4});
        for (int y = 0; y < count; ++y)
            streamRow(bits + (first + y) * stride, part.constScanLine(y), width);
    });
    finishStreaming();
    return out;
}

QImage PhotoEdit::undone(const Step& step, const QImage& input) {
    if (!step.before.isNull())
        return step.before;
    if (!step.packed.isEmpty())
        return unpackOpaque(step.packed, step.packedSize);
    QImage b = input;
    if (!step.patchBefore.isNull()) {
        putPatch(b, step.patchBefore, step.change.patch.topLeft());
    } else if (step.fullSize.isValid()) {
        b = newBitmap(step.fullSize);
        const auto parts = marginsOf(step.fullSize, step.change.crop);
        for (int i = 0; i < 4; ++i)
            if (!parts[i].isEmpty())
                putPatch(b, step.margins[i], parts[i].topLeft());
        putPatch(b, input, step.change.crop.topLeft());
    } else {
        step.change.inverse(b);
    }
    return b;
}

QImage PhotoEdit::viewCopyOf(const QImage& b, const ViewCopySize& viewCopySize) {
    const QSize size = viewCopySize && !b.isNull() ? viewCopySize(b.size()) : QSize();
    if (size.isEmpty())
        return {};
    QImage copy(size, QImage::Format_RGB32);
    if (copy.isNull())
        return {};
    imaging::ScaleNearestInto(b, copy, true);
    return copy;
}

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
    imaging::detail::ReplaceBitmap(bitmap_, b);
    if (!bitmap_.isNull() && bitmap_.format() != QImage::Format_ARGB32)
        bitmap_ = bitmap_.convertToFormat(QImage::Format_ARGB32);
}

void PhotoEdit::releaseLater(std::deque<std::shared_ptr<Step>>& steps) {
    if (steps.empty())
        return;
    QThreadPool::globalInstance()->start([gone = std::move(steps)] {});
    steps.clear();
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
    releaseLater(undo_);
    releaseLater(redo_);
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
    startNext();
}

void PhotoEdit::preview(const QImage& bitmap, const QImage& viewCopy) {
    setBitmap(bitmap);
    setViewCopy(viewCopy);
    emit changed();
}

void PhotoEdit::setViewCopy(const QImage& copy) {
    viewCopy_ = copy;
    viewCopyKey_ = copy.isNull() ? 0 : bitmap_.cacheKey();
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
    releaseLater(redo_);
    undo_.push_back(std::move(step));
    trim();
    // The step below the new one is undone less soon: its whole bitmap may shrink meanwhile.
    if (undo_.size() >= 2 && !undo_[undo_.size() - 2]->before.isNull())
        queue_.push_back({JobKind::Pack, {}, undo_[undo_.size() - 2]});
}

void PhotoEdit::trim() {
    std::deque<std::shared_ptr<Step>> dropped;
    while (!undo_.empty() && (static_cast<int>(undo_.size()) > maxSteps_ || historyBytes() > maxBytes_)) {
        dropped.push_back(std::move(undo_.front()));
        undo_.pop_front();
        cleanDepth_ = cleanDepth_ > 0 ? cleanDepth_ - 1 : -1;
    }
    releaseLater(dropped);
}

void PhotoEdit::setBusy(bool on) {
    if (on == busy_)
        return;
    busy_ = on;
    emit busyChanged(on);
}

void PhotoEdit::updateBusy() {
    bool asked = running_ && runningKind_ != JobKind::Pack;
    for (const Job& job : queue_)
        asked = asked || job.kind != JobKind::Pack;
    setBusy(asked);
}

void PhotoEdit::startNext() {
    if (running_) {
        updateBusy();
        return;
    }
    while (!queue_.empty()) {
        Job job = std::move(queue_.front());
        queue_.pop_front();
        std::function<Outcome()> work;
        const QImage input = bitmap_;
        const auto viewCopySize = [this] { return viewCopyPlanner_ ? viewCopyPlanner_() : ViewCopySize(); };
        if (job.kind == JobKind::Do) {
            auto step = std::make_shared<Step>();
            step->change = std::move(job.change);
            work = [input, step, viewCopySize = viewCopySize()] {
                const Change& c = step->change;
                const QRect whole(QPoint(0, 0), input.size());
                if (!c.patch.isEmpty()) {
                    step->patchBefore = input.copy(c.patch);
                } else if (!c.crop.isEmpty() && whole.contains(c.crop)) {
                    step->fullSize = input.size();
                    const auto parts = marginsOf(input.size(), c.crop);
                    for (int i = 0; i < 4; ++i)
                        step->margins[i] = parts[i].isEmpty() ? QImage() : input.copy(parts[i]);
                } else if (!c.inverse) {
                    step->before = input; // shared, not copied: the change makes its own copy
                }
                Outcome outcome = apply(c, input, viewCopySize);
                outcome.step = step;
                return outcome;
            };
        } else if (job.kind == JobKind::Undo && !undo_.empty()) {
            std::shared_ptr<Step> step = undo_.back();
            work = [input, step, viewCopySize = viewCopySize()] {
                QImage b = undone(*step, input);
                QImage copy = viewCopyOf(b, viewCopySize);
                return Outcome{std::move(b), step, {}, std::move(copy)};
            };
        } else if (job.kind == JobKind::Pack) {
            const std::shared_ptr<Step> step = job.step;
            const bool kept = std::find(undo_.begin(), undo_.end(), step) != undo_.end();
            if (!kept || step->before.isNull())
                continue;
            work = [before = step->before, step] { return Outcome{{}, step, packOpaque(before)}; };
        } else if (job.kind == JobKind::Redo && !redo_.empty()) {
            std::shared_ptr<Step> step = redo_.back();
            work = [input, step, viewCopySize = viewCopySize()] {
                Outcome outcome = apply(step->change, input, viewCopySize);
                outcome.step = step;
                return outcome;
            };
        } else {
            continue; // nothing to undo or redo
        }
        running_ = true;
        runningKind_ = job.kind;
        updateBusy();
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
    updateBusy();
}

PhotoEdit::Outcome PhotoEdit::apply(const Change& change, const QImage& input,
                                    const ViewCopySize& viewCopySize) {
    imaging::NearestCopyFromRows copy(viewCopySize);
    const imaging::FinishedRows finished = copy.sink();
    QImage b;
    if (change.rowwise) {
        b = MapRows(input, change.apply, finished);
    } else {
        b = change.inPlace ? UnsharedCopy(input) : input;
        if (change.applyHandingOn)
            change.applyHandingOn(b, finished);
        else
            change.apply(b);
    }
    // A change that handed on no rows (or only some) has its copy made from the whole result.
    QImage viewCopy = copy.result();
    if (viewCopy.isNull())
        viewCopy = viewCopyOf(b, viewCopySize);
    return {std::move(b), {}, {}, std::move(viewCopy)};
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
    case JobKind::Pack:
        // No job runs now: nothing on the worker reads the step while it changes.
        if (!outcome.packed.isEmpty() && !outcome.step->before.isNull()) {
            outcome.step->packedSize = outcome.step->before.size();
            outcome.step->packed = outcome.packed;
            imaging::detail::ReplaceBitmap(outcome.step->before, QImage());
        }
        return;
    }
    setBitmap(outcome.bitmap);
    setViewCopy(outcome.viewCopy);
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
