#include "service/serviceworker.h"

#include "service/multipartformstream.h"

namespace service {

ServiceWorker::ServiceWorker(QObject* receiver, ServiceEndpoint endpoint)
    : endpoint_(std::move(endpoint))
    , receiver_(receiver) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

HttpTransport::Result ServiceWorker::post(const char* script, const MultipartFormStream& form) const {
    HttpTransport transport(endpoint_.proxy, endpoint_.caFile);
    return transport.Post(endpoint_.baseAddress + QLatin1String(script), form.Body(),
                          form.RequestContentType());
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
