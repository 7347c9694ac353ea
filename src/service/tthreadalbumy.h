#pragma once

// Fetches the album list of the logged-in account on a thread of its own.
//
// Hands the receiver ShowServiceError(QString text) after a connection failure, and
// AlbumsArrived(int count, QStringList names, QStringList ids) for every answer with lines; an answer
// that is not a list delivers an empty one.
#include "service/serviceworker.h"

namespace service {

class TThreadAlbumy : public ServiceWorker {
    Q_OBJECT
public:
    TThreadAlbumy(QObject* receiver, ServiceEndpoint endpoint, QString sessionId);

protected:
    void run() override;

private:
    const QString sessionId_;
};

} // namespace service
