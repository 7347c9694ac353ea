#pragma once

// The multipart/form-data body of one service call, built byte for byte as the service expects it.
//
// The boundary is fixed when the object is made (from the injected clock, so tests can compare whole
// bodies) and survives Clear(), so every body of one upload run shares it. Field names, values and file
// paths go in verbatim as Windows-1250 bytes: nothing is quoted or escaped. One object belongs to one
// thread at a time.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <functional>

namespace service {

class MultipartFormStream {
public:
    using Clock = std::function<QDateTime()>;

    // Takes the boundary from the local date and time now, or from `clock` when given.
    explicit MultipartFormStream(const Clock& clock = {});

    void AddFormField(const QString& name, const QString& value);

    // Reads the whole file into the body. Returns false (and leaves the body as it was) when the file
    // cannot be opened or read.
    bool AddFile(const QString& name, const QString& filePath, const QString& contentType);

    void CloseForm();
    void Clear();

    const QByteArray& Boundary() const { return boundary_; }
    QByteArray RequestContentType() const;
    const QByteArray& Body() const { return body_; }

    // The boundary for a given moment: 27 hyphens and month, day, two-digit year, hour, minute,
    // second and millisecond.
    static QByteArray BoundaryFor(const QDateTime& moment);

private:
    void appendDelimiter();

    QByteArray boundary_;
    QByteArray body_;
};

} // namespace service
