#include "ui/main/photoedit.h"

#include "imaging/effectsbitmap.h"

#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <numeric>
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

// The margins a crop to `kept` cuts from a bitmap of `size`: above, below, left and right of it.
std::array<QRect, 4> marginsOf(QSize size, QRect kept) {
    return {QRect(0, 0, size.width(), kept.top()),
            QRect(0, kept.bottom() + 1, size.width(), size.height() - kept.bottom() - 1),
            QRect(0, kept.top(), kept.left(), kept.height()),
            QRect(kept.right() + 1, kept.top(), size.width() - kept.right() - 1, kept.height())};
}

} // namespace

QImage PhotoEdit::MapRows(const QImage& source, const std::function<void(QImage&)>& rowwise) {
    QImage out = source.format() == QImage::Format_ARGB32 && !source.isNull()
                     ? imaging::detail::NewBitmap(source.width(), source.height())
                     : QImage();
    if (out.isNull()) {
        out = UnsharedCopy(source);
        rowwise(out);
        return out;
    }
    const int width = source.width();
    const int rows = std::max(1, kBandPixels / width);
    std::vector<int> bands((source.height() + rows - 1) / rows);
    std::iota(bands.begin(), bands.end(), 0);
    uchar* const bits = out.bits(); // taken once: the bands must not each detach the image
    const qsizetype stride = out.bytesPerLine();
    QtConcurrent::blockingMap(bands, [&](int band) {
        const int first = band * rows;
        const int count = std::min(rows, source.height() - first);
        // Each band is changed in a buffer of the thread's own that stays in the cache, and then written
        // past the cache: the new bitmap costs no more memory traffic than a change in place.
        thread_local std::vector<quint32> scratch;
        scratch.resize(static_cast<size_t>(width) * static_cast<size_t>(count));
        auto* const start = reinterpret_cast<uchar*>(scratch.data());
        for (int y = 0; y < count; ++y)
            std::copy_n(source.constScanLine(first + y), width * 4, start + qsizetype(y) * width * 4);
        QImage part(start, width, count, qsizetype(width) * 4, QImage::Format_ARGB32); // borrows scratch
        rowwise(part);
        for (int y = 0; y < count; ++y)
            streamRow(bits + (first + y) * stride, part.constScanLine(y), width);
    });
    finishStreaming();
    return out;
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
    releaseLater(redo_);
    undo_.push_back(std::move(step));
    trim();
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
                return Outcome{apply(c, input), step};
            };
        } else if (job.kind == JobKind::Undo && !undo_.empty()) {
            std::shared_ptr<Step> step = undo_.back();
            work = [input, step] {
                if (!step->before.isNull())
                    return Outcome{step->before, step};
                QImage b = input;
                if (!step->patchBefore.isNull()) {
                    putPatch(b, step->patchBefore, step->change.patch.topLeft());
                } else if (step->fullSize.isValid()) {
                    b = imaging::detail::NewBitmap(step->fullSize.width(), step->fullSize.height());
                    if (b.isNull())
                        b = QImage(step->fullSize, QImage::Format_ARGB32);
                    const auto parts = marginsOf(step->fullSize, step->change.crop);
                    for (int i = 0; i < 4; ++i)
                        if (!parts[i].isEmpty())
                            putPatch(b, step->margins[i], parts[i].topLeft());
                    putPatch(b, input, step->change.crop.topLeft());
                } else {
                    step->change.inverse(b);
                }
                return Outcome{b, step};
            };
        } else if (job.kind == JobKind::Redo && !redo_.empty()) {
            std::shared_ptr<Step> step = redo_.back();
            work = [input, step] { return Outcome{apply(step->change, input), step}; };
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

QImage PhotoEdit::apply(const Change& change, const QImage& input) {
    if (change.rowwise)
        return MapRows(input, change.apply);
    QImage b = change.inPlace ? UnsharedCopy(input) : input;
    change.apply(b);
    return b;
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
