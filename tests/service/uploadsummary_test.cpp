#include "service/uploadsummary.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace service;

TEST(UploadSummary, SendingTimeText) {
    struct Case {
        qint64 kb;
        int speed;
        const char* text;
    };
    const Case cases[] = {
        {4200, 0, "~10 min @"},    // 600 s at 7 KB/s
        {4200, 1, "~5 min @"},     // 300 s at 14 KB/s
        {100, -1, "~1 min @"},     // no item chosen: 1 KB/s
        {100, 2, "~1 min @"},      // unknown item: 1 KB/s
        {0, 0, "~1 sek @"},        // under a second counts as one
        {20, 0, "~2 sek @"},       // 2.857 s
        {14 * 119, 1, "~1 min @"}, // truncated, not rounded
        {7 * 59, 0, "~59 sek @"},
        {7 * 60, 0, "~1 min @"},
        {7 * 3599, 0, "~59 min @"},
        {7 * 3600, 0, "~1 godz @"},
        {7 * 86399, 0, "~23 godz @"},
        {7 * 86400, 0, "~1 dni @"},
        {Q_INT64_C(7) * 86400 * 1000, 0, "~1000 dni @"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sendingTimeText(c.kb, c.speed), QString::fromUtf8(c.text)) << c.kb << " KB @" << c.speed;
}

TEST(UploadSummary, WorkedExamples) {
    const UploadSummary three = summarize(3, 700 + 1400 + 2100, 0);
    EXPECT_EQ(QStringList({three.count, three.size, three.time}), QStringList({"3", "4200 KB", "~10 min @"}));
    const UploadSummary none = summarize(0, 0, 1);
    EXPECT_EQ(QStringList({none.count, none.size, none.time}), QStringList({"0", "0 KB", "~0 @"}));
}
