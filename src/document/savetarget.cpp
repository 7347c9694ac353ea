#include "document/savetarget.h"

#include <QDir>
#include <QFileInfo>

namespace document {

QString JpegSaveTarget(const QString& folder, const QString& name, const QString& ownPath) {
    if (!ownPath.isEmpty()) {
        const QString suffix = QFileInfo(ownPath).suffix().toLower();
        if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
            return QDir::toNativeSeparators(ownPath);
    }
    const QString fileName = name + QStringLiteral(".jpg");
    const QDir dir(folder);
    if (!dir.exists(fileName)) {
        // Compared by hand: a name filter would read "[" and "*" in the name as wildcards.
        for (const QString& other : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
            if (other.compare(fileName, Qt::CaseInsensitive) == 0)
                return QDir::toNativeSeparators(dir.filePath(other));
    }
    return QDir::toNativeSeparators(folder + QLatin1Char('/') + fileName);
}

} // namespace document
