#pragma once

// Stands in for the upload wizard and the main window: records every hand-over of a worker, in order,
// on the test's main thread. Optional hooks let a test act at a given hand-over (stop the upload).
#include <QImage>
#include <QObject>
#include <QStringList>

#include <functional>

class RecordingReceiver : public QObject {
    Q_OBJECT
public:
    QStringList calls; // method names in arrival order
    QString error;
    QString sessionId, orderUrl, editUrl;
    int albumCount = -1;
    QStringList albumNames, albumIds;
    QList<int> positions;
    QStringList report;
    QStringList finalReport;
    QList<QImage> previews;
    QList<qint64> ranges;
    QList<QList<qint64>> sendPositions; // one list per SetSendRange
    QString downloadUrl;

    std::function<void(int position)> onProgress;
    std::function<void(qint64 done)> onSendPosition;
    std::function<void()> onPreview;

    int count(const QString& method) const { return static_cast<int>(calls.count(method)); }

public slots:
    void ShowServiceError(const QString& text) {
        calls << "ShowServiceError";
        error = text;
    }
    void LoginSucceeded(const QString& session, const QString& order, const QString& edit) {
        calls << "LoginSucceeded";
        sessionId = session;
        orderUrl = order;
        editUrl = edit;
    }
    void AlbumsArrived(int count, const QStringList& names, const QStringList& ids) {
        calls << "AlbumsArrived";
        albumCount = count;
        albumNames = names;
        albumIds = ids;
    }
    void ShowUploadProgress(int position, const QStringList&) {
        calls << "ShowUploadProgress";
        positions << position;
        if (onProgress)
            onProgress(position);
    }
    void RefreshReport(const QStringList& lines) {
        calls << "RefreshReport";
        report = lines;
    }
    void ShowPreview(const QImage& preview) {
        calls << "ShowPreview";
        previews << preview;
        if (onPreview)
            onPreview();
    }
    void SetSendRange(qint64 expected) {
        calls << "SetSendRange";
        ranges << expected;
        sendPositions << QList<qint64>();
    }
    void SetSendPosition(qint64 done) {
        calls << "SetSendPosition";
        if (!sendPositions.isEmpty())
            sendPositions.last() << done;
        if (onSendPosition)
            onSendPosition(done);
    }
    void UploadFinished(const QStringList& lines) {
        calls << "UploadFinished";
        finalReport = lines;
    }
    void NewVersionAvailable(const QString& url) {
        calls << "NewVersionAvailable";
        downloadUrl = url;
    }
    void NoNewVersion() { calls << "NoNewVersion"; }
    void RestoreDefaultCursor() { calls << "RestoreDefaultCursor"; }
};

// Starts `worker` and spins the event loop until it has deleted itself. False on time-out.
bool RunToEnd(QThread* worker, int timeoutMs = 60000);
