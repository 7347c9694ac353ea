#include "core/versioninfo.h"

#include <buildconfig.h>

#include <array>

namespace core {

namespace {

constexpr std::array<const char*, TVerInfoRes::NameCount> kNames = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments"};

} // namespace

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
