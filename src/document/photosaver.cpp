#include "document/photosaver.h"

#include "imaging/photometadata.h"

#include <QtConcurrent/QtConcurrentRun>

PhotoSaver::PhotoSaver(QObject* parent)
    : QObject(parent) {
    pool_.setMaxThreadCount(1);
}

PhotoSaver::~PhotoSaver() {
    // The file is written to the end even when the window goes: a half-done save would be lost work.
    if (watcher_)
        watcher_->disconnect(this);
    pool_.waitForDone();
}

void PhotoSaver::start(const QImage& bitmap, const QString& path, int quality, const QString& source,
                       Done done) {
    finish();
    done_ = std::move(done);
    watcher_ = new QFutureWatcher<imaging::SaveResult>(this);
    connect(watcher_, &QFutureWatcherBase::finished, this, &PhotoSaver::deliver);
    watcher_->setFuture(QtConcurrent::run(&pool_, [bitmap, path, quality, source] {
        return imaging::SaveJpegWithMetadata(bitmap, path, quality, imaging::ReadPhotoMetadata(source));
    }));
    emit busyChanged(true);
}

void PhotoSaver::finish() {
    if (!watcher_)
        return;
    watcher_->waitForFinished();
    deliver();
}

void PhotoSaver::deliver() {
    if (!watcher_)
        return;
    QFutureWatcher<imaging::SaveResult>* watcher = std::exchange(watcher_, nullptr);
    watcher->disconnect(this);
    watcher->deleteLater();
    const imaging::SaveResult result = watcher->result();
    Done done = std::move(done_);
    done_ = nullptr;
    emit busyChanged(false);
    if (done)
        done(result);
}
