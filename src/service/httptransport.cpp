#include "service/httptransport.h"

#include "core/codec.h"

#include <QElapsedTimer>
#include <QFile>

#include <curl/curl.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

#include <algorithm>
#include <memory>
#include <mutex>

namespace service {

struct HttpTransport::Transfer {
    HttpTransport* owner = nullptr;
    const QByteArray* body = nullptr;
    qint64 sent = 0;
    bool sendBegun = false;
    QByteArray answer;
    qint64 received = 0;
    bool receiveBegun = false;
    QByteArray statusLine;
    CURL* curl = nullptr;
    qint64 moved = -1; // bytes both ways at the last progress call
    QElapsedTimer sinceMoved;
    bool idle = false;       // ended because nothing moved for too long
    QElapsedTimer sinceStop; // valid once the stop has been seen

    // libcurl's count of body bytes written to the connection.
    bool bodyGone() const {
        curl_off_t uploaded = 0;
        curl_easy_getinfo(curl, CURLINFO_SIZE_UPLOAD_T, &uploaded);
        return uploaded >= body->size();
    }

    // Once the owner has asked to stop, the connection is reset rather than closed, so whatever still
    // waits in the system's buffers is thrown away instead of reaching the server as a whole request. A
    // body wholly handed over (the bar is full) gets a moment to leave and for its answer to come: the
    // server may already hold it.
    bool cut() {
        if (!owner->stopRequested())
            return false;
        if (!sinceStop.isValid())
            sinceStop.start();
        if (sent >= body->size() && sinceStop.elapsed() < HttpTransport::kAnswerGrace.count())
            return false;
        curl_socket_t socket = CURL_SOCKET_BAD;
        if (curl_easy_getinfo(curl, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK &&
            socket != CURL_SOCKET_BAD) {
            linger reset{};
            reset.l_onoff = 1;
            reset.l_linger = 0;
            setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
        }
        return true;
    }

    void begin(Phase phase, qint64 expected) const {
        if (owner->events_.workBegin)
            owner->events_.workBegin(phase, expected);
    }
    void work(Phase phase, qint64 done) const {
        if (owner->events_.work)
            owner->events_.work(phase, done);
    }
};

namespace {

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

int setSocketOptions(void*, curl_socket_t socket, curlsocktype purpose) {
    if (purpose == CURLSOCKTYPE_IPCXN) {
        const int size = HttpTransport::kSendBuffer;
        setsockopt(socket, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&size), sizeof size);
    }
    return CURL_SOCKOPT_OK;
}

// libcurl's own words for a failed certificate check mean little to the user: say it in Polish and keep
// libcurl's detail behind it.
QString errorText(CURLcode code, const char* detail) {
    QString text = detail[0] ? QString::fromLocal8Bit(detail) : QString::fromLatin1(curl_easy_strerror(code));
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("Nie można potwierdzić tożsamości serwera: jego certyfikat nie jest zaufany "
                              "albo wystawiono go dla innej nazwy (") +
               text + QLatin1Char(')');
    case CURLE_SSL_CACERT_BADFILE:
        return QStringLiteral("Nie można odczytać certyfikatów zaufanych urzędów (") + text +
               QLatin1Char(')');
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("Nie można nawiązać bezpiecznego połączenia z serwerem (") + text +
               QLatin1Char(')');
    default:
        return text;
    }
}

} // namespace

HttpTransport::HttpTransport(const ProxySettings& proxy, QString caFile)
    : proxy_(proxy)
    , caFile_(std::move(caFile)) {
    initialiseCurlOnce();
}

HttpTransport::~HttpTransport() = default;

QString HttpTransport::IdleText(std::chrono::milliseconds idle) {
    return QStringLiteral("Serwer nie odpowiada: przez %1 s połączeniem nie przeszedł ani jeden bajt.")
        .arg((idle.count() + 999) / 1000);
}

// Called by libcurl while data moves and, when nothing does, about once a second: where a stop and the
// time-out are honoured whatever the connection is doing.
int HttpTransport::onProgress(void* data, long long, long long downloaded, long long, long long uploaded) {
    auto* t = static_cast<Transfer*>(data);
    const qint64 moved = downloaded + uploaded;
    if (moved != t->moved || !t->sinceMoved.isValid()) {
        t->moved = moved;
        t->sinceMoved.start();
    } else if (t->sinceMoved.elapsed() >= t->owner->idle_.count()) {
        t->idle = true;
        return 1;
    }
    return t->cut() ? 1 : 0;
}

size_t HttpTransport::readBody(char* buffer, size_t size, size_t count, void* data) {
    auto* t = static_cast<Transfer*>(data);
    if (t->idle)
        return CURL_READFUNC_ABORT;
    if (!t->sendBegun) {
        t->sendBegun = true;
        t->begin(Phase::Sending, t->body->size());
    }
    // libcurl sends what one read hands it in one go: 128-byte reads would mean one packet and one
    // system call per 128 bytes. Hand it a larger piece, but report (and honour a stop) every 128 bytes.
    const qint64 left = t->body->size() - t->sent;
    const size_t n = static_cast<size_t>(std::min<qint64>({left, kFeed, static_cast<qint64>(size * count)}));
    for (size_t done = 0; done < n;) {
        if (t->cut())
            return CURL_READFUNC_ABORT;
        const size_t step = std::min<size_t>(kChunk, n - done);
        std::copy_n(t->body->constData() + t->sent, step, buffer + done);
        done += step;
        t->sent += static_cast<qint64>(step);
        t->work(Phase::Sending, t->sent);
    }
    return t->cut() ? CURL_READFUNC_ABORT : n;
}

int HttpTransport::seekBody(void* data, long long offset, int origin) {
    auto* t = static_cast<Transfer*>(data);
    if (origin != SEEK_SET || offset < 0 || offset > t->body->size())
        return CURL_SEEKFUNC_CANTSEEK;
    // A rewind means the request goes out again (a proxy asked for credentials): a new transmission.
    t->sent = offset;
    t->sendBegun = false;
    return CURL_SEEKFUNC_OK;
}

size_t HttpTransport::readHeader(char* data, size_t size, size_t count, void* transfer) {
    auto* t = static_cast<Transfer*>(transfer);
    const QByteArray line(data, static_cast<qsizetype>(size * count));
    if (line.startsWith("HTTP/")) {
        // Each answer (a proxy's 407 before the real one, say) starts afresh.
        t->statusLine = line.trimmed();
        t->answer.clear();
        t->received = 0;
        t->receiveBegun = false;
    }
    return size * count;
}

size_t HttpTransport::writeAnswer(char* data, size_t size, size_t count, void* transfer) {
    auto* t = static_cast<Transfer*>(transfer);
    const size_t total = size * count;
    if (!t->receiveBegun) {
        t->receiveBegun = true;
        curl_off_t length = -1;
        curl_easy_getinfo(t->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        t->begin(Phase::Receiving, std::max<curl_off_t>(length, 0));
    }
    for (size_t done = 0; done < total;) {
        if (t->cut())
            return 0;
        const size_t n = std::min<size_t>(kChunk, total - done);
        t->answer.append(data + done, static_cast<qsizetype>(n));
        done += n;
        t->received += static_cast<qint64>(n);
        t->work(Phase::Receiving, t->received);
    }
    return t->cut() ? 0 : total;
}

namespace {

// The options every exchange of this client shares: the address, HTTP/1.0 on a connection of its own, our
// User-Agent and the certificate checks. `detail` receives libcurl's message of a failure.
void setCommonOptions(CURL* c, const QByteArray& address, char* detail, const QByteArray& caFile) {
    curl_easy_setopt(c, CURLOPT_URL, address.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(c, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, HttpTransport::kUserAgent);
    // libcurl's defaults already check both; said here so that nobody loosens them by accident.
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, caFile.constData());
}

size_t discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

// The scheme libcurl itself would settle on from a proxy's offer, alone: Basic then goes with the first
// request, and a multi-pass scheme opens with a leg that carries no body.
unsigned long strongestOf(unsigned long offered) {
    for (const unsigned long scheme : {CURLAUTH_NEGOTIATE, CURLAUTH_DIGEST, CURLAUTH_NTLM, CURLAUTH_BASIC})
        if (offered & scheme)
            return scheme;
    return CURLAUTH_NONE;
}

} // namespace

void HttpTransport::setProxy(CURL* c, bool withCredentials, unsigned long schemes) const {
    if (!proxy_.use) {
        // An empty proxy also keeps libcurl from following http_proxy of the environment.
        curl_easy_setopt(c, CURLOPT_PROXY, "");
        return;
    }
    const QByteArray address = "http://" + proxy_.server.toUtf8() + ':' + QByteArray::number(proxy_.port);
    curl_easy_setopt(c, CURLOPT_PROXY, address.constData());
    // The program reads no environment: an empty list keeps no_proxy/NO_PROXY from sending requests
    // around the proxy the user chose.
    curl_easy_setopt(c, CURLOPT_NOPROXY, "");
    if (!withCredentials)
        return;
    curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, core::toWindows1250(proxy_.user).constData());
    curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, core::toWindows1250(proxy_.password).constData());
    curl_easy_setopt(c, CURLOPT_PROXYAUTH, schemes);
}

HttpTransport::Result HttpTransport::Post(const QString& url, const QByteArray& body,
                                          const QByteArray& contentType) {
    disconnect_ = false;
    if (stopRequested())
        return {{}, QString::fromLatin1(curl_easy_strerror(CURLE_ABORTED_BY_CALLBACK))};
    // Basic alone makes libcurl send the credentials unasked; any other choice waits for a 407.
    const Attempt first =
        postOnce(url, body, contentType, proxy_.basicAuthentication ? CURLAUTH_BASIC : CURLAUTH_ANY);
    if (first.result.ok() || !mayHaveLostADemand(url, first))
        return first.result;
    const unsigned long scheme = strongestOf(proxyDemand(url));
    if (scheme == CURLAUTH_NONE || stopRequested())
        return first.result;
    // The proxy wants credentials from a request without them, so it passed the first one on to nobody.
    return postOnce(url, body, contentType, scheme).result;
}

// A proxy that wants credentials answers as soon as it has read the request's head and closes. When the
// body is still on its way, the close resets the connection, and the reset may reach libcurl while it
// sends, before it has read the 407: the demand is lost and the request fails as a broken connection.
// Only a plain "http://" request is the proxy's to refuse: an "https://" one travels through a tunnel
// the proxy has already let through, so its failure is the server's.
bool HttpTransport::mayHaveLostADemand(const QString& url, const Attempt& attempt) const {
    return proxy_.use && !proxy_.basicAuthentication && !stopRequested() && !attempt.answered &&
           (attempt.code == CURLE_SEND_ERROR || attempt.code == CURLE_RECV_ERROR) &&
           url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive);
}

unsigned long HttpTransport::proxyDemand(const QString& url) const {
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return CURLAUTH_NONE;
    CURL* c = curl.get();
    curl_slist* raw = nullptr;
    raw = curl_slist_append(raw, "Accept: text/html, */*");
    raw = curl_slist_append(raw, "Proxy-Connection:");
    const std::unique_ptr<curl_slist, HeaderListDeleter> headers(raw);
    char detail[CURL_ERROR_SIZE] = {};
    setCommonOptions(c, url.toUtf8(), detail, QFile::encodeName(caFile_));
    // "OPTIONS *" is addressed to the proxy itself: whatever it thinks of it, the service never sees it.
    // Without a body there is nothing left unread to reset the connection, so its 407 arrives whole.
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "OPTIONS");
    curl_easy_setopt(c, CURLOPT_REQUEST_TARGET, "*");
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &discard);
    setProxy(c, false, CURLAUTH_NONE);
    long status = 0;
    long offered = 0;
    if (curl_easy_perform(c) != CURLE_OK ||
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 407 ||
        curl_easy_getinfo(c, CURLINFO_PROXYAUTH_AVAIL, &offered) != CURLE_OK)
        return CURLAUTH_NONE;
    return static_cast<unsigned long>(offered);
}

HttpTransport::Attempt HttpTransport::postOnce(const QString& url, const QByteArray& body,
                                               const QByteArray& contentType, unsigned long proxySchemes) {
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl)
        return {CURLE_FAILED_INIT, false, {{}, QStringLiteral("Nie można utworzyć połączenia HTTP.")}};
    CURL* c = curl.get();

    Transfer transfer;
    transfer.owner = this;
    transfer.body = &body;
    transfer.curl = c;

    // Only the headers the service's own client sends: libcurl's Accept, Expect and Proxy-Connection
    // go, Content-Length and Host come from libcurl itself.
    curl_slist* raw = nullptr;
    raw = curl_slist_append(raw, QByteArray("Content-Type: " + contentType).constData());
    raw = curl_slist_append(raw, "Accept: text/html, */*");
    raw = curl_slist_append(raw, "Expect:");
    raw = curl_slist_append(raw, "Proxy-Connection:");
    const std::unique_ptr<curl_slist, HeaderListDeleter> headers(raw);

    char detail[CURL_ERROR_SIZE] = {};
    setCommonOptions(c, url.toUtf8(), detail, QFile::encodeName(caFile_));
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &HttpTransport::readBody);
    curl_easy_setopt(c, CURLOPT_READDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_SEEKFUNCTION, &HttpTransport::seekBody);
    curl_easy_setopt(c, CURLOPT_SEEKDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &HttpTransport::writeAnswer);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &HttpTransport::readHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_SOCKOPTFUNCTION, &setSocketOptions);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &HttpTransport::onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(idle_.count()));
    setProxy(c, true, proxySchemes);

    const CURLcode code = curl_easy_perform(c);
    const bool answered = !transfer.statusLine.isEmpty();
    if (code != CURLE_OK) {
        const QString error = transfer.idle ? IdleText(idle_) : errorText(code, detail);
        return {code, answered, {{}, error, transfer.bodyGone()}};
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        return {code, answered, {{}, QString::fromLatin1(transfer.statusLine)}};
    return {code, answered, {std::move(transfer.answer), {}}};
}

} // namespace service
