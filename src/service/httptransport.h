#pragma once

// HTTP client of the service calls, over libcurl.
//
// Every Post() is an HTTP/1.0 POST of an in-memory body on a new connection, with exactly the headers
// the service knows from its own client: Content-Type, Content-Length, Host, "Accept: text/html, */*"
// and "User-Agent: Mozilla/3.0 (compatible; Indy Library)". Progress of the body sent and of the answer
// received is reported in 128-byte steps, so the owner can follow a slow line closely. A stop (Disconnect()
// or the watched flag) takes effect within about a second whatever the connection is doing, since
// libcurl calls back at least once a second even when nothing moves; once the whole body has left, it
// first gives the answer a moment to arrive, so a photo the server has taken is not reported as stopped.
// A connection on which no byte moves either way for kIdleTimeout ends as a failure with kIdleText. An
// "https://" address is served only by a server whose certificate the system's store (or the given
// authorities) vouches for and which names the address's host.
//
// Through a proxy, the credentials go with the first request only when basic authentication is chosen;
// otherwise only after the proxy has demanded them. A demand lost to the connection's reset (the proxy
// answered before the body was through) is asked again without a body, and the request then goes out
// once more with the scheme the proxy wants: a request the proxy refused never reached the service.
//
// One object serves one thread; only Disconnect() and the watched flag may be set from another thread.
#include "service/proxysettings.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>

namespace service {

class HttpTransport {
public:
    enum class Phase { Sending, Receiving };

    struct Events {
        // Start of a transmission in either direction, with the bytes expected (0 when the server did
        // not say how long its answer is). A request sent again after a proxy's demand for credentials
        // starts again.
        std::function<void(Phase, qint64 expected)> workBegin;
        // Bytes done so far in the current transmission, every 128 bytes and at its end.
        std::function<void(Phase, qint64 done)> work;
    };

    // Either the answer body, or an error text: libcurl's message for a failed connection, the status
    // line (say "HTTP/1.1 500 Internal Server Error") for a status other than 2xx.
    struct Result {
        QByteArray body;
        QString error;
        // A failure after the whole body had left and before a complete answer came (a stop, a
        // time-out, a broken connection): the server may have acted on the request.
        bool answerMissing = false;
        bool ok() const { return error.isEmpty(); }
    };

    static constexpr int kChunk = 128;     // progress step
    static constexpr qint64 kFeed = 16384; // bytes handed to libcurl at a time
    // The system's send buffer of the connection. Left to itself it grows to megabytes, which would
    // swallow a whole photo at once: the bar would jump to its end and then wait, and a stop would come
    // too late to keep the photo from the server. Small, the reported bytes follow the wire.
    static constexpr int kSendBuffer = 65536;
    static constexpr const char* kUserAgent = "Mozilla/3.0 (compatible; Indy Library)";
    // No byte either way for this long ends the call. A modem line at its slowest still moves bytes
    // every second, and a service storing a large photo answers within seconds; a minute is far past
    // both, yet short enough that a customer facing a frozen bar is told before giving up on the program.
    static constexpr std::chrono::milliseconds kIdleTimeout{60000};
    // How long a stop waits for the answer once the whole body has left.
    static constexpr std::chrono::milliseconds kAnswerGrace{1000};
    // The failure of a connection on which nothing moved for `idle`.
    static QString IdleText(std::chrono::milliseconds idle);

    // `caFile` names the certificate authorities an "https://" server must be signed by instead of the
    // system's store (the tests' own authority); empty means the system's store.
    explicit HttpTransport(const ProxySettings& proxy = {}, QString caFile = {});
    ~HttpTransport();
    HttpTransport(const HttpTransport&) = delete;
    HttpTransport& operator=(const HttpTransport&) = delete;

    void SetEvents(Events events) { events_ = std::move(events); }
    // Treats `flag` (owned by the caller, outliving every Post()) as a standing Disconnect() while set.
    void StopWhen(const std::atomic<bool>* flag) { watched_ = flag; }
    // Tests shorten the time-out.
    void SetIdleTimeout(std::chrono::milliseconds idle) { idle_ = idle; }

    Result Post(const QString& url, const QByteArray& body, const QByteArray& contentType);

    // Cuts the running transfer (within about a second; after the answer's grace once the body has left),
    // resetting the connection so that bytes not yet on the wire never reach the server; the Post() then
    // ends with an error.
    void Disconnect() { disconnect_ = true; }

private:
    struct Transfer;
    // One POST as libcurl ended it: its code, whether any answer (a proxy's 407 included) arrived.
    struct Attempt {
        int code;
        bool answered;
        Result result;
    };
    Attempt postOnce(const QString& url, const QByteArray& body, const QByteArray& contentType,
                     unsigned long proxySchemes);
    bool mayHaveLostADemand(const QString& url, const Attempt& attempt) const;
    // The authentication schemes the proxy offers when it wants credentials, asked without a body and
    // without credentials; none when it does not ask.
    unsigned long proxyDemand(const QString& url) const;
    void setProxy(void* curl, bool withCredentials, unsigned long schemes) const;
    static size_t readBody(char* buffer, size_t size, size_t count, void* transfer);
    static int seekBody(void* transfer, long long offset, int origin);
    static size_t writeAnswer(char* data, size_t size, size_t count, void* transfer);
    static size_t readHeader(char* data, size_t size, size_t count, void* transfer);
    static int onProgress(void* transfer, long long, long long downloaded, long long, long long uploaded);
    bool stopRequested() const { return disconnect_.load() || (watched_ != nullptr && watched_->load()); }

    ProxySettings proxy_;
    QString caFile_;
    Events events_;
    std::atomic<bool> disconnect_{false};
    const std::atomic<bool>* watched_ = nullptr;
    std::chrono::milliseconds idle_ = kIdleTimeout;
};

} // namespace service
