#include "service/serviceworker.h"

namespace service {

ServiceWorker::ServiceWorker(QObject* receiver, ServiceEndpoint endpoint)
    : endpoint_(std::move(endpoint))
    , receiver_(receiver) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void ServiceWorker::handOver(const std::function<void()>& call) {
    if (detached_ || receiver_ == nullptr)
        return;
    const auto guarded = [this, &call] {
        if (!detached_)
            call();
    };
    if (QThread::currentThread() == receiver_->thread())
        guarded();
    else
        QMetaObject::invokeMethod(receiver_, guarded, Qt::BlockingQueuedConnection);
}

} // namespace service
