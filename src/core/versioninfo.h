#pragma once

// Version information of the program: the version text "major.minor.release.build" and the named
// values of its version resource, fixed when the program is built. Any thread.
#include <QString>
#include <QStringList>

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

} // namespace core
