#include "service/serviceresponse.h"

#include "core/codec.h"

namespace service {

ServiceResponse ServiceResponse::FromBody(const QByteArray& body) {
    ServiceResponse response;
    qsizetype start = 0;
    for (qsizetype lf = body.indexOf('\n'); lf >= 0; lf = body.indexOf('\n', start)) {
        response.lines_.append(core::fromWindows1250(body.mid(start, lf - start)));
        start = lf + 1;
    }
    return response;
}

QString ServiceResponse::Value(const QString& key) const {
    for (const QString& line : lines_) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return {};
}

QString FieldOfLine(const QString& line, int n) {
    QString field;
    int counter = 0;
    bool quoted = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char('=') && !quoted)
            ++counter;
        else if (counter == n)
            field += c;
    }
    return field;
}

} // namespace service
