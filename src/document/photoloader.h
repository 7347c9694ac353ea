#pragma once

// Decodes photos for the viewer off the UI thread. Each request gets the next generation number; only
// the result of the newest request is delivered (on the UI thread, through `loaded`), so when the user
// clicks through photos faster than they decode the last click wins. Requests that are already stale
// when their turn comes are skipped without decoding. Create, request and receive on the UI thread.
#include "imaging/imagefile.h"

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

class PhotoLoader : public QObject {
    Q_OBJECT
public:
    using Decode = std::function<imaging::PhotoLoad(const QString& path)>;

    // `decode` runs on a worker thread; imaging::LoadPhoto by default. Whatever it throws arrives as the
    // memory error, never on the worker.
    explicit PhotoLoader(QObject* parent = nullptr, Decode decode = {});
    ~PhotoLoader() override;

    // Starts decoding `path`; any earlier request that has not been delivered is dropped.
    int request(const QString& path);
    // Whether the newest request is still being decoded.
    bool isBusy() const { return busy_; }
    // Drops the request in flight: its result is never delivered (a refresh into an empty folder).
    void cancel();
    // Waits for the newest request and delivers it now (tests, shutdown).
    void finish();

signals:
    void loaded(int generation, const imaging::PhotoLoad& result);

private:
    void deliver(int generation, const imaging::PhotoLoad& result);

    Decode decode_;
    QThreadPool pool_;
    std::shared_ptr<std::atomic<int>> newest_ = std::make_shared<std::atomic<int>>(0);
    int generation_ = 0;
    bool busy_ = false;
    QFutureWatcher<imaging::PhotoLoad>* watcher_ = nullptr;
};
