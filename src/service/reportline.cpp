#include "service/reportline.h"

#include "service/serviceoutcomes.h"

#include <QFileInfo>

namespace service {

QString FileNameOf(const QString& filePath) {
    return QFileInfo(filePath).fileName();
}

QString ReportLine(const QString& filePath, const QString& status, const QString& description) {
    // A double quote (legal in a file name outside Windows) would switch quoting on when the line is read
    // back and swallow the fields after it; FieldOfLine can never return one, so it becomes an apostrophe.
    QString name = FileNameOf(filePath).replace(QLatin1Char('"'), QLatin1Char('\''));
    // An "=" in a file name would shift the fields when the line is read back; quotes keep it whole.
    if (name.contains(QLatin1Char('=')))
        name = QLatin1Char('"') + name + QLatin1Char('"');
    return name + QLatin1Char('=') + status + QLatin1Char('=') + description;
}

QString InitialReportLine(const QString& filePath) {
    return ReportLine(filePath, kNotSent, QString());
}

} // namespace service
