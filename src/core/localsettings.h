#pragma once

// The optional local "settings" file beside the program: name=value lines of which "host" (the service
// base address, replacing the built-in one whole) and "client_id" (the client identifier, in the
// obfuscated form) are read. Any thread.
#include <QString>

namespace core {

struct LocalSettings {
    QString serviceBase; // the built-in base address unless the file names a host
    QString clientId;    // empty unless the file supplies a decodable one
};

// Reads the file at this path. A missing, unreadable or oversized file gives the built-in base
// address and an empty client identifier; it is never an error.
LocalSettings readLocalSettings(const QString& path);

// "settings" in the program's own folder, else in the installed data folder (see datapaths.h).
QString localSettingsPath();

} // namespace core
