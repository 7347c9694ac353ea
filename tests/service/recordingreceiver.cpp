#include "recordingreceiver.h"

#include <QPointer>
#include <QTest>
#include <QThread>

bool RunToEnd(QThread* worker, int timeoutMs) {
    const QPointer<QThread> alive(worker);
    worker->start();
    return QTest::qWaitFor([&] { return alive.isNull(); }, timeoutMs);
}
