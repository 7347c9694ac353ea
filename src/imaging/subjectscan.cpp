#include "imaging/subjectscan.h"

#include "imaging/subjects.h"

#include <QMutex>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>

namespace imaging {

// What the pool's tasks reach the scan through: the owner is cleared, under the lock, when the scan
// goes away, so a task that ends later has nobody to post to.
struct SubjectScan::Shared {
    QMutex lock;
    SubjectScan* owner = nullptr;
};

namespace {

// Photos looked at at once: one per pool thread, so that other work queued on the pool keeps moving.
int mostInFlight() {
    return std::max(1, QThreadPool::globalInstance()->maxThreadCount());
}

} // namespace

SubjectScan::SubjectScan(QObject* parent, Finder find)
    : QObject(parent)
    , shared_(std::make_shared<Shared>())
    , find_(find ? std::move(find) : Finder(FindSubjectsInFile)) {
    shared_->owner = this;
}

SubjectScan::~SubjectScan() {
    const QMutexLocker locked(&shared_->lock);
    shared_->owner = nullptr;
}

void SubjectScan::start(const QStringList& paths) {
    stop();
    paths_ = paths;
    pending_ = static_cast<int>(paths_.size());
    if (pending_ == 0) {
        emit finished();
        return;
    }
    startNext();
}

void SubjectScan::stop() {
    ++scan_;
    paths_.clear();
    next_ = 0;
    pending_ = 0;
    // Tasks of the old scan still running count until they come back; they are then dropped.
}

void SubjectScan::startNext() {
    while (next_ < paths_.size() && inFlight_ < mostInFlight()) {
        const int index = next_++;
        ++inFlight_;
        QThreadPool::globalInstance()->start(
            [shared = shared_, find = find_, scan = scan_, index, path = paths_.at(index)] {
                const PhotoSubjects subjects = find(path);
                const QMutexLocker locked(&shared->lock);
                if (shared->owner != nullptr)
                    QMetaObject::invokeMethod(
                        shared->owner,
                        [owner = shared->owner, scan, index, path, subjects] {
                            owner->deliver(scan, index, path, subjects);
                        },
                        Qt::QueuedConnection);
            });
    }
}

void SubjectScan::deliver(quint64 scan, int index, const QString& path, const PhotoSubjects& subjects) {
    --inFlight_;
    if (scan == scan_) {
        --pending_;
        emit found(index, path, subjects);
    }
    // A slot of `found` may have started another scan or stopped this one.
    if (scan == scan_ && pending_ == 0 && paths_.size() > 0) {
        paths_.clear();
        emit finished();
        return;
    }
    startNext();
}

} // namespace imaging
