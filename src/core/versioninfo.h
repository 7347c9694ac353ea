#pragma once

// Version information of the program: the version text "major.minor.release.build" and the named
// values of its version resource, fixed when the program is built; and the two lines of the about window
// that describe the machine: the operating system and the physical memory. Any thread.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace core {

class TVerInfoRes {
public:
    // Named values, by index.
    enum Name {
        CompanyName,
        FileDescription,
        FileVersion,
        InternalName,
        LegalCopyright,
        LegalTrademarks,
        OriginalFilename,
        ProductName,
        ProductVersion,
        Comments,
        NameCount
    };

    // "%d.%d.%d.%d": the text the version check compares with the service's answer.
    QString fileVersion() const;
    // The value of a name; empty for a name the program does not carry or an index out of range.
    QString value(int index) const;
    // The resource name of an index ("CompanyName", ...); empty out of range.
    static QString valueName(int index);
    // Remarks about the kind of build ("Wersja testowa" for a debug build).
    QStringList remarks() const;
};

// What Windows tells about its own version (the fields of its version record that matter here).
struct OsVersionRecord {
    enum Platform { Win32s = 0, Windows95Family = 1, WindowsNtFamily = 2 };
    int platform = WindowsNtFamily;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    QString servicePack; // the record's additional text, e.g. "Service Pack 3"
};

// The operating-system line of the about window for a Windows version record: "Windows XP (5.1),
// kompilacja 2600 Service Pack 3" and so on. A version the table does not name gets no name part.
QString describeWindowsVersion(const OsVersionRecord& record);

// The operating-system line elsewhere: "Debian GNU/Linux 12 (bookworm), jądro 6.1.0".
QString describeSystem(const QString& productName, const QString& kernelVersion);

// The operating-system line of this machine.
QString operatingSystemLine();

// "Pamięć fizyczna " + kilobytes (bytes / 1024, truncated, no thousands separators) + " KB".
QString memoryLine(std::uint64_t bytes);

// Total physical memory in bytes from the system; 0 when the system cannot tell.
std::uint64_t physicalMemoryBytes();

// The "MemTotal:" line of Linux's /proc/meminfo, in bytes; nothing when the text has no such line.
std::optional<std::uint64_t> memTotalFromMeminfo(const QByteArray& meminfo);

} // namespace core
