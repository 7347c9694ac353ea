#pragma once

// A loopback TCP relay that writes down what clients send before passing it on, so a test can see the
// exact bytes a client sent to a proxy (which a proxy never forwards). Runs on its own thread.
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
    void relay(int client, int index);

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
