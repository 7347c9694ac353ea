#pragma once

// One line of the upload report: file name without its folder, "=", status word, "=", description.
// Read back with FieldOfLine: 0 name, 1 status word, 2 description. A name holding "=" is quoted so
// that it reads back whole; a double quote in a name becomes an apostrophe.
#include <QString>

namespace service {

QString ReportLine(const QString& filePath, const QString& status, const QString& description);

// The line every file starts with, before it is sent: not sent, no description.
QString InitialReportLine(const QString& filePath);

// The name without its folder, by the platform's separators.
QString FileNameOf(const QString& filePath);

} // namespace service
