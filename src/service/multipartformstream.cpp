#include "service/multipartformstream.h"

#include "core/codec.h"

#include <QFile>

namespace service {

namespace {
const QByteArray kCrLf = QByteArrayLiteral("\r\n");
const QByteArray kDisposition = QByteArrayLiteral("Content-Disposition: form-data; name=\"");
} // namespace

MultipartFormStream::MultipartFormStream(const Clock& clock)
    : boundary_(BoundaryFor(clock ? clock() : QDateTime::currentDateTime())) {}

QByteArray MultipartFormStream::BoundaryFor(const QDateTime& moment) {
    return QByteArray(27, '-') + moment.toString(QStringLiteral("MMddyyHHmmsszzz")).toLatin1();
}

QByteArray MultipartFormStream::RequestContentType() const {
    return QByteArrayLiteral("multipart/form-data; boundary=") + boundary_;
}

void MultipartFormStream::appendDelimiter() {
    body_ += kCrLf + "--" + boundary_ + kCrLf;
}

void MultipartFormStream::AddFormField(const QString& name, const QString& value) {
    appendDelimiter();
    body_ += kDisposition + core::toWindows1250(name) + '"' + kCrLf + kCrLf + core::toWindows1250(value);
}

bool MultipartFormStream::AddFile(const QString& name, const QString& filePath, const QString& contentType) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError || content.size() != file.size())
        return false;
    appendDelimiter();
    body_ += kDisposition + core::toWindows1250(name) + "\"; filename=\"" + core::toWindows1250(filePath) +
             '"' + kCrLf;
    body_ += "Content-Length: " + QByteArray::number(content.size()) + kCrLf;
    body_ += "Content-Type: " + core::toWindows1250(contentType) + kCrLf + kCrLf;
    body_ += content;
    return true;
}

void MultipartFormStream::CloseForm() {
    body_ += kCrLf + "--" + boundary_ + "--" + kCrLf;
}

void MultipartFormStream::Clear() {
    body_.clear();
}

} // namespace service
