#pragma once

// The proxy a service call goes through, copied from the settings record by the thread that starts the
// call. `use` false means a direct connection; the other fields are then ignored.
#include <QString>

namespace service {

struct ProxySettings {
    bool use = false;
    QString server;
    int port = 0;
    QString user;
    QString password;
    bool basicAuthentication = false; // send the credentials with the first request, unasked
};

} // namespace service
