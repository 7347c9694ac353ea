#include "formdata.h"

namespace devservice {

QByteArray BoundaryOf(const QByteArray& contentType) {
    const QByteArray key = "boundary=";
    const qsizetype at = contentType.indexOf(key);
    if (at < 0)
        return {};
    QByteArray boundary = contentType.mid(at + key.size());
    const qsizetype end = boundary.indexOf(';');
    if (end >= 0)
        boundary.truncate(end);
    boundary = boundary.trimmed();
    if (boundary.startsWith('"') && boundary.endsWith('"') && boundary.size() >= 2)
        boundary = boundary.mid(1, boundary.size() - 2);
    return boundary;
}

namespace {

// The quoted value after `key` in a header line; a filename runs to the last quote, since a path may
// hold anything.
QByteArray quotedAfter(const QByteArray& line, const QByteArray& key, bool toLastQuote) {
    const qsizetype at = line.indexOf(key);
    if (at < 0)
        return {};
    const qsizetype start = at + key.size();
    const qsizetype end = toLastQuote ? line.lastIndexOf('"') : line.indexOf('"', start);
    return end > start ? line.mid(start, end - start) : QByteArray();
}

} // namespace

std::optional<Form> ParseForm(const QByteArray& body, const QByteArray& boundary) {
    if (boundary.isEmpty())
        return std::nullopt;
    const QByteArray delimiter = "\r\n--" + boundary;
    const QByteArray text = body.startsWith("--" + boundary) ? "\r\n" + body : body;
    qsizetype at = text.indexOf(delimiter);
    if (at < 0)
        return std::nullopt;
    Form form;
    for (;;) {
        qsizetype start = at + delimiter.size();
        if (text.mid(start, 2) == "--")
            return form;
        if (text.mid(start, 2) != "\r\n")
            return std::nullopt;
        start += 2;
        const qsizetype next = text.indexOf(delimiter, start);
        const qsizetype headersEnd = text.indexOf("\r\n\r\n", start);
        if (next < 0 || headersEnd < 0 || headersEnd > next)
            return std::nullopt;
        FormPart part;
        QByteArray name;
        for (const QByteArray& line : text.mid(start, headersEnd - start).split('\n')) {
            if (!line.toLower().startsWith("content-disposition:"))
                continue;
            name = quotedAfter(line, "name=\"", false);
            part.isFile = line.contains("filename=\"");
            if (part.isFile)
                part.filename = quotedAfter(line.trimmed(), "filename=\"", true);
        }
        part.content = text.mid(headersEnd + 4, next - headersEnd - 4);
        if (!name.isEmpty() && !form.count(name))
            form.emplace(name, std::move(part));
        at = next;
    }
}

} // namespace devservice
