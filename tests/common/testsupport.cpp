#include "testsupport.h"

#include <QDir>
#include <QFile>

namespace testsupport {

QString corpusDir() {
    const QString fromEnv = qEnvironmentVariable("PIXVALE_CORPUS");
    return fromEnv.isEmpty() ? QDir::cleanPath(QStringLiteral(PIXVALE_CORPUS_DIR)) : fromEnv;
}

QString corpusFile(const QString& name) {
    return corpusDir() + QLatin1Char('/') + name;
}

QString binaryDir() {
    return QStringLiteral(PIXVALE_BINARY_DIR);
}

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace testsupport
