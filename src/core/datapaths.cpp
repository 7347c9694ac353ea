#include "core/datapaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef PIXVALE_DATA_FROM_BIN
#define PIXVALE_DATA_FROM_BIN "../share/pixvalelink"
#endif

namespace core {

QStringList dataFolders(const QString& programFolder) {
    const QString own = QDir::cleanPath(QDir(programFolder).absolutePath());
    const QString installed = QDir::cleanPath(own + QLatin1Char('/') + QStringLiteral(PIXVALE_DATA_FROM_BIN));
    if (installed == own)
        return {own};
    return {own, installed};
}

QStringList dataFolders() {
    return dataFolders(QCoreApplication::applicationDirPath());
}

QStringList iconFolders(const QString& programFolder) {
    QStringList folders = dataFolders(programFolder);
    folders[0] += QStringLiteral("/icons");
    for (qsizetype i = 1; i < folders.size(); ++i)
        folders[i] = QDir::cleanPath(folders[i] + QStringLiteral("/../icons"));
    return folders;
}

QStringList iconFolders() {
    return iconFolders(QCoreApplication::applicationDirPath());
}

QString findDataFile(const QString& relative, const QStringList& folders) {
    for (const QString& folder : folders) {
        const QString path = folder + QLatin1Char('/') + relative;
        if (QFileInfo::exists(path))
            return path;
    }
    return folders.isEmpty() ? relative : folders.first() + QLatin1Char('/') + relative;
}

QString findDataFile(const QString& relative) {
    return findDataFile(relative, dataFolders());
}

QString helpIndexName(bool windows) {
    return windows ? QStringLiteral("pomoc/PixvaleLink.chm") : QStringLiteral("pomoc/index.html");
}

QString helpIndexPath() {
#ifdef Q_OS_WIN
    constexpr bool windows = true;
#else
    constexpr bool windows = false;
#endif
    return QDir::toNativeSeparators(findDataFile(helpIndexName(windows)));
}

} // namespace core
