#pragma once

// The development stand-in for the photo service: the four interface scripts, the page of photos
// received in a session, and switches that make it misbehave on purpose for tests.
//
// Requests are served on cpp-httplib's worker threads; all state sits behind one mutex.
#include "devconfig.h"

#include <QString>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
} // namespace httplib

namespace devservice {

// The four interface scripts.
inline constexpr const char* kScripts[] = {"ifloguj.php", "ifalbum.php", "ifupload.sphp", "ifver.php"};

// Far above any photo, low enough that a runaway upload cannot exhaust the machine's memory.
constexpr qint64 kMaxBodyBytes = 256LL * 1024 * 1024;

struct Faults {
    bool crlf = false;               // answer lines end with CR LF
    bool noFinalLf = false;          // the last answer line has no line end
    int httpError = 0;               // answer every script with this HTTP status
    bool loginWithoutSessid = false; // a successful login names no session
    qint64 slowReaderBytesPerSecond = 0;
    qint64 dropAfterBytes = -1;               // close the connection after this many body bytes
    qint64 stallAfterBytes = -1;              // stop reading after this many body bytes, say nothing
    std::set<QString> silentScripts;          // read the whole request of these, never answer
    QString recordDir;                        // write every raw request here
    std::map<QString, QString> cannedAnswers; // script name -> file whose bytes are the answer
    qint64 maxBodyBytes = kMaxBodyBytes;      // a longer request body is refused with 413
};

// The certificate chain and private key (PEM files) of a service reached by "https://"; both empty for
// plain HTTP.
struct Tls {
    QString certificate;
    QString key;
};

class DevService {
public:
    DevService(Config config, QString dataDir, Faults faults, const Tls& tls = {});
    ~DevService();

    // False when the certificate or key of Tls could not be used.
    bool valid() const;

    // Binds 127.0.0.1 (port 0: any free port); returns the port, or -1.
    int Bind(int port);
    // Serves until Stop().
    void Serve();
    void Stop();

private:
    struct Upload {
        QString albumName;
        QString path;
    };
    struct Session {
        QString login;
        std::vector<Upload> uploads;
    };

    void handleScript(const QString& script, const httplib::Request& request, httplib::Response& response,
                      const httplib::ContentReader& reader);
    QStringList answerLogin(const std::map<QString, QString>& fields, const QString& pageBase);
    QStringList answerAlbums(const std::map<QString, QString>& fields);
    QStringList answerUpload(const std::map<QString, QString>& fields, const QByteArray& fileName,
                             const QByteArray& content);
    QStringList answerVersion();
    void servePage(const httplib::Request& request, httplib::Response& response);
    void servePhoto(const httplib::Request& request, httplib::Response& response);
    bool readBody(const httplib::Request& request, httplib::Response& response,
                  const httplib::ContentReader& reader, QByteArray* body);
    void record(const QString& script, const httplib::Request& request, const QByteArray& body);
    // Holds the request's connection open without a word until the service stops, then cuts it.
    void hang(const httplib::Request& request) const;
    QString accountDir(const QString& login) const;

    std::mutex mutex_;
    Config config_;
    const QString dataDir_;
    const Faults faults_;
    const QString scheme_; // of the addresses the answers give out
    std::map<QString, Session> sessions_;
    int requestCount_ = 0;
    std::unique_ptr<httplib::Server> server_;
    std::atomic<bool> stopping_{false}; // set from a signal handler too
};

} // namespace devservice
