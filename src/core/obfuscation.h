#pragma once

// The obfuscated text form of stored passwords and of the client identifier: every Windows-1250 byte of
// the plain text, combined with a key byte, becomes three decimal digits. Obfuscation, not encryption;
// kept for compatibility with stores written earlier. Pure functions; any thread.
#include <QString>

namespace core {

// The key built into the program.
inline const QString kObfuscationKey = QStringLiteral("k8$Qm!2z&");

QString Encode(const QString& key, const QString& plain);
// Empty when the text is not a whole number of three-digit groups, or a group is not a byte.
QString Decode(const QString& key, const QString& text);

} // namespace core
