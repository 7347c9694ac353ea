#include "ui/main/openpaths.h"

#include "ui/main/tfoglowny.h"

#include <QDir>
#include <QFileInfo>

namespace ui {

bool OpenPaths(TfoGlowny& window, const QStringList& paths) {
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        // For a file the folder does not list (not a JPEG or TIFF) the folder's first photo is shown.
        if (info.isDir())
            window.OpenFolder(QDir::toNativeSeparators(info.absoluteFilePath()), QString());
        else
            window.OpenFolder(QDir::toNativeSeparators(info.absolutePath()),
                              QDir::toNativeSeparators(info.absoluteFilePath()));
        return true;
    }
    return false;
}

} // namespace ui
