#include "barepost.h"

#include <curl/curl.h>

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

} // namespace bench
