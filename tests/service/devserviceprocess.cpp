#include "devserviceprocess.h"

#include "recordingreceiver.h"
#include "service/tthreadlogowanie.h"
#include "tcprecorder.h"
#include "testsupport.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>

#include <curl/curl.h>

DevServiceProcess::DevServiceProcess(const QStringList& switches, const QByteArray& config,
                                     const QString& script, const QByteArray& answer) {
    QStringList arguments{"--port", "0", "--data", dataDir(), "--record", dir_.filePath("record")};
    if (!script.isEmpty()) {
        WriteFile(dir_.filePath("answer"), answer);
        arguments << "--answer" << script + "=" + dir_.filePath("answer");
    }
    if (!config.isEmpty()) {
        WriteFile(dir_.filePath("service.conf"), config);
        arguments << "--config" << dir_.filePath("service.conf");
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(testsupport::binaryDir() + "/bin/pixvale-devservice", arguments + switches);
    if (!process_.waitForStarted(10000))
        return;
    while (!process_.canReadLine() && process_.waitForReadyRead(10000)) {
    }
    const QByteArray first = process_.readLine().trimmed();
    if (first.startsWith("port="))
        port_ = first.mid(5).toInt();
}

DevServiceProcess::~DevServiceProcess() {
    StopProcess(process_);
}

QList<QByteArray> DevServiceProcess::bodiesOf(const QString& script) const {
    const QDir record(dir_.filePath("record"));
    QList<QByteArray> bodies;
    for (const QString& name : record.entryList({"*" + script + ".body"}, QDir::Files, QDir::Name))
        bodies << ReadFile(record.filePath(name));
    return bodies;
}

QMap<QString, QByteArray> DevServiceProcess::stored() const {
    QMap<QString, QByteArray> photos;
    for (QDirIterator it(dataDir(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        const QString path = it.next();
        photos.insert(QFileInfo(path).fileName(), ReadFile(path));
    }
    return photos;
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

QByteArray HttpGet(const QString& url) {
    QByteArray body;
    const QByteArray address = url.toUtf8();
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* target) {
            static_cast<QByteArray*>(target)->append(data, static_cast<qsizetype>(size * count));
            return size * count;
        });
    const bool ok = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_cleanup(curl);
    return ok ? body : QByteArray();
}

QByteArray JpegOfSize(qint64 size) {
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) & 255));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    // Comment segments (at most 65533 bytes of text each) after the start marker.
    QByteArray padding;
    for (qint64 missing = size - jpeg.size(); missing > 0;) {
        const qint64 text = std::clamp<qint64>(missing - 4, 0, 65533);
        const int length = static_cast<int>(text + 2);
        padding +=
            QByteArray("\xff\xfe", 2) + char(length >> 8) + char(length & 0xff) + QByteArray(text, 'p');
        missing -= text + 4;
    }
    jpeg.insert(2, padding);
    return jpeg;
}

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
