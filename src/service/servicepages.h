#pragma once

// Addresses of the service's pages that the program opens in the browser. Pure functions.
#include <QString>

namespace service {

// The public web site: always the built-in host, whatever the local settings say about the service.
QString WebSiteRoot();

QString ForgottenPasswordPage();
QString NewAccountPage();

// The photos just received, for the session and for one album. The album name goes in as typed except
// for the characters that would change what the address means ("#", "&", "%", "+" and the space), which
// are percent-encoded: the service's page reads every other character as it stands.
QString SessionReportPage(const QString& baseAddress, const QString& sessionId);
QString AlbumReportPage(const QString& baseAddress, const QString& sessionId, const QString& albumName);

// The stored "download_url" when there is one, else the site's download page.
QString DownloadPage(const QString& storedDownloadUrl);

} // namespace service
