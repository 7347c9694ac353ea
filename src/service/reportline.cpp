#include "service/reportline.h"

#include "service/serviceoutcomes.h"

#include <QFileInfo>

namespace service {

QString FileNameOf(const QString& filePath) {
    return QFileInfo(filePath).fileName();
}

QString ReportLine(const QString& filePath, const QString& status, const QString& description) {
    QString name = FileNameOf(filePath);
    // An "=" in a file name would shift the fields when the line is read back; quotes keep it whole.
    if (name.contains(QLatin1Char('=')))
        name = QLatin1Char('"') + name + QLatin1Char('"');
    return name + QLatin1Char('=') + status + QLatin1Char('=') + description;
}

QString InitialReportLine(const QString& filePath) {
    return ReportLine(filePath, kNotSent, QString());
}

} // namespace service
