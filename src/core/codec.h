#pragma once

// The Windows-1250 code page, in which the service and the obfuscated settings form see texts.
// Characters the code page lacks become the substitute byte 0x1A. Pure functions; any thread.
#include <QByteArray>
#include <QString>

namespace core {

QByteArray toWindows1250(QStringView text);
QString fromWindows1250(QByteArrayView bytes);

} // namespace core
