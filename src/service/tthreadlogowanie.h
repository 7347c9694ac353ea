#pragma once

// Logs in to the service on a thread of its own.
//
// Hands the receiver either ShowServiceError(QString text) or
// LoginSucceeded(QString sessionId, QString orderUrl, QString editUrl), or nothing for an empty answer.
#include "service/serviceworker.h"

namespace service {

class TThreadLogowanie : public ServiceWorker {
    Q_OBJECT
public:
    struct Inputs {
        QString login;
        QString password;
        QString clientId; // sent only when not empty
    };

    TThreadLogowanie(QObject* receiver, ServiceEndpoint endpoint, Inputs inputs);

protected:
    void run() override;

private:
    const Inputs inputs_;
};

} // namespace service
