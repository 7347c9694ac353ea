#pragma once

// Base of the threads that talk to the service: where to send, through which proxy, and to whom the
// results go.
//
// A worker is made on the user-interface thread, started once with start(), and deletes itself when its
// run ends. Every result is handed to the receiver by running one of the receiver's methods by name
// (slots or Q_INVOKABLE methods) on the receiver's thread while the worker waits, so the receiver never
// sees two results at once and the worker never touches a window itself. The receiver must outlive the
// worker unless Detach() was called first (on the receiver's thread, before the receiver dies), and its
// thread must run an event loop (a receiver on the worker's own thread is called directly).
#include "service/httptransport.h"
#include "service/proxysettings.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>

namespace service {

class MultipartFormStream;

struct ServiceEndpoint {
    QString baseAddress; // "http://host/", scripts are appended to it
    ProxySettings proxy;
    QString caFile = {}; // authorities to trust for "https://" instead of the system's store (tests)
};

class ServiceWorker : public QThread {
    Q_OBJECT
public:
    ServiceWorker(QObject* receiver, ServiceEndpoint endpoint);
    ~ServiceWorker() override;

    // Receiver's thread: nothing more reaches the receiver, not even a hand-over already waiting, so a
    // late result of an earlier wizard run cannot change a later one, and the receiver may go. The
    // worker's call is stopped too; the worker ends by itself soon after.
    void Detach() {
        detached_ = true;
        Stop();
    }

    // Any thread: the running call ends within about a second (see HttpTransport), and no further call
    // starts.
    void Stop() { stopped_ = true; }
    bool IsStopped() const { return stopped_; }

protected:
    // One call: posts the closed form to the script on a client of its own, through the proxy if any.
    HttpTransport::Result post(const char* script, const MultipartFormStream& form) const;
    // A client for this worker's calls: its proxy and authorities, stopped by Stop().
    void prepare(HttpTransport& transport) const { transport.StopWhen(&stopped_); }

    // Runs `call` on the receiver's thread and waits until it has returned.
    void handOver(const std::function<void()>& call);

    // Runs the receiver's method `method` with the given arguments (Q_ARG) on the receiver's thread.
    template <typename... Args>
    void deliver(const char* method, Args... args) {
        QObject* receiver = receiver_;
        handOver([=] { QMetaObject::invokeMethod(receiver, method, Qt::DirectConnection, args...); });
    }

    const ServiceEndpoint endpoint_;

private:
    QObject* const receiver_; // touched on the receiver's thread only
    QThread* const receiverThread_;
    // Lives on the receiver's thread as long as the worker: hand-overs are queued to it rather than to
    // the receiver, which may be gone by the time a worker posts.
    QObject* const inbox_;
    std::atomic<bool> detached_{false};
    std::atomic<bool> stopped_{false};
};

} // namespace service
