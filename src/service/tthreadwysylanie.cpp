#include "service/tthreadwysylanie.h"

#include "service/httptransport.h"
#include "service/multipartformstream.h"
#include "service/reportline.h"
#include "service/serviceoutcomes.h"
#include "service/uploadpreview.h"

#include <QFileInfo>
#include <QImage>

namespace service {

TThreadWysylanie::TThreadWysylanie(QObject* receiver, ServiceEndpoint endpoint, Inputs inputs)
    : ServiceWorker(receiver, std::move(endpoint))
    , inputs_(std::move(inputs)) {}

void TThreadWysylanie::beginTransmission(qint64 expected) {
    bytesExpected_ = expected;
    bytesDone_ = 0;
    bytesShown_ = -1;
    deliver("SetSendRange", Q_ARG(qint64, expected));
}

void TThreadWysylanie::progress(qint64 done) {
    bytesDone_ = done;
    if (IsStopped())
        return; // the transport cuts the transmission itself
    const bool first = bytesShown_ < 0;
    const bool last = done == bytesExpected_;
    if (first || last || sinceShown_.elapsed() >= kPositionIntervalMs)
        flushPosition();
}

void TThreadWysylanie::flushPosition() {
    if (bytesShown_ == bytesDone_ || IsStopped())
        return;
    bytesShown_ = bytesDone_;
    sinceShown_.start();
    deliver("SetSendPosition", Q_ARG(qint64, bytesDone_));
}

void TThreadWysylanie::decodeAhead(int index) {
    if (index >= inputs_.files.size() || previews_.count(index) != 0)
        return;
    previews_[index] = std::async(std::launch::async, LoadUploadPreview, inputs_.files.at(index));
}

std::optional<QImage> TThreadWysylanie::takePreview(int index) {
    decodeAhead(index);
    const auto it = previews_.find(index);
    std::optional<QImage> preview = it->second.get();
    previews_.erase(it);
    return preview;
}

void TThreadWysylanie::sendFile(int index) {
    const QString& path = inputs_.files.at(index);
    UploadOutcome outcome;

    if (!IsStopped()) {
        deliver("ShowUploadProgress", Q_ARG(int, index + 1), Q_ARG(QStringList, inputs_.files));
        deliver("RefreshReport", Q_ARG(QStringList, report_));
    }

    QByteArray answer;
    MultipartFormStream& form = *form_;
    form.Clear();
    std::optional<QImage> preview;
    if (!QFileInfo::exists(path)) {
        outcome = UploadFileMissing();
    } else if (preview = takePreview(index);
               !preview || !form.AddFile(QStringLiteral("file"), path, QStringLiteral("image/jpeg"))) {
        outcome = UploadFileUnreadable();
    } else {
        // Decoding a preview takes longer than sending the photo over a fast line: the next photo's is
        // decoded while this one goes out. Whether a photo is readable is still known before it is sent.
        if (!IsStopped())
            decodeAhead(index + 1);
        deliver("ShowPreview", Q_ARG(QImage, *preview));
        form.AddFormField(QStringLiteral("sessid"), inputs_.sessionId);
        form.AddFormField(QStringLiteral("idalbumu"), inputs_.albumId);
        form.AddFormField(QStringLiteral("nazwaalbumu"), inputs_.albumName);
        form.CloseForm();
        HttpTransport::Result result = transport_->Post(endpoint_.baseAddress + QLatin1String(kUploadScript),
                                                        form.Body(), form.RequestContentType());
        // The last position of a transmission always reaches the window, even when it came too soon.
        flushPosition();
        if (result.ok())
            answer = std::move(result.body); // a stop that came too late to cut it changes nothing
        else if (result.answerMissing)
            outcome = UploadOutcomeUnknown();
        else if (IsStopped())
            outcome = UploadStoppedByUser();
        else
            outcome = UploadTransportFailure();
    }

    if (const std::optional<UploadOutcome> judged = JudgeUpload(ServiceResponse::FromBody(answer)))
        outcome = *judged;
    report_[index] = ReportLine(path, outcome.status, outcome.description);
}

void TThreadWysylanie::run() {
    report_.clear();
    for (const QString& path : inputs_.files)
        report_.append(InitialReportLine(path));

    HttpTransport transport(endpoint_.proxy, endpoint_.caFile);
    prepare(transport);
    transport.SetEvents({[this](HttpTransport::Phase, qint64 expected) { beginTransmission(expected); },
                         [this](HttpTransport::Phase, qint64 done) { progress(done); }});
    transport_ = &transport;
    MultipartFormStream form;
    form_ = &form;

    for (int i = 0; i < inputs_.files.size(); ++i) {
        sendFile(i);
        if (IsStopped())
            break;
    }

    previews_.clear(); // a stopped run may leave one decoding: waited for here, not on the window's thread
    form_ = nullptr;
    transport_ = nullptr;
    deliver("UploadFinished", Q_ARG(QStringList, report_));
}

} // namespace service
