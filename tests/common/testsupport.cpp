#include "testsupport.h"

#include <QDir>

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

} // namespace testsupport
