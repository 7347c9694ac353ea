#include "core/passwordvault.h"

#include <qt6keychain/keychain.h>

#include <QEventLoop>
#include <QSemaphore>
#include <QThread>

#include <functional>
#include <memory>

namespace core {

namespace {

const QString kService = QStringLiteral("PixvaleLink");

struct Outcome {
    QSemaphore done;
    bool ok = false;
    QString text;
    QString error;
};

} // namespace

// Runs the job `make` builds on a new thread with its own event loop and waits up to the time-out for
// it. A job that has not ended by then is left to end on its own; its thread then deletes itself.
std::optional<QString> SystemKeychain::run(const std::function<QKeychain::Job*()>& make) {
    auto outcome = std::make_shared<Outcome>();
    QThread* thread = QThread::create([outcome, make] {
        QEventLoop loop;
        QKeychain::Job* job = make();
        job->setAutoDelete(true);
        QObject::connect(job, &QKeychain::Job::finished, &loop, [&outcome, &loop](QKeychain::Job* j) {
            outcome->ok = j->error() == QKeychain::NoError;
            outcome->error = j->errorString();
            if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(j))
                outcome->text = read->textData();
            loop.quit();
        });
        job->start();
        loop.exec();
        outcome->done.release();
    });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    if (!outcome->done.tryAcquire(1, timeoutMs_)) {
        lastError_ = QStringLiteral("no answer in time");
        return std::nullopt;
    }
    lastError_ = outcome->ok ? QString() : outcome->error;
    if (!outcome->ok)
        return std::nullopt;
    return outcome->text;
}

SystemKeychain::SystemKeychain(int timeoutMs)
    : timeoutMs_(timeoutMs) {}

std::optional<QString> SystemKeychain::read(const QString& key) {
    return run([key] {
        auto* job = new QKeychain::ReadPasswordJob(kService);
        job->setKey(key);
        return job;
    });
}

bool SystemKeychain::write(const QString& key, const QString& value) {
    return run([key, value] {
               auto* job = new QKeychain::WritePasswordJob(kService);
               job->setKey(key);
               job->setTextData(value);
               return job;
           })
        .has_value();
}

} // namespace core
