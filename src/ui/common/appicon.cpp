#include "ui/common/appicon.h"

#include "core/datapaths.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#ifndef PIXVALE_APP_ID
#define PIXVALE_APP_ID "com.pixvale.PixvaleLink"
#endif

namespace ui {

QString InstallAppIcon() {
    // Read from the files themselves: without a desktop (or under another icon theme) Qt's theme lookup
    // would not look into hicolor at all.
    const QString name = QStringLiteral(PIXVALE_APP_ID);
    for (const QString& folder : core::iconFolders()) {
        const QString hicolor = folder + QStringLiteral("/hicolor/");
        const QString svg = hicolor + QStringLiteral("scalable/apps/") + name + QStringLiteral(".svg");
        if (!QFileInfo::exists(svg))
            continue;
        QIcon icon(svg);
        for (const QString& size : QDir(hicolor).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString png = hicolor + size + QStringLiteral("/apps/") + name + QStringLiteral(".png");
            if (QFileInfo::exists(png))
                icon.addFile(png);
        }
        QApplication::setWindowIcon(icon);
        return svg;
    }
    return {};
}

} // namespace ui
