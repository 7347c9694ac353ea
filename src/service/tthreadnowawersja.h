#pragma once

// Asks the service for the newest version of the program on a thread of its own.
//
// Hands the receiver NewVersionAvailable(QString downloadUrl) when the service names another version,
// NoNewVersion() when it names ours and the user asked, and RestoreDefaultCursor() when the user asked
// and there is no answer to show (failure, no version), so the busy cursor does not stay. An automatic
// check that finds nothing hands over nothing.
#include "service/serviceworker.h"

namespace service {

class TThreadNowaWersja : public ServiceWorker {
    Q_OBJECT
public:
    struct Inputs {
        QString ownVersion; // "%d.%d.%d.%d"
        QString clientId;   // sent only when not empty
        bool manual = false;
    };

    TThreadNowaWersja(QObject* receiver, ServiceEndpoint endpoint, Inputs inputs);

protected:
    void run() override;

private:
    const Inputs inputs_;
};

} // namespace service
