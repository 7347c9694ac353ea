#include "service/servicepages.h"

#include "core/settings.h"

namespace service {

QString WebSiteRoot() {
    return core::builtInServiceBase();
}

QString ForgottenPasswordPage() {
    return WebSiteRoot() + QStringLiteral("zapomnialem.php");
}

QString NewAccountPage() {
    return WebSiteRoot() + QStringLiteral("rejestracja.php");
}

QString SessionReportPage(const QString& baseAddress, const QString& sessionId) {
    return baseAddress + QStringLiteral("ifincoming.php?sessid=") + sessionId;
}

QString AlbumReportPage(const QString& baseAddress, const QString& sessionId, const QString& albumName) {
    return SessionReportPage(baseAddress, sessionId) + QStringLiteral("&aid=") + albumName;
}

QString DownloadPage(const QString& storedDownloadUrl) {
    if (!storedDownloadUrl.isEmpty())
        return storedDownloadUrl;
    return WebSiteRoot() + QStringLiteral("index.php?sbl=117686");
}

} // namespace service
