#include "devserviceprocess.h"

#include "recordingreceiver.h"
#include "service/tthreadlogowanie.h"

#include <arpa/inet.h>
#include <poll.h>
#include <unistd.h>

namespace {

// A loopback TCP socket, bound to `port` (0 any free one) to listen, or connected to it.
int loopbackSocket(int port, bool connectIt) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{AF_INET, htons(static_cast<uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    const auto* raw = reinterpret_cast<const sockaddr*>(&address);
    if ((connectIt ? ::connect(s, raw, sizeof address) : ::bind(s, raw, sizeof address)) == 0)
        return s;
    ::close(s);
    return -1;
}

int boundPort(int socket) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

} // namespace

DevServiceProcess::DevServiceProcess(const QStringList& switches, const QByteArray& config) {
    QStringList arguments{
        "--port", "0", "--data", dir_.filePath("data"), "--record", dir_.filePath("record")};
    if (!config.isEmpty() && WriteFile(dir_.filePath("service.conf"), config))
        arguments << "--config" << dir_.filePath("service.conf");
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(testsupport::binaryDir() + "/bin/pixvale-devservice", arguments + switches);
    while (process_.waitForStarted(10000) && !process_.canReadLine() && process_.waitForReadyRead(10000)) {
    }
    const QByteArray first = process_.readLine().trimmed();
    if (first.startsWith("port="))
        port_ = first.mid(5).toInt();
}

DevServiceProcess::~DevServiceProcess() {
    Stop();
}

void DevServiceProcess::Stop() {
    StopProcess(process_);
}

QList<QByteArray> DevServiceProcess::bodiesOf(const QString& script, const QString& part) const {
    const QDir record(dir_.filePath("record"));
    QList<QByteArray> bodies;
    for (const QString& name : record.entryList({"*" + script + "." + part}, QDir::Files, QDir::Name))
        bodies << ReadFile(record.filePath(name));
    return bodies;
}

QMap<QString, QByteArray> DevServiceProcess::stored() const {
    QMap<QString, QByteArray> photos;
    for (QDirIterator it(dir_.filePath("data"), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        photos.insert(QFileInfo(path).fileName(), ReadFile(path));
    }
    return photos;
}

std::future<QByteArray> AnswerOnce(int* port, const QByteArray& answer) {
    const int listener = loopbackSocket(0, false);
    *port = ::listen(listener, 1) == 0 ? boundPort(listener) : 0;
    return std::async(std::launch::async, [listener, answer] {
        QByteArray request;
        pollfd waiting{listener, POLLIN, 0};
        const int client = ::poll(&waiting, 1, 10000) > 0 ? ::accept(listener, nullptr, nullptr) : -1;
        const auto whole = [&] {
            const qsizetype head = request.indexOf("\r\n\r\n"), at = request.indexOf("Content-Length: ") + 16;
            return head >= 0 &&
                   request.size() >= head + 4 + request.mid(at, request.indexOf('\r', at) - at).toInt();
        };
        char buffer[16384];
        for (ssize_t n = 1; client >= 0 && !whole() && n > 0;)
            if ((n = ::read(client, buffer, sizeof buffer)) > 0)
                request.append(buffer, static_cast<qsizetype>(n));
        ::send(client, answer.constData(), static_cast<size_t>(answer.size()), MSG_NOSIGNAL);
        ::close(client);
        ::close(listener);
        return request;
    });
}

int FreeLoopbackPort() {
    const int s = loopbackSocket(0, false);
    const int port = boundPort(s);
    ::close(s);
    return port;
}

bool CanConnect(int port) {
    const int s = loopbackSocket(port, true);
    ::close(s);
    return s >= 0;
}

service::ServiceEndpoint Unreachable() {
    return {QString("http://127.0.0.1:%1/").arg(FreeLoopbackPort()), {}};
}

QString LogIn(const DevServiceProcess& service) {
    RecordingReceiver receiver;
    RunToEnd(
        new service::TThreadLogowanie(&receiver, service.endpoint(), {"demo@pixvale.example", "demo", ""}));
    return receiver.sessionId;
}

QByteArray FormBody(const QByteArray& boundary, const QList<std::pair<QByteArray, QByteArray>>& fields) {
    QByteArray body;
    for (const auto& [name, value] : fields)
        body +=
            "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value;
    return body + "\r\n--" + boundary + "--\r\n";
}

void StopProcess(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    process.waitForFinished(5000);
}

bool MakeTestCertificates(const QString& dir) {
    const auto openssl = [&](const QString& arguments) {
        QProcess process;
        process.setWorkingDirectory(dir);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start("openssl", arguments.split(' '));
        return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    };
    const QString key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
    return WriteFile(dir + "/server.ext", "subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n") &&
           openssl("req -x509 " + key + "-keyout ca.key -out ca.pem -days 2 -subj /CN=PixvaleTestCA") &&
           openssl("req " + key + "-keyout server.key -out server.csr -subj /CN=127.0.0.1") &&
           openssl(
               "x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 2 "
               "-extfile server.ext");
}

QByteArray JpegOfSize(qint64 size) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    // Whatever follows the end marker is never decoded.
    return jpeg + QByteArray(std::max<qint64>(size - jpeg.size(), 0), 'p');
}
