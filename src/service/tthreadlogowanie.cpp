#include "service/tthreadlogowanie.h"

#include "service/multipartformstream.h"
#include "service/serviceoutcomes.h"

namespace service {

TThreadLogowanie::TThreadLogowanie(QObject* receiver, ServiceEndpoint endpoint, Inputs inputs)
    : ServiceWorker(receiver, std::move(endpoint))
    , inputs_(std::move(inputs)) {}

void TThreadLogowanie::run() {
    MultipartFormStream form;
    form.AddFormField(QStringLiteral("login"), inputs_.login);
    form.AddFormField(QStringLiteral("password"), inputs_.password);
    if (!inputs_.clientId.isEmpty())
        form.AddFormField(QStringLiteral("client_id"), inputs_.clientId);
    form.CloseForm();

    const HttpTransport::Result result = post(kLoginScript, form);
    if (!result.ok()) {
        const QString text = LoginConnectionError(result.error);
        deliver("ShowServiceError", Q_ARG(QString, text));
    }

    const LoginOutcome outcome = JudgeLogin(ServiceResponse::FromBody(result.body));
    if (outcome.kind == LoginOutcome::Kind::Failure)
        deliver("ShowServiceError", Q_ARG(QString, outcome.error));
    else if (outcome.kind == LoginOutcome::Kind::Success)
        deliver("LoginSucceeded", Q_ARG(QString, outcome.sessionId), Q_ARG(QString, outcome.orderUrl),
                Q_ARG(QString, outcome.editUrl));
}

} // namespace service
