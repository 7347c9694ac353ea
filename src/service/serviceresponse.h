#pragma once

// The service's answer: lines of key=value text, and the field reader used for album entries and for
// upload report lines. Plain values, usable on any thread.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace service {

class ServiceResponse {
public:
    // Splits at LF only: a CR before the LF stays in the line, and text after the last LF is dropped,
    // because the service always ends its lines and a cut-off line cannot be trusted.
    static ServiceResponse FromBody(const QByteArray& body);

    // The value of the first line whose key (text before its first "=") equals `key` in any letter case;
    // empty when there is none.
    QString Value(const QString& key) const;

    int Count() const { return static_cast<int>(lines_.size()); }
    const QString& Line(int i) const { return lines_.at(i); }
    bool IsEmpty() const { return lines_.isEmpty(); }

private:
    QStringList lines_;
};

// Field `n` (from 0) of a line whose fields are separated by "=" outside double quotes. Quotes toggle
// quoting and are dropped; an "=" inside quotes belongs to the field. Empty when the line is shorter.
QString FieldOfLine(const QString& line, int n);

} // namespace service
