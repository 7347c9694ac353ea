#include "core/codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace core {

namespace {
constexpr const char* kCodePage = "windows-1250";
}

QByteArray toWindows1250(QStringView text) {
    QStringEncoder encoder(kCodePage);
    Q_ASSERT(encoder.isValid());
    return encoder.encode(text);
}

QString fromWindows1250(QByteArrayView bytes) {
    QStringDecoder decoder(kCodePage);
    Q_ASSERT(decoder.isValid());
    return decoder.decode(bytes);
}

} // namespace core
