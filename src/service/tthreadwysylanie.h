#pragma once

// Sends a list of photos, one after the other, to one album, on a thread of its own.
//
// Hands the receiver, in this order for each file: ShowUploadProgress(int position, QStringList files)
// and RefreshReport(QStringList report) (both skipped once the run is stopped),
// ShowPreview(QImage preview), then during the transmission SetSendRange(qint64 bytesExpected) and
// SetSendPosition(qint64 bytesDone); at the end UploadFinished(QStringList report).
//
// The report has one line per file (see reportline.h). The photo is sent as it is on disk. Stop() may be
// called from any thread; the worker checks it before the per-file updates and after every file, and the
// transmission under way ends within about a second ("Przerwane przez użytkownika"). A photo whose body
// had wholly left when the stop came, or when the connection died, gets a moment for its answer; without
// one its outcome is unknown (UploadOutcomeUnknown), since the service may have stored it.
#include "service/serviceworker.h"

#include <QElapsedTimer>
#include <QImage>
#include <QStringList>

#include <future>
#include <map>
#include <optional>

namespace service {

class HttpTransport;
class MultipartFormStream;

class TThreadWysylanie : public ServiceWorker {
    Q_OBJECT
public:
    struct Inputs {
        QStringList files; // full paths, in sending order
        QString sessionId;
        QString albumId;   // "0" for a new album
        QString albumName; // the new album's name, empty for an existing one
    };

    // A window cannot follow faster than this; positions in between are not handed over (the first and
    // the last of every transmission always are).
    static constexpr int kPositionIntervalMs = 15;

    TThreadWysylanie(QObject* receiver, ServiceEndpoint endpoint, Inputs inputs);

protected:
    void run() override;

private:
    void sendFile(int index);
    void beginTransmission(qint64 expected);
    void progress(qint64 done);
    void flushPosition();
    // The preview of file `index`, decoded ahead on a thread of its own (see sendFile).
    std::optional<QImage> takePreview(int index);
    void decodeAhead(int index);

    const Inputs inputs_;

    // Run state, touched by the worker thread only.
    QStringList report_;
    HttpTransport* transport_ = nullptr;
    MultipartFormStream* form_ = nullptr; // one body for the whole run, so all share the boundary
    qint64 bytesExpected_ = 0;
    qint64 bytesDone_ = 0;
    qint64 bytesShown_ = -1; // last position handed over in this transmission, -1 none yet
    QElapsedTimer sinceShown_;
    std::map<int, std::future<std::optional<QImage>>> previews_; // decoding, by file index
};

} // namespace service
