#include "devservice.h"

#include "core/codec.h"
#include "formdata.h"

#include <httplib.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace devservice {

namespace {

QString safeName(QString name) {
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-') ||
              c == QLatin1Char('_') || c == QLatin1Char('@')))
            c = QLatin1Char('_');
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QLatin1Char('_'));
    return name;
}

QString htmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

// cpp-httplib does not hand out the socket of a request; find it by its two ports and cut it, so the
// client sees a connection that breaks off rather than an HTTP answer.
void dropConnection(const httplib::Request& request) {
    DIR* fds = opendir("/proc/self/fd");
    if (fds == nullptr)
        return;
    while (dirent* entry = readdir(fds)) {
        const int fd = atoi(entry->d_name);
        sockaddr_in local{}, peer{};
        socklen_t localSize = sizeof local, peerSize = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
            local.sin_family != AF_INET ||
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
            continue;
        if (ntohs(local.sin_port) == request.local_port && ntohs(peer.sin_port) == request.remote_port)
            shutdown(fd, SHUT_RDWR);
    }
    closedir(fds);
}

std::unique_ptr<httplib::Server> makeServer(const Tls& tls) {
    if (tls.certificate.isEmpty())
        return std::make_unique<httplib::Server>();
    return std::make_unique<httplib::SSLServer>(QFile::encodeName(tls.certificate).constData(),
                                                QFile::encodeName(tls.key).constData());
}

} // namespace

DevService::DevService(Config config, QString dataDir, Faults faults, const Tls& tls)
    : config_(std::move(config))
    , dataDir_(std::move(dataDir))
    , faults_(std::move(faults))
    , scheme_(tls.certificate.isEmpty() ? QStringLiteral("http") : QStringLiteral("https"))
    , server_(makeServer(tls)) {
    server_->set_payload_max_length(static_cast<size_t>(faults_.maxBodyBytes));
    // Forms are read raw here, not by cpp-httplib: hide their type before routing sees it.
    server_->set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
        auto& editable = const_cast<httplib::Request&>(request);
        if (editable.has_header("Content-Type")) {
            const std::string type = editable.get_header_value("Content-Type");
            editable.headers.erase("Content-Type");
            editable.headers.emplace("X-Form-Content-Type", type);
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    if (faults_.slowReaderBytesPerSecond > 0 || faults_.stallAfterBytes >= 0) {
        // A small receive window keeps the client from parking the whole body in kernel buffers.
        server_->set_socket_options([](int socket) {
            httplib::default_socket_options(socket);
            const int size = 8192;
            setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        });
    }
    for (const char* script : kScripts) {
        const QString name = QString::fromLatin1(script);
        server_->Post(std::string("/") + script,
                      [this, name](const httplib::Request& request, httplib::Response& response,
                                   const httplib::ContentReader& reader) {
                          handleScript(name, request, response, reader);
                      });
    }
    server_->Get("/ifincoming.php", [this](const httplib::Request& request, httplib::Response& response) {
        servePage(request, response);
    });
    server_->Get("/photo", [this](const httplib::Request& request, httplib::Response& response) {
        servePhoto(request, response);
    });
}

DevService::~DevService() = default;

bool DevService::valid() const {
    return server_->is_valid();
}

int DevService::Bind(int port) {
    if (port == 0)
        return server_->bind_to_any_port("127.0.0.1");
    return server_->bind_to_port("127.0.0.1", port) ? port : -1;
}

void DevService::Serve() {
    server_->listen_after_bind();
}

void DevService::Stop() {
    stopping_ = true;
    server_->stop();
}

void DevService::hang(const httplib::Request& request) const {
    while (!stopping_.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // No answer at all, not even the one cpp-httplib would make up for a handler that set none.
    dropConnection(request);
}

QString DevService::accountDir(const QString& login) const {
    return dataDir_ + QLatin1Char('/') + safeName(login);
}

bool DevService::readBody(const httplib::Request& request, httplib::Response& response,
                          const httplib::ContentReader& reader, QByteArray* body) {
    const auto started = std::chrono::steady_clock::now();
    // A declared length above the limit never gets here: the server skips such a body and answers 413.
    const qint64 declared =
        QByteArray::fromStdString(request.get_header_value("Content-Length")).toLongLong();
    if (declared > 0 && declared <= faults_.maxBodyBytes)
        body->reserve(declared);
    bool dropped = false, tooLong = false;
    const bool complete = reader([&](const char* data, size_t length) {
        // A body without a declared length is held to the same limit while it arrives.
        if (body->size() + static_cast<qint64>(length) > faults_.maxBodyBytes) {
            tooLong = true;
            return false;
        }
        if (faults_.stallAfterBytes >= 0 && body->size() >= faults_.stallAfterBytes) {
            hang(request);
            return false;
        }
        qint64 take = static_cast<qint64>(length);
        if (faults_.dropAfterBytes >= 0)
            take = std::min<qint64>(take, faults_.dropAfterBytes - body->size());
        body->append(data, take);
        if (faults_.dropAfterBytes >= 0 && body->size() >= faults_.dropAfterBytes) {
            dropped = true;
            return false;
        }
        if (faults_.slowReaderBytesPerSecond > 0) {
            const auto due = started + std::chrono::microseconds(body->size() * 1000000 /
                                                                 faults_.slowReaderBytesPerSecond);
            std::this_thread::sleep_until(due);
        }
        return true;
    });
    if (dropped)
        dropConnection(request);
    if (tooLong)
        response.status = 413;
    // A body cut short (the client closed before the declared length) is a failure, never parsed; the
    // server has already set the status for it.
    return complete && !dropped;
}

void DevService::record(const QString& script, const httplib::Request& request, const QByteArray& body) {
    if (faults_.recordDir.isEmpty())
        return;
    int number = 0;
    {
        const std::lock_guard lock(mutex_);
        number = ++requestCount_;
    }
    const QString stem =
        faults_.recordDir + QStringLiteral("/%1-%2").arg(number, 4, 10, QLatin1Char('0')).arg(script);
    // Headers as cpp-httplib parsed them: sorted by name, so the record does not show the sending order.
    QList<QByteArray> lines;
    for (const auto& [key, value] : request.headers) {
        // cpp-httplib files the peer's addresses among the headers; they were never sent.
        if (key == "REMOTE_ADDR" || key == "REMOTE_PORT" || key == "LOCAL_ADDR" || key == "LOCAL_PORT")
            continue;
        lines << QByteArray::fromStdString(key == "X-Form-Content-Type" ? "Content-Type" : key) + ": " +
                     QByteArray::fromStdString(value) + "\r\n";
    }
    std::sort(lines.begin(), lines.end(),
              [](const QByteArray& a, const QByteArray& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    const QByteArray head =
        QByteArray::fromStdString(request.method + ' ' + request.target + ' ' + request.version) + "\r\n" +
        lines.join();
    QFile headFile(stem + QStringLiteral(".head"));
    QFile bodyFile(stem + QStringLiteral(".body"));
    if (headFile.open(QIODevice::WriteOnly))
        headFile.write(head);
    if (bodyFile.open(QIODevice::WriteOnly))
        bodyFile.write(body);
}

void DevService::handleScript(const QString& script, const httplib::Request& request,
                              httplib::Response& response, const httplib::ContentReader& reader) {
    QByteArray body;
    if (!readBody(request, response, reader, &body))
        return;
    record(script, request, body);
    if (faults_.silentScripts.count(script) != 0) {
        hang(request);
        return;
    }
    if (faults_.httpError != 0) {
        response.status = faults_.httpError;
        return;
    }
    if (const auto canned = faults_.cannedAnswers.find(script); canned != faults_.cannedAnswers.end()) {
        QFile file(canned->second);
        file.open(QIODevice::ReadOnly);
        response.set_content(file.readAll().toStdString(), "text/html");
        return;
    }

    const std::optional<Form> form = ParseForm(
        body, BoundaryOf(QByteArray::fromStdString(request.get_header_value("X-Form-Content-Type"))));
    std::map<QString, QString> fields;
    QByteArray fileName, fileContent;
    if (form) {
        for (const auto& [name, part] : *form) {
            if (part.isFile) {
                fileName = part.filename;
                fileContent = part.content;
            } else {
                fields[core::fromWindows1250(name)] = core::fromWindows1250(part.content);
            }
        }
    }

    QStringList lines;
    if (script == QLatin1String("ifloguj.php"))
        lines =
            answerLogin(fields, QStringLiteral("%1://%2/")
                                    .arg(scheme_, QString::fromStdString(request.get_header_value("Host"))));
    else if (script == QLatin1String("ifalbum.php"))
        lines = answerAlbums(fields);
    else if (script == QLatin1String("ifupload.sphp"))
        lines = answerUpload(fields, fileName, fileContent);
    else
        lines = answerVersion();

    const QString end = faults_.crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text = lines.join(end);
    if (!faults_.noFinalLf)
        text += end;
    response.set_content(core::toWindows1250(text).toStdString(), "text/html; charset=windows-1250");
}

QStringList DevService::answerLogin(const std::map<QString, QString>& fields, const QString& pageBase) {
    const auto field = [&](const char* key) {
        const auto found = fields.find(QString::fromLatin1(key));
        return found == fields.end() ? QString() : found->second;
    };
    const std::lock_guard lock(mutex_);
    const Account* account = config_.find(field("login"));
    if (account == nullptr || account->password != field("password"))
        return {QStringLiteral("message=001"), QStringLiteral("status=103")};
    const QString sessid = QString::number(QRandomGenerator::global()->generate64(), 16);
    sessions_[sessid] = Session{account->login, {}};
    QStringList lines{QStringLiteral("message=001"), QStringLiteral("status=001")};
    if (!faults_.loginWithoutSessid)
        lines << QStringLiteral("sessid=") + sessid;
    // Both pages of the real service are the received-photos page here.
    lines << QStringLiteral("order_url=") + pageBase + QStringLiteral("ifincoming.php?sessid=") + sessid
          << QStringLiteral("edit_url=") + pageBase + QStringLiteral("ifincoming.php?sessid=") + sessid;
    return lines;
}

QStringList DevService::answerAlbums(const std::map<QString, QString>& fields) {
    const std::lock_guard lock(mutex_);
    const auto session = fields.count(QStringLiteral("sessid"))
                             ? sessions_.find(fields.at(QStringLiteral("sessid")))
                             : sessions_.end();
    if (session == sessions_.end())
        return {QStringLiteral("message=002"), QStringLiteral("status=103")};
    const Account* account = config_.find(session->second.login);
    if (account->albums.empty())
        return {QStringLiteral("message=002"), QStringLiteral("status=001")};
    QStringList lines{QStringLiteral("message=002"), QStringLiteral("status=002")};
    for (const Album& album : account->albums)
        lines << QStringLiteral("id=\"%1\"").arg(album.id) << QStringLiteral("name=\"%1\"").arg(album.name);
    return lines;
}

QStringList DevService::answerUpload(const std::map<QString, QString>& fields, const QByteArray& fileName,
                                     const QByteArray& content) {
    const auto field = [&](const char* key) {
        const auto found = fields.find(QString::fromLatin1(key));
        return found == fields.end() ? QString() : found->second;
    };
    const auto answer = [](const char* status) {
        return QStringList{QStringLiteral("message=003"), QStringLiteral("status=") + QLatin1String(status)};
    };
    const std::lock_guard lock(mutex_);
    const auto session = sessions_.find(field("sessid"));
    if (session == sessions_.end())
        return answer("103");
    if (content.isEmpty())
        return answer("005");
    Account* account = config_.find(session->second.login);

    // An album is found by its identifier, or for "0" by its new name, which the first photo creates.
    Album* album = nullptr;
    const QString albumId = field("idalbumu");
    const QString newName =
        field("nazwaalbumu").isEmpty() ? QStringLiteral("Nowy album") : AnswerSafe(field("nazwaalbumu"));
    for (Album& candidate : account->albums)
        if (albumId == QLatin1String("0") ? candidate.name == newName : candidate.id == albumId)
            album = &candidate;
    if (album == nullptr && albumId == QLatin1String("0")) {
        int highest = 0;
        for (const Album& existing : account->albums)
            highest = std::max(highest, existing.id.toInt());
        account->albums.push_back({QString::number(highest + 1), newName});
        album = &account->albums.back();
    }
    if (album == nullptr)
        return answer("104");

    qint64 used = 0;
    for (QDirIterator it(accountDir(account->login), QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        used += QFileInfo(it.next()).size();
    if (used + content.size() > account->capacity)
        return answer("002");

    QString name = core::fromWindows1250(fileName);
    name = name.mid(std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\'))) + 1);
    const QString folder = accountDir(account->login) + QLatin1Char('/') + safeName(album->id);
    const QString path = folder + QLatin1Char('/') + safeName(name);
    QFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return answer("006");
    session->second.uploads.push_back({album->name, path});
    return answer("001");
}

QStringList DevService::answerVersion() {
    const std::lock_guard lock(mutex_);
    QStringList lines{QStringLiteral("version=") + config_.version};
    if (!config_.downloadUrl.isEmpty())
        lines << QStringLiteral("download_url=") + config_.downloadUrl;
    return lines;
}

void DevService::servePage(const httplib::Request& request, httplib::Response& response) {
    const QString sessid = QString::fromStdString(request.get_param_value("sessid"));
    const bool oneAlbum = request.has_param("aid");
    // The album as the upload named it, so that a name the service had to change still finds its photos.
    const QString albumName = AnswerSafe(QString::fromStdString(request.get_param_value("aid")));
    QString html =
        QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Odebrane zdjęcia</title>"
                       "<style>figure{display:inline-block;margin:8px;text-align:center}"
                       "img{max-width:96px;max-height:83px}</style></head><body>");
    const std::lock_guard lock(mutex_);
    const auto session = sessions_.find(sessid);
    if (session == sessions_.end()) {
        html += QStringLiteral("<p>Nieznana sesja.</p>");
    } else {
        html += QStringLiteral("<h1>Zdjęcia odebrane w tej sesji</h1>");
        if (oneAlbum)
            html += QStringLiteral("<h2>Album: %1</h2>").arg(htmlEscaped(albumName));
        int shown = 0;
        const std::vector<Upload>& uploads = session->second.uploads;
        for (size_t i = 0; i < uploads.size(); ++i) {
            if (oneAlbum && uploads[i].albumName != albumName)
                continue;
            ++shown;
            const QString name = htmlEscaped(QFileInfo(uploads[i].path).fileName());
            html +=
                QStringLiteral("<figure><img src=\"/photo?sessid=%1&amp;n=%2\" alt=\"%3\"><figcaption>%3 (%4)"
                               "</figcaption></figure>")
                    .arg(htmlEscaped(sessid))
                    .arg(i)
                    .arg(name, htmlEscaped(uploads[i].albumName));
        }
        if (shown == 0)
            html += QStringLiteral("<p>Brak zdjęć.</p>");
    }
    html += QStringLiteral("</body></html>");
    response.set_content(html.toStdString(), "text/html; charset=utf-8");
}

void DevService::servePhoto(const httplib::Request& request, httplib::Response& response) {
    const QString sessid = QString::fromStdString(request.get_param_value("sessid"));
    const size_t n = std::strtoull(request.get_param_value("n").c_str(), nullptr, 10);
    QString path;
    {
        const std::lock_guard lock(mutex_);
        const auto session = sessions_.find(sessid);
        if (session != sessions_.end() && n < session->second.uploads.size())
            path = session->second.uploads[n].path;
    }
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        response.status = 404;
        return;
    }
    response.set_content(file.readAll().toStdString(), "image/jpeg");
}

} // namespace devservice
