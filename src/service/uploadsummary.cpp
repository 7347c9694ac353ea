#include "service/uploadsummary.h"

#include <cmath>

namespace service {

int connectionSpeed(int speedIndex) {
    switch (speedIndex) {
    case 0:
        return 7;
    case 1:
        return 14;
    default:
        return 1;
    }
}

QString sendingTimeText(qint64 totalKb, int speedIndex) {
    long double seconds =
        static_cast<long double>(totalKb) / static_cast<long double>(connectionSpeed(speedIndex));
    if (seconds < 1.0L)
        seconds = 1.0L;
    // The time is read like a clock, to the millisecond, and each part is then truncated.
    const auto ms = static_cast<qint64>(std::nearbyint(seconds * 1000.0L));
    const qint64 whole = ms / 1000;
    if (whole < 60)
        return QStringLiteral("~%1 sek @").arg(whole);
    if (whole < 3600)
        return QStringLiteral("~%1 min @").arg(whole / 60);
    if (whole < 86400)
        return QStringLiteral("~%1 godz @").arg(whole / 3600);
    return QStringLiteral("~%1 dni @").arg(whole / 86400);
}

UploadSummary summarize(int markedCount, qint64 totalKb, int speedIndex) {
    UploadSummary s;
    s.count = QString::number(markedCount);
    s.size = QString::number(totalKb) + QStringLiteral(" KB");
    s.time = markedCount == 0 ? QStringLiteral("~0 @") : sendingTimeText(totalKb, speedIndex);
    return s;
}

} // namespace service
