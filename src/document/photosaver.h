#pragma once

// Writes the edited photo as a JPEG on a worker thread, so that a 24-megapixel encode does not freeze
// the window. The photo's own metadata is read on the worker too, before the file may be replaced; the
// file is replaced only when the whole new one is written (a failed save leaves it as it was). The
// outcome reaches `done` on the UI thread. One save at a time; create and call on the UI thread.
#include "imaging/imagefile.h"

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>

class PhotoSaver : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const imaging::SaveResult&)>;

    explicit PhotoSaver(QObject* parent = nullptr);
    ~PhotoSaver() override;

    // Starts writing `bitmap` to `path` with the metadata of the photo file `source`. A save still
    // running is finished first.
    void start(const QImage& bitmap, const QString& path, int quality, const QString& source, Done done);
    bool isBusy() const { return watcher_ != nullptr; }
    // Waits for the running save and delivers its outcome (before the window moves on or closes).
    void finish();

signals:
    void busyChanged(bool busy);

private:
    void deliver();

    QThreadPool pool_;
    QFutureWatcher<imaging::SaveResult>* watcher_ = nullptr;
    Done done_;
};
