#pragma once

// The session of the last successful login, kept for the rest of the program's run: a later upload
// reuses it without logging in again. Empty `sessionId` means no login has succeeded yet.
#include <QString>

namespace ui {

struct ServiceSession {
    QString sessionId;
    QString orderUrl;
    QString editUrl;
};

} // namespace ui
