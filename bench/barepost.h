// What the upload benchmarks share: the development service they send to, and their baseline, one
// upload body sent by libcurl alone with the same HTTP version and headers as the program's transport.
#pragma once

#include <QByteArray>
#include <QString>

class QProcess;

namespace bench {

// Posts `body` to `url` as `contentType`; false when libcurl reports a failure.
bool bareCurlPost(const QByteArray& url, const QByteArray& contentType, const QByteArray& body);

// Starts the development service in `folder` with the benchmark account ("bench@pixvale.example",
// password "bench") and its album 1; answers the service's base address, or an empty text on failure.
QString startBenchService(QProcess& service, const QString& folder);

} // namespace bench
