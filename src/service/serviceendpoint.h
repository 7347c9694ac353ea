#pragma once

// Where a service call goes, taken from the settings record by the thread that starts a worker.
#include "service/serviceworker.h"

namespace core {
struct Settings;
}

namespace service {

// The proxy only when it is on; otherwise empty fields and a direct connection.
ProxySettings ProxyOf(const core::Settings& settings);

// The service base address and the proxy of the record.
ServiceEndpoint EndpointOf(const core::Settings& settings);

} // namespace service
