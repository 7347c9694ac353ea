#pragma once

// Reads a multipart/form-data body the way a PHP script would: parts by name, file parts with the
// filename as sent. Lenient about a leading CR LF and tolerant of extra part headers.
#include <QByteArray>
#include <QList>

#include <map>
#include <optional>

namespace devservice {

struct FormPart {
    QByteArray content;
    QByteArray filename; // empty for a text part
    bool isFile = false;
};

using Form = std::map<QByteArray, FormPart>;

// The boundary of a "multipart/form-data; boundary=..." content type, empty when there is none.
QByteArray BoundaryOf(const QByteArray& contentType);

// Nothing when the body is not a complete form with that boundary.
std::optional<Form> ParseForm(const QByteArray& body, const QByteArray& boundary);

} // namespace devservice
