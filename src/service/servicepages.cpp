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
    QString name;
    name.reserve(albumName.size());
    for (const QChar c : albumName) {
        switch (c.unicode()) {
        case '#':
        case '&':
        case '%':
        case '+':
        case ' ':
            name += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
            break;
        default:
            name += c;
        }
    }
    return SessionReportPage(baseAddress, sessionId) + QStringLiteral("&aid=") + name;
}

QString DownloadPage(const QString& storedDownloadUrl) {
    if (!storedDownloadUrl.isEmpty())
        return storedDownloadUrl;
    return WebSiteRoot() + QStringLiteral("index.php?sbl=117686");
}

} // namespace service
