#include "barepost.h"

#include <curl/curl.h>

#include <QDir>
#include <QFile>
#include <QProcess>

namespace bench {
namespace {

size_t discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

} // namespace

bool bareCurlPost(const QByteArray& url, const QByteArray& contentType, const QByteArray& body) {
    const QByteArray typeHeader = "Content-Type: " + contentType;
    CURL* curl = curl_easy_init();
    curl_slist* headers = curl_slist_append(curl_slist_append(nullptr, typeHeader.constData()), "Expect:");
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &discard);
    const bool sent = curl_easy_perform(curl) == CURLE_OK;
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return sent;
}

QString startBenchService(QProcess& service, const QString& folder) {
    QFile config(QDir(folder).filePath("service.conf"));
    if (!config.open(QIODevice::WriteOnly))
        return {};
    config.write("account bench@pixvale.example bench 1000000000000\nalbum bench@pixvale.example 1 Bench\n");
    config.close();
    service.start(QStringLiteral(PIXVALE_BINARY_DIR) + "/bin/pixvale-devservice",
                  {"--port", "0", "--data", QDir(folder).filePath("data"), "--config", config.fileName()});
    if (!service.waitForStarted() || !service.waitForReadyRead(10000))
        return {};
    return QString("http://127.0.0.1:%1/").arg(service.readLine().trimmed().mid(5).toInt());
}

} // namespace bench
