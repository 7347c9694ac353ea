#include "ui/common/textfit.h"

#include <QDir>

namespace ui {

namespace {

const QString kEllipsis = QStringLiteral("...");

// Length of the root: "C:\" (or "C:"), "\\server\share\", or a single leading separator.
qsizetype rootLength(const QString& path, QChar separator) {
    if (path.size() >= 2 && path[1] == u':' && path[0].isLetter())
        return (path.size() >= 3 && path[2] == separator) ? 3 : 2;
    if (path.startsWith(QString(2, separator))) {
        qsizetype end = path.indexOf(separator, 2);            // after the server
        end = end < 0 ? -1 : path.indexOf(separator, end + 1); // after the share
        return end < 0 ? path.size() : end + 1;
    }
    return path.startsWith(separator) ? 1 : 0;
}

} // namespace

QString fitText(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    QString shortened = text;
    while (!shortened.isEmpty()) {
        // Never split a surrogate pair: drop the whole character.
        const bool pair = shortened.size() >= 2 && shortened.back().isLowSurrogate() &&
                          shortened[shortened.size() - 2].isHighSurrogate();
        shortened.chop(pair ? 2 : 1);
        shortened = shortened.trimmed();
        const QString candidate = shortened + kEllipsis;
        if (metrics.horizontalAdvance(candidate) <= width)
            return candidate;
    }
    return kEllipsis;
}

QString fitPath(const QString& path, const QFontMetrics& metrics, int width) {
    return fitPath(QDir::toNativeSeparators(path), metrics, width, QDir::separator());
}

QString fitPath(const QString& path, const QFontMetrics& metrics, int width, QChar separator) {
    QString native = path;
    native.replace(u'/', separator);
    if (metrics.horizontalAdvance(native) <= width)
        return native;
    const qsizetype root = rootLength(native, separator);
    const QString prefix = native.left(root) + kEllipsis + separator;
    QStringList parts = native.mid(root).split(separator);
    const QString fileName = parts.takeLast();
    for (qsizetype dropped = 1; dropped < parts.size(); ++dropped) {
        const QString candidate = prefix + parts.mid(dropped).join(separator) + separator + fileName;
        if (metrics.horizontalAdvance(candidate) <= width)
            return candidate;
    }
    return prefix + fileName;
}

QString lastPathComponent(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(QDir::separator()));
    return path.mid(cut + 1);
}

} // namespace ui
