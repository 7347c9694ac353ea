#include "service/reportline.h"

#include "service/serviceoutcomes.h"

#include <QFileInfo>

namespace service {

QString FileNameOf(const QString& filePath) {
    return QFileInfo(filePath).fileName();
}

QString ReportLine(const QString& filePath, const QString& status, const QString& description) {
    return FileNameOf(filePath) + QLatin1Char('=') + status + QLatin1Char('=') + description;
}

QString InitialReportLine(const QString& filePath) {
    return ReportLine(filePath, kNotSent, QString());
}

} // namespace service
