#include "core/localsettings.h"

#include "core/codec.h"
#include "core/datapaths.h"
#include "core/obfuscation.h"
#include "core/settings.h"

#include <QFile>
#include <QRegularExpression>

namespace core {

namespace {

// A few lines are expected; anything this large is not our file.
constexpr qint64 kMaxFileSize = 1 << 20;

// The value of the first line whose name matches (names ignore case); blanks around it are dropped,
// since a blank address or identifier means nothing.
QString valueOf(const QStringList& lines, QStringView name) {
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals >= 0 && QStringView(line).left(equals).compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1).trimmed();
    }
    return {};
}

} // namespace

LocalSettings readLocalSettings(const QString& path) {
    LocalSettings result{builtInServiceBase(), QString()};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return result;
    QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxFileSize)
        return result;

    // An editor may have saved it as UTF-8 with a byte-order mark; otherwise it is the ANSI code page.
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(bytes.mid(3));
    else
        text = fromWindows1250(bytes);
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.split(lineBreak);

    const QString host = valueOf(lines, u"host");
    if (!host.isEmpty())
        result.serviceBase = host;
    result.clientId = Decode(kObfuscationKey, valueOf(lines, u"client_id"));
    return result;
}

QString localSettingsPath() {
    return findDataFile(QStringLiteral("settings"));
}

} // namespace core
