#pragma once

// Stands in for the upload wizard and the main window: records every hand-over of a worker, in order, and
// the thread it came on (which must be the window's). A test may act at any hand-over through `onCall` (to
// stop an upload, say).
#include "service/serviceworker.h"
#include "testsupport.h"

#include <QImage>

#include <functional>

class RecordingReceiver : public QObject {
    Q_OBJECT
public:
    QStringList calls; // method names in arrival order
    QString error, sessionId, orderUrl, editUrl, downloadUrl;
    int albumCount = -1;
    QStringList albumNames, albumIds, report, finalReport;
    QList<int> positions;
    QList<QImage> previews;
    QList<qint64> ranges;
    QList<QList<qint64>> sendPositions; // one list per SetSendRange

    testsupport::ThreadRecorder threads;               // one note per call
    std::function<void(const QString& method)> onCall; // after the call is recorded

public slots:
    void ShowServiceError(const QString& text) { record("ShowServiceError", error = text); }
    void LoginSucceeded(const QString& session, const QString& order, const QString& edit) {
        record("LoginSucceeded", sessionId = session, orderUrl = order, editUrl = edit);
    }
    void AlbumsArrived(int count, const QStringList& names, const QStringList& ids) {
        record("AlbumsArrived", albumCount = count, albumNames = names, albumIds = ids);
    }
    void ShowUploadProgress(int position, const QStringList&) {
        record("ShowUploadProgress", positions << position);
    }
    void RefreshReport(const QStringList& lines) { record("RefreshReport", report = lines); }
    void ShowPreview(const QImage& preview) { record("ShowPreview", previews << preview); }
    void SetSendRange(qint64 expected) {
        record("SetSendRange", ranges << expected, sendPositions << QList<qint64>());
    }
    void SetSendPosition(qint64 done) {
        if (!sendPositions.isEmpty())
            sendPositions.last() << done;
        record("SetSendPosition");
    }
    void UploadFinished(const QStringList& lines) { record("UploadFinished", finalReport = lines); }
    void NewVersionAvailable(const QString& url) { record("NewVersionAvailable", downloadUrl = url); }
    void NoNewVersion() { record("NoNewVersion"); }
    void RestoreDefaultCursor() { record("RestoreDefaultCursor"); }

private:
    // The slots store their arguments while computing the arguments of this call.
    template <typename... Stored>
    void record(const char* method, const Stored&...) {
        threads.note();
        calls << method;
        if (onCall)
            onCall(method);
    }
};

// Starts `worker` and spins the event loop until it has deleted itself. False on time-out; the worker is
// then detached, so that nothing it does later reaches a receiver the test is about to destroy.
inline bool RunToEnd(service::ServiceWorker* worker, int timeoutMs = 60000) {
    const QPointer<service::ServiceWorker> alive(worker);
    worker->start();
    if (QTest::qWaitFor([&] { return alive.isNull(); }, timeoutMs))
        return true;
    if (alive)
        alive->Detach();
    return false;
}
