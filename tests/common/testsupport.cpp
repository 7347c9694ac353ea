#include "testsupport.h"

#include <algorithm>
#include <memory>

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

QString TempFolder::write(const QString& name, const QByteArray& content) const {
    const QString target = path(name);
    return WriteFile(target, content) ? target : QString();
}

void ThreadRecorder::note() {
    const bool onUi = QThread::currentThread() == QCoreApplication::instance()->thread();
    QMutexLocker lock(&mutex_);
    onUi_.push_back(onUi);
}

int ThreadRecorder::count() const {
    QMutexLocker lock(&mutex_);
    return int(onUi_.size());
}

bool ThreadRecorder::allOnUi() const {
    QMutexLocker lock(&mutex_);
    return !onUi_.empty() && std::all_of(onUi_.begin(), onUi_.end(), [](bool b) { return b; });
}

bool ThreadRecorder::noneOnUi() const {
    QMutexLocker lock(&mutex_);
    return !onUi_.empty() && std::none_of(onUi_.begin(), onUi_.end(), [](bool b) { return b; });
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool deliverQueued(const QObject* context, int timeoutMs) {
    auto ran = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        const_cast<QObject*>(context), [ran] { *ran = true; }, Qt::QueuedConnection);
    return waitUntil([ran] { return *ran; }, timeoutMs);
}

} // namespace testsupport
