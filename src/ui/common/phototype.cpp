#include "ui/common/phototype.h"

namespace ui {

QString photoTypeText(const QString& extension) {
    const QString e = extension.toUpper();
    if (e == QLatin1String(".JPG") || e == QLatin1String(".JPEG"))
        return QStringLiteral("Obraz JPEG");
    if (e == QLatin1String(".TIF") || e == QLatin1String(".TIFF"))
        return QStringLiteral("Obraz TIFF");
    return QStringLiteral("<nieznany>");
}

} // namespace ui
