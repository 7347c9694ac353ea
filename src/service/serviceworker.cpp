#include "service/serviceworker.h"

#include "service/multipartformstream.h"

namespace service {

ServiceWorker::ServiceWorker(QObject* receiver, ServiceEndpoint endpoint)
    : endpoint_(std::move(endpoint))
    , receiver_(receiver)
    , receiverThread_(receiver != nullptr ? receiver->thread() : nullptr)
    , inbox_(new QObject) {
    if (receiverThread_ != nullptr)
        inbox_->moveToThread(receiverThread_);
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

ServiceWorker::~ServiceWorker() {
    inbox_->deleteLater();
}

HttpTransport::Result ServiceWorker::post(const char* script, const MultipartFormStream& form) const {
    HttpTransport transport(endpoint_.proxy, endpoint_.caFile);
    prepare(transport);
    return transport.Post(endpoint_.baseAddress + QLatin1String(script), form.Body(),
                          form.RequestContentType());
}

void ServiceWorker::handOver(const std::function<void()>& call) {
    if (detached_ || receiverThread_ == nullptr)
        return;
    // Detach() runs on the receiver's thread, so this test there cannot race with it.
    const auto guarded = [this, &call] {
        if (!detached_)
            call();
    };
    if (QThread::currentThread() == receiverThread_)
        guarded();
    else
        QMetaObject::invokeMethod(inbox_, guarded, Qt::BlockingQueuedConnection);
}

} // namespace service
