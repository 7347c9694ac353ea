#pragma once

// A loopback TCP relay that writes down what clients send before passing it on, so a test can see the
// exact bytes a client sent to a server or a proxy. Serves one connection at a time, on its own thread.
#include <QByteArray>
#include <QList>

#include <atomic>
#include <mutex>
#include <thread>

class TcpRecorder {
public:
    explicit TcpRecorder(int targetPort);
    ~TcpRecorder();

    int port() const { return port_; }
    // What each client connection sent, in order of acceptance.
    QList<QByteArray> connections() const;

private:
    void serve();
    void relay(int client);

    int targetPort_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    QList<QByteArray> sent_;
    std::thread thread_;
};

// A loopback port that was free a moment ago.
int FreeLoopbackPort();

// Whether something accepts connections on that loopback port.
bool CanConnect(int port);
