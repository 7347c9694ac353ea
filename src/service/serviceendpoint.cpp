#include "service/serviceendpoint.h"

#include "core/settings.h"

namespace service {

ProxySettings ProxyOf(const core::Settings& settings) {
    if (!settings.proxyUse)
        return {};
    return {true,
            settings.proxyServer,
            settings.proxyPort,
            settings.proxyUsername,
            settings.proxyPassword,
            settings.proxyBasicAuthentication};
}

ServiceEndpoint EndpointOf(const core::Settings& settings) {
    return {settings.serviceBase, ProxyOf(settings)};
}

} // namespace service
