#include "service/uploadsummary.h"

#include <gtest/gtest.h>

namespace {

struct TimeCase {
    qint64 kb;
    int speed;
    const char* text;
};

class SendingTime : public ::testing::TestWithParam<TimeCase> {};

TEST_P(SendingTime, Text) {
    const TimeCase& c = GetParam();
    EXPECT_EQ(service::sendingTimeText(c.kb, c.speed), QString::fromUtf8(c.text))
        << c.kb << " KB @" << c.speed;
}

INSTANTIATE_TEST_SUITE_P(Cases, SendingTime,
                         ::testing::Values(TimeCase{4200, 0, "~10 min @"},    // 600 s at 7 KB/s
                                           TimeCase{4200, 1, "~5 min @"},     // 300 s at 14 KB/s
                                           TimeCase{3, 1, "~1 sek @"},        // under a second counts as one
                                           TimeCase{0, 0, "~1 sek @"},        // marked photos of 0 KB
                                           TimeCase{14 * 119, 1, "~1 min @"}, // 119 s: truncated, not rounded
                                           TimeCase{7 * 59, 0, "~59 sek @"},  // last second shown in seconds
                                           TimeCase{7 * 60, 0, "~1 min @"},   // first minute
                                           TimeCase{7 * 3599, 0, "~59 min @"},   // last minute
                                           TimeCase{7 * 3600, 0, "~1 godz @"},   // first hour
                                           TimeCase{7 * 86399, 0, "~23 godz @"}, // last hour of the day
                                           TimeCase{7 * 86400, 0, "~1 dni @"},   // a day or more shows days
                                           TimeCase{14 * 86400 * 3 + 5, 1, "~3 dni @"},
                                           TimeCase{100, -1, "~1 min @"}, // no item chosen: 1 KB/s
                                           TimeCase{100, 5, "~1 min @"},  // unknown item: 1 KB/s
                                           TimeCase{20, 0, "~2 sek @"})); // 2.857 s

TEST(UploadSummary, WorkedExampleOfThreePhotos) {
    const service::UploadSummary modem = service::summarize(3, 700 + 1400 + 2100, 0);
    EXPECT_EQ(modem.count, QStringLiteral("3"));
    EXPECT_EQ(modem.size, QStringLiteral("4200 KB"));
    EXPECT_EQ(modem.time, QStringLiteral("~10 min @"));
    EXPECT_EQ(service::summarize(3, 4200, 1).time, QStringLiteral("~5 min @"));
}

TEST(UploadSummary, NothingMarked) {
    const service::UploadSummary s = service::summarize(0, 0, 1);
    EXPECT_EQ(s.count, QStringLiteral("0"));
    EXPECT_EQ(s.size, QStringLiteral("0 KB"));
    EXPECT_EQ(s.time, QStringLiteral("~0 @"));
}

TEST(UploadSummary, SpeedsOfTheConnectionList) {
    EXPECT_EQ(service::connectionSpeed(0), 7);
    EXPECT_EQ(service::connectionSpeed(1), 14);
    EXPECT_EQ(service::connectionSpeed(-1), 1);
    EXPECT_EQ(service::connectionSpeed(2), 1);
}

TEST(UploadSummary, HugeTotalsStayInDays) {
    EXPECT_EQ(service::sendingTimeText(Q_INT64_C(7) * 86400 * 1000, 0), QStringLiteral("~1000 dni @"));
}

} // namespace
