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
        const bool folder = info.isDir();
        window.SetFolder(QDir::toNativeSeparators(folder ? info.absoluteFilePath() : info.absolutePath()));
        window.Refresh();
        if (!folder) {
            // For a file the folder does not list (not a JPEG or TIFF) findByPath answers the first
            // photo, which the refresh has already made current.
            core::Catalogue& catalogue = window.catalogue();
            catalogue.makeCurrent(catalogue.findByPath(QDir::toNativeSeparators(info.absoluteFilePath())));
        }
        return true;
    }
    return false;
}

} // namespace ui
