#pragma once

// Texts travel to and from the service as Windows-1250 bytes, byte for byte, with no escaping.
// Stateless helpers, callable from any thread.
#include <QByteArray>
#include <QString>

namespace service {

// A character that Windows-1250 cannot hold becomes '?', as the service's own code page would store it.
QByteArray ToWire(const QString& text);

QString FromWire(const QByteArray& bytes);

} // namespace service
