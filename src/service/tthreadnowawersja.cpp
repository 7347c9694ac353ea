#include "service/tthreadnowawersja.h"

#include "service/multipartformstream.h"
#include "service/serviceoutcomes.h"

namespace service {

TThreadNowaWersja::TThreadNowaWersja(QObject* receiver, ServiceEndpoint endpoint, Inputs inputs)
    : ServiceWorker(receiver, std::move(endpoint))
    , inputs_(std::move(inputs)) {}

void TThreadNowaWersja::run() {
    MultipartFormStream form;
    form.AddFormField(QStringLiteral("program"), QStringLiteral("pv"));
    if (!inputs_.clientId.isEmpty())
        form.AddFormField(QStringLiteral("client_id"), inputs_.clientId);
    form.CloseForm();

    // A failed check is not worth a message: the answer is simply empty then.
    const HttpTransport::Result result = post(kVersionScript, form);

    const VersionOutcome outcome = JudgeVersion(ServiceResponse::FromBody(result.body), inputs_.ownVersion);
    if (outcome.kind == VersionOutcome::Kind::NewVersion)
        deliver("NewVersionAvailable", Q_ARG(QString, outcome.downloadUrl));
    else if (outcome.kind == VersionOutcome::Kind::SameVersion && inputs_.manual)
        deliver("NoNewVersion");
    else if (inputs_.manual)
        deliver("RestoreDefaultCursor");
}

} // namespace service
