#include "core/versioninfo.h"

#include <buildconfig.h>

#include <QFile>
#include <QSysInfo>

#include <array>
#include <initializer_list>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_MACOS)
#include <sys/sysctl.h>
#include <sys/types.h>
#else
#include <unistd.h>
#endif

namespace core {

namespace {

constexpr std::array<const char*, TVerInfoRes::NameCount> kNames = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};

// Puts the numbers into the "%d" places of a pattern, in order, as the system's formatting does.
QString formatNumbers(const QString& pattern, std::initializer_list<std::uint32_t> numbers) {
    QString out = pattern;
    qsizetype from = 0;
    for (const std::uint32_t n : numbers) {
        const qsizetype at = out.indexOf(QLatin1String("%d"), from);
        if (at < 0)
            break;
        const QString digits = QString::number(n);
        out.replace(at, 2, digits);
        from = at + digits.size();
    }
    return out;
}

// The name part of a Windows version ("Windows XP (%d.%d)"), empty for one the table does not know.
QString windowsName(const OsVersionRecord& r) {
    if (r.platform == OsVersionRecord::WindowsNtFamily) {
        if (r.major <= 4)
            return QStringLiteral("Windows NT (%d.%d)");
        if (r.major == 5 && r.minor == 0)
            return QStringLiteral("Windows 2000 (%d.%d)");
        if (r.major == 5 && r.minor == 1)
            return QStringLiteral("Windows XP (%d.%d)");
        if (r.major == 5 && r.minor == 2)
            return QStringLiteral("Windows .NET Server (%d.%d) ");
        return {};
    }
    if (r.major == 4 && r.minor == 0)
        return QStringLiteral("Windows 95");
    if (r.major == 4 && r.minor == 10)
        return QStringLiteral("Windows 98");
    if (r.major == 4 && r.minor == 90)
        return QStringLiteral("Windows Me");
    return {};
}

#if defined(Q_OS_WIN)
OsVersionRecord currentWindowsRecord() {
    // RtlGetVersion tells the truth; GetVersionEx answers what the program's manifest claims to support.
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    OsVersionRecord r;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto get =
        ntdll
            ? reinterpret_cast<RtlGetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
            : nullptr;
    if (get && get(&info) == 0) {
        r.platform = static_cast<int>(info.dwPlatformId);
        r.major = info.dwMajorVersion;
        r.minor = info.dwMinorVersion;
        r.build = info.dwBuildNumber;
        r.servicePack = QString::fromWCharArray(info.szCSDVersion);
    }
    return r;
}
#endif

} // namespace

QString describeWindowsVersion(const OsVersionRecord& record) {
    if (record.platform == OsVersionRecord::Win32s)
        return QStringLiteral("Windows 3.x + Win32s");
    if (record.platform != OsVersionRecord::WindowsNtFamily &&
        record.platform != OsVersionRecord::Windows95Family)
        return {};
    // The record's text is a fixed array of 128 characters; anything past its end is not part of it.
    QString servicePack = record.servicePack.left(128);
    if (const qsizetype nul = servicePack.indexOf(QChar(0)); nul >= 0)
        servicePack.truncate(nul);
    const QString name = windowsName(record);
    if (record.platform == OsVersionRecord::Windows95Family) {
        // This family keeps its version in the high half of the build number.
        return formatNumbers(name + QStringLiteral(" (%d.%d), kompilacja %d ") + servicePack,
                             {record.major, record.minor, record.build & 0xFFFFu});
    }
    if (name.isEmpty()) // the build number is the only number the line has room for
        return formatNumbers(QStringLiteral(", kompilacja %d ") + servicePack, {record.build});
    return formatNumbers(name + QStringLiteral(", kompilacja %d ") + servicePack,
                         {record.major, record.minor, record.build});
}

QString describeSystem(const QString& productName, const QString& kernelVersion) {
    if (kernelVersion.isEmpty())
        return productName;
    if (productName.isEmpty())
        return QStringLiteral("jądro ") + kernelVersion;
    return productName + QStringLiteral(", jądro ") + kernelVersion;
}

QString operatingSystemLine() {
#if defined(Q_OS_WIN)
    return describeWindowsVersion(currentWindowsRecord());
#else
    return describeSystem(QSysInfo::prettyProductName(), QSysInfo::kernelVersion());
#endif
}

QString memoryLine(std::uint64_t bytes) {
    return QStringLiteral("Pamięć fizyczna ") + QString::number(bytes / 1024) + QStringLiteral(" KB");
}

std::optional<std::uint64_t> memTotalFromMeminfo(const QByteArray& meminfo) {
    for (const QByteArray& line : meminfo.split('\n')) {
        if (!line.startsWith("MemTotal:"))
            continue;
        const QList<QByteArray> fields = line.mid(9).simplified().split(' ');
        bool ok = false;
        const std::uint64_t value = fields.value(0).toULongLong(&ok);
        if (!ok)
            return std::nullopt;
        // The kernel writes "kB" and means units of 1024 bytes.
        const QByteArray unit = fields.value(1).toLower();
        return unit.isEmpty() ? value : unit == "kb" ? value * 1024 : std::optional<std::uint64_t>{};
    }
    return std::nullopt;
}

std::uint64_t physicalMemoryBytes() {
#if defined(Q_OS_WIN)
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
#elif defined(Q_OS_MACOS)
    std::uint64_t bytes = 0;
    std::size_t size = sizeof(bytes);
    return sysctlbyname("hw.memsize", &bytes, &size, nullptr, 0) == 0 ? bytes : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly))
        return 0;
    return memTotalFromMeminfo(meminfo.readAll()).value_or(0);
#endif
}

QString TVerInfoRes::fileVersion() const {
    return QString::asprintf("%d.%d.%d.%d", build::kVersionMajor, build::kVersionMinor, build::kVersionPatch,
                             build::kVersionBuild);
}

QString TVerInfoRes::value(int index) const {
    switch (index) {
    case CompanyName:
        return QStringLiteral("Pixvale");
    case FileDescription:
    case InternalName:
    case ProductName:
        return QStringLiteral("PixvaleLink");
    case FileVersion:
    case ProductVersion:
        return fileVersion();
    case LegalCopyright:
        return QStringLiteral("Copyright © 2026 Pixvale");
    case OriginalFilename:
#ifdef Q_OS_WIN
        return QStringLiteral("pixvalelink.exe");
#else
        return QStringLiteral("pixvalelink");
#endif
    default:
        return {};
    }
}

QString TVerInfoRes::valueName(int index) {
    if (index < 0 || index >= NameCount)
        return {};
    return QString::fromLatin1(kNames[static_cast<std::size_t>(index)]);
}

QStringList TVerInfoRes::remarks() const {
#ifdef NDEBUG
    return {};
#else
    return {QStringLiteral("Wersja testowa")};
#endif
}

} // namespace core
