#include "document/photoloader.h"

#include <QtConcurrent/QtConcurrentRun>

PhotoLoader::PhotoLoader(QObject* parent, Decode decode)
    : QObject(parent)
    , decode_(decode ? std::move(decode)
                     : Decode([](const QString& path) { return imaging::LoadPhoto(path); })) {
    pool_.setMaxThreadCount(1);
}

PhotoLoader::~PhotoLoader() {
    // A decode still running finishes on its worker; its result is no longer wanted.
    newest_->store(-1);
    if (watcher_)
        watcher_->disconnect(this);
    pool_.waitForDone();
}

int PhotoLoader::request(const QString& path) {
    const int generation = ++generation_;
    newest_->store(generation);
    busy_ = true;
    // One watcher per request: the old one, with its result, is thrown away with it.
    if (watcher_) {
        watcher_->disconnect(this);
        watcher_->deleteLater();
    }
    watcher_ = new QFutureWatcher<imaging::PhotoLoad>(this);
    auto* watcher = watcher_;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        if (watcher == watcher_ && generation == generation_)
            deliver(generation, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&pool_, [decode = decode_, newest = newest_, path, generation] {
        // Clicked past while waiting for the worker: not worth decoding.
        if (newest->load() != generation)
            return imaging::PhotoLoad{};
        try {
            return decode(path);
        } catch (...) {
            // An exception must not end the program from a pool thread; running out of memory is what
            // a decoder throws in practice.
            imaging::PhotoLoad failed;
            failed.error = imaging::ImageErrorMemory;
            failed.errorText = imaging::ImageErrorText(imaging::ImageErrorMemory);
            return failed;
        }
    }));
    return generation;
}

void PhotoLoader::deliver(int generation, const imaging::PhotoLoad& result) {
    if (!busy_ || generation != generation_)
        return;
    busy_ = false;
    emit loaded(generation, result);
}

void PhotoLoader::cancel() {
    const int generation = ++generation_;
    newest_->store(generation); // still queued: skipped without decoding
    if (watcher_) {
        watcher_->disconnect(this);
        watcher_->deleteLater();
        watcher_ = nullptr;
    }
    busy_ = false;
}

void PhotoLoader::finish() {
    if (!watcher_ || !busy_)
        return;
    watcher_->waitForFinished();
    deliver(generation_, watcher_->result());
}
