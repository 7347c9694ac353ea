#include "imaging/batchcrop.h"

#include "imaging/batchcropwork.h"
#include "imaging/imagefile.h"
#include "imaging/photometadata.h"

#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <map>
#include <memory>
#include <vector>

namespace imaging {

namespace {

// Photos decoded, cut and encoded at the same time: two cores' worth, and the peak memory of two
// photos rather than of the whole list.
constexpr int kMaxInFlight = 2;

// The name the cut photo is written under: its own, except that a TIFF photo becomes name.jpg, as JPEG
// data under a ".tif" name is a file other programs refuse to open.
QString jpegFileName(const QString& fileName) {
    if (!IsTiffPath(fileName))
        return fileName;
    return QFileInfo(fileName).completeBaseName() + QStringLiteral(".jpg");
}

// The photo's file name as the list shows it.
QString displayName(const BatchCropItem& item) {
    return item.fileName.isEmpty() ? QFileInfo(item.path).fileName() : item.fileName;
}

bool sameFile(const QString& a, const QString& b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

} // namespace

QString BatchCropTargetPath(const BatchCropItem& item, const BatchCropOptions& options) {
    const QFileInfo photo(item.path);
    if (options.target == BatchCropTarget::OtherFolder) {
        if (options.folder.isEmpty())
            return {};
        return QDir::toNativeSeparators(QDir(options.folder).filePath(jpegFileName(displayName(item))));
    }
    if (!IsTiffPath(photo.fileName()))
        return item.path;
    return QDir::toNativeSeparators(photo.dir().filePath(jpegFileName(photo.fileName())));
}

QString BatchCropSummaryText(const BatchCropOutcome& outcome) {
    QString text = QStringLiteral("Zapisane zdjęcia: %1, pominięte: %2, nieudane: %3.")
                       .arg(outcome.written)
                       .arg(outcome.skipped)
                       .arg(outcome.failed);
    if (outcome.cancelled || outcome.stopped)
        text += QStringLiteral(" Przerwano.");
    return text;
}

struct BatchCropRun::State {
    BatchCropRun* run = nullptr;
    QList<BatchCropItem> items;
    BatchCropOptions options;
    OverwriteQuestion ask;
    detail::BatchCropWorker worker = detail::CropAndEncode;

    struct Slot {
        QFuture<void> future;
        std::shared_ptr<detail::BatchCropProduct> product;
        bool ready = false;
    };
    std::map<int, Slot> inFlight;        // started and not yet handled, by list index
    std::vector<QFuture<void>> handedIn; // handled work whose function may still be returning
    std::shared_ptr<std::atomic<bool>> cancelled = std::make_shared<std::atomic<bool>>(false);

    int nextToStart = 0;
    int current = 0;    // the photo being handled
    int announced = -1; // the last photo whose progress was emitted
    bool started = false;
    bool ending = false; // stopped or cancelled: waits for the photos in flight to come back
    bool ended = false;  // `finished` emitted
    bool pumping = false;
    BatchCropOutcome outcome;

    int total() const { return static_cast<int>(items.size()); }

    bool allBack() const {
        for (const auto& [index, slot] : inFlight)
            if (!slot.ready)
                return false;
        return true;
    }

    void pumpLater() {
        QMetaObject::invokeMethod(
            run, [this] { pump(); }, Qt::QueuedConnection);
    }

    void end() {
        ending = true;
        cancelled->store(true);
    }

    void launch(int index) {
        Slot& slot = inFlight[index];
        slot.product = std::make_shared<detail::BatchCropProduct>();
        slot.future =
            QtConcurrent::run(QThreadPool::globalInstance(),
                              [this, index, worker = worker, item = items.at(index), options = options,
                               cancelled = cancelled, product = slot.product, run = run] {
                                  *product = detail::WorkOnPhoto(worker, item, options, *cancelled);
                                  // Dropped with the run if it is gone by then; its destructor
                                  // waits for this function to return.
                                  QMetaObject::invokeMethod(
                                      run, [this, index] { productReady(index); }, Qt::QueuedConnection);
                              });
    }

    void productReady(int index) {
        const auto it = inFlight.find(index);
        if (it == inFlight.end())
            return;
        it->second.ready = true;
        pump();
    }

    // Handles the photos in list order as their work comes back. Re-entered from the nested event loop
    // of a question or a signal handler only to note what came back; the outer call goes on with it.
    // Returns at once when a signal handler deleted the run.
    void pump() {
        if (pumping || ended)
            return;
        pumping = true;
        const QPointer<BatchCropRun> alive(run);
        for (;;) {
            if (ending && allBack())
                return finish();
            if (ending)
                break;
            while (static_cast<int>(inFlight.size()) < kMaxInFlight && nextToStart < total())
                launch(nextToStart++);
            if (current >= total())
                return finish();
            if (announced < current) {
                announced = current;
                emit run->progress(current + 1, total());
                if (!alive)
                    return;
                continue;
            }
            const auto it = inFlight.find(current);
            if (it == inFlight.end() || !it->second.ready)
                break;
            const detail::BatchCropProduct product = std::move(*it->second.product);
            std::erase_if(handedIn, [](const QFuture<void>& f) { return f.isFinished(); });
            handedIn.push_back(it->second.future);
            inFlight.erase(it);
            handle(product);
            if (!alive)
                return;
            if (!ending)
                ++current;
        }
        pumping = false;
    }

    void handle(const detail::BatchCropProduct& product) {
        const BatchCropItem& item = items.at(current);
        const QString name = displayName(item);
        switch (product.kind) {
        case detail::BatchCropProduct::Kind::Dropped:
            return;
        case detail::BatchCropProduct::Kind::Empty:
            ++outcome.skipped;
            return;
        case detail::BatchCropProduct::Kind::LoadFailed:
        case detail::BatchCropProduct::Kind::EncodeFailed:
            ++outcome.failed;
            outcome.failures << name + QStringLiteral(": ") + product.message;
            return;
        case detail::BatchCropProduct::Kind::Encoded:
            break;
        }
        const QString target = BatchCropTargetPath(item, options);
        const bool asks = options.target == BatchCropTarget::OtherFolder || !sameFile(target, item.path);
        if (asks && QFileInfo::exists(target)) {
            const QPointer<BatchCropRun> alive(run);
            const Overwrite answer = ask ? ask(target) : Overwrite::No;
            if (!alive || ending)
                return;
            if (answer == Overwrite::Cancel) {
                outcome.cancelled = true;
                return end();
            }
            if (answer == Overwrite::No) {
                ++outcome.skipped;
                return;
            }
        }
        const SaveResult saved = WriteFileAtomically(target, product.bytes);
        if (saved.ok()) {
            ++outcome.written;
            return;
        }
        ++outcome.failed;
        outcome.failures << name + QStringLiteral(": ") + SaveFailureMessage(saved);
    }

    // The last thing a run does: the handler may delete it.
    void finish() {
        ended = true;
        emit run->finished(outcome);
    }
};

BatchCropRun::BatchCropRun(QList<BatchCropItem> items, BatchCropOptions options, OverwriteQuestion ask,
                           QObject* parent)
    : QObject(parent)
    , state_(std::make_unique<State>()) {
    state_->run = this;
    state_->items = std::move(items);
    state_->options = std::move(options);
    state_->ask = std::move(ask);
}

BatchCropRun::~BatchCropRun() {
    // Work already on the pool sees the flag at its next step and returns; its hand-back events die
    // with this object.
    state_->cancelled->store(true);
    for (auto& [index, slot] : state_->inFlight)
        slot.future.waitForFinished();
    for (QFuture<void>& future : state_->handedIn)
        future.waitForFinished();
}

void BatchCropRun::start() {
    if (state_->started)
        return;
    state_->started = true;
    state_->pumpLater();
}

void BatchCropRun::stop() {
    State& s = *state_;
    if (s.ended || s.ending)
        return;
    s.outcome.stopped = true;
    s.end();
    if (!s.started)
        s.started = true;
    if (!s.pumping)
        s.pumpLater();
}

void BatchCropRun::DeleteWhenDone() {
    setParent(nullptr);
    if (state_->ended) {
        deleteLater();
        return;
    }
    connect(this, &BatchCropRun::finished, this, &QObject::deleteLater);
    stop();
}

void BatchCropRunProbe::setWorker(BatchCropRun& run, detail::BatchCropWorker worker) {
    run.state_->worker = std::move(worker);
}

} // namespace imaging
