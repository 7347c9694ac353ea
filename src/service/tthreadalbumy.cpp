#include "service/tthreadalbumy.h"

#include "service/multipartformstream.h"
#include "service/serviceoutcomes.h"

namespace service {

TThreadAlbumy::TThreadAlbumy(QObject* receiver, ServiceEndpoint endpoint, QString sessionId)
    : ServiceWorker(receiver, std::move(endpoint))
    , sessionId_(std::move(sessionId)) {}

void TThreadAlbumy::run() {
    MultipartFormStream form;
    form.AddFormField(QStringLiteral("sessid"), sessionId_);
    form.CloseForm();

    const HttpTransport::Result result = post(kAlbumScript, form);
    if (!result.ok()) {
        const QString text = AlbumsConnectionError(result.error);
        deliver("ShowServiceError", Q_ARG(QString, text));
    }

    const std::optional<AlbumList> albums = JudgeAlbums(ServiceResponse::FromBody(result.body));
    if (albums)
        deliver("AlbumsArrived", Q_ARG(int, albums->count), Q_ARG(QStringList, albums->names),
                Q_ARG(QStringList, albums->ids));
}

} // namespace service
