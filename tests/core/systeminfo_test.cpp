#include "core/versioninfo.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using core::OsVersionRecord;

struct WindowsCase {
    int platform;
    std::uint32_t major, minor, build;
    const char* servicePack;
    const char* line;
};

constexpr int kNt = OsVersionRecord::WindowsNtFamily;
constexpr int k95 = OsVersionRecord::Windows95Family;
constexpr int kWin32s = OsVersionRecord::Win32s;

class WindowsLine : public ::testing::TestWithParam<WindowsCase> {};

TEST_P(WindowsLine, FollowsTheTable) {
    const WindowsCase& c = GetParam();
    const OsVersionRecord r{c.platform, c.major, c.minor, c.build, QString::fromUtf8(c.servicePack)};
    EXPECT_EQ(core::describeWindowsVersion(r), QString::fromUtf8(c.line));
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, WindowsLine,
    ::testing::Values(
        WindowsCase{kNt, 3, 51, 1057, "Service Pack 5", "Windows NT (3.51), kompilacja 1057 Service Pack 5"},
        WindowsCase{kNt, 4, 0, 1381, "Service Pack 6", "Windows NT (4.0), kompilacja 1381 Service Pack 6"},
        WindowsCase{kNt, 5, 0, 2195, "Service Pack 4", "Windows 2000 (5.0), kompilacja 2195 Service Pack 4"},
        WindowsCase{kNt, 5, 1, 2600, "Service Pack 3", "Windows XP (5.1), kompilacja 2600 Service Pack 3"},
        WindowsCase{kNt, 5, 1, 2600, "", "Windows XP (5.1), kompilacja 2600 "},
        WindowsCase{kNt, 5, 2, 3790, "", "Windows .NET Server (5.2) , kompilacja 3790 "},
        // The Windows 95 family keeps its version in the high half of the build number.
        WindowsCase{k95, 4, 0, 0x040003B6u, " B", "Windows 95 (4.0), kompilacja 950  B"},
        WindowsCase{k95, 4, 10, 0x040A0AAEu, " A", "Windows 98 (4.10), kompilacja 2734  A"},
        WindowsCase{k95, 4, 90, 0x045A0BB8u, "", "Windows Me (4.90), kompilacja 3000 "},
        WindowsCase{kWin32s, 3, 11, 1, "ignored", "Windows 3.x + Win32s"},
        // Versions the table does not name get no name part; the number shown is the build.
        WindowsCase{kNt, 10, 0, 19045, "", ", kompilacja 19045 "},
        WindowsCase{kNt, 6, 1, 7601, "Service Pack 1", ", kompilacja 7601 Service Pack 1"},
        WindowsCase{k95, 4, 3, 0x04030001u, "", " (4.3), kompilacja 1 "}, WindowsCase{7, 1, 0, 1, "", ""}));

TEST(WindowsLineText, KeepsAtMost128CharactersOfTheServicePack) {
    const QString longText = QString(200, QLatin1Char('x'));
    const OsVersionRecord r{kNt, 5, 1, 2600, longText};
    EXPECT_EQ(core::describeWindowsVersion(r),
              QStringLiteral("Windows XP (5.1), kompilacja 2600 ") + QString(128, QLatin1Char('x')));
    // The record's text ends at its first NUL.
    const OsVersionRecord withNul{kNt, 5, 1, 2600,
                                  QStringLiteral("SP2") + QChar(0) + QStringLiteral("rubbish")};
    EXPECT_EQ(core::describeWindowsVersion(withNul), QStringLiteral("Windows XP (5.1), kompilacja 2600 SP2"));
}

TEST(SystemLine, ProductAndKernel) {
    EXPECT_EQ(core::describeSystem(QStringLiteral("Debian GNU/Linux 12 (bookworm)"), QStringLiteral("6.1.0")),
              QStringLiteral("Debian GNU/Linux 12 (bookworm), jądro 6.1.0"));
    EXPECT_EQ(core::describeSystem(QStringLiteral("macOS Sonoma (14.2)"), QString()),
              QStringLiteral("macOS Sonoma (14.2)"));
    EXPECT_EQ(core::describeSystem(QString(), QStringLiteral("6.1.0")), QStringLiteral("jądro 6.1.0"));
#ifndef Q_OS_WIN
    EXPECT_FALSE(core::operatingSystemLine().isEmpty());
#endif
}

TEST(MemoryLine, KilobytesTruncatedWithoutSeparators) {
    const struct {
        std::uint64_t bytes;
        const char* line;
    } cases[] = {{0, "Pamięć fizyczna 0 KB"},
                 {1023, "Pamięć fizyczna 0 KB"},
                 {1024, "Pamięć fizyczna 1 KB"},
                 {2047, "Pamięć fizyczna 1 KB"},
                 {25769803776ull, "Pamięć fizyczna 25165824 KB"},
                 {1234567ull * 1024 + 1023, "Pamięć fizyczna 1234567 KB"}};
    for (const auto& c : cases)
        EXPECT_EQ(core::memoryLine(c.bytes), QString::fromUtf8(c.line)) << c.bytes;
}

TEST(MemoryLine, MeminfoParsing) {
    EXPECT_EQ(core::memTotalFromMeminfo("MemFree:  10 kB\nMemTotal:       24633644 kB\n"),
              std::optional<std::uint64_t>(24633644ull * 1024));
    EXPECT_EQ(core::memTotalFromMeminfo("MemTotal: 4096\n"), std::optional<std::uint64_t>(4096));
    EXPECT_EQ(core::memTotalFromMeminfo("MemFree: 10 kB\n"), std::nullopt);
    EXPECT_EQ(core::memTotalFromMeminfo("MemTotal: lots kB\n"), std::nullopt);
    EXPECT_EQ(core::memTotalFromMeminfo("MemTotal: 5 MB\n"), std::nullopt);
}

TEST(MemoryLine, TheSystemsCallAgreesWithTheKernel) {
    const std::uint64_t bytes = core::physicalMemoryBytes();
    EXPECT_GT(bytes, 0u);
#ifdef Q_OS_LINUX
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    ASSERT_TRUE(meminfo.open(QIODevice::ReadOnly));
    const auto total = core::memTotalFromMeminfo(meminfo.readAll());
    ASSERT_TRUE(total.has_value());
    // Both count the same pages; sysconf rounds down to whole pages.
    EXPECT_LE(bytes, *total);
    EXPECT_GT(bytes + 65536, *total);
#endif
}

} // namespace
