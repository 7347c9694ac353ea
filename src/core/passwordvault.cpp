#include "core/passwordvault.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
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

// qtkeychain runs its jobs one at a time through a queue that lives on the thread of the first job and
// hears of a job's end through a queued signal. On a thread that has ended it never hears, and every job
// after the second waits forever. So all jobs run on this one thread, which lives until the program ends.
QObject* keychainThread() {
    static QObject* context = [] {
        auto* thread = new QThread;
        thread->setObjectName(QStringLiteral("keychain"));
        auto* object = new QObject;
        object->moveToThread(thread);
        thread->start();
        qAddPostRoutine([] {
            context->thread()->quit();
            context->thread()->wait(1000);
        });
        return object;
    }();
    return context;
}

} // namespace

// Runs the job `make` builds on the keychain thread and waits up to the time-out for it. A job that has
// not ended by then is left to end on its own.
std::optional<QString> SystemKeychain::run(const std::function<QKeychain::Job*()>& make) {
    auto outcome = std::make_shared<Outcome>();
    QMetaObject::invokeMethod(keychainThread(), [outcome, make] {
        QKeychain::Job* job = make();
        job->setAutoDelete(true);
        QObject::connect(job, &QKeychain::Job::finished, job, [outcome](QKeychain::Job* j) {
            outcome->ok = j->error() == QKeychain::NoError;
            outcome->error = j->errorString();
            if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(j))
                outcome->text = read->textData();
            outcome->done.release();
        });
        job->start();
    });
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
