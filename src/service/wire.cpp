#include "service/wire.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace service {

QByteArray ToWire(const QString& text) {
    QStringEncoder encoder("windows-1250");
    QByteArray bytes = encoder.encode(text);
    return bytes;
}

QString FromWire(const QByteArray& bytes) {
    QStringDecoder decoder("windows-1250");
    QString text = decoder.decode(bytes);
    return text;
}

} // namespace service
