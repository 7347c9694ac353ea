#pragma once

// The upload summary under the main window's upload button: how many photos are marked, their total
// size and a rough sending time at the chosen connection speed. Pure functions; any thread.
#include <QString>

namespace service {

struct UploadSummary {
    QString count; // "3"
    QString size;  // "4200 KB"
    QString time;  // "~10 min @" (the connection list follows the "@" on screen)
};

// Kilobytes per second for an item of the connection list: 0 "Modem" 7, 1 "Stałe łącze" 14, anything
// else (no item chosen) 1.
int connectionSpeed(int speedIndex);

// The time text for `totalKb` kilobytes at `speedIndex`: under a minute "~" + seconds + " sek @", under
// an hour "~" + minutes + " min @", under a day "~" + hours + " godz @", else "~" + days + " dni @".
// Each part is truncated, like reading a clock (119 seconds give "~1 min @"); less than a second counts
// as one second.
QString sendingTimeText(qint64 totalKb, int speedIndex);

// All three texts; with no marked photo the time is "~0 @".
UploadSummary summarize(int markedCount, qint64 totalKb, int speedIndex);

} // namespace service
