#pragma once

// tinyproxy on a free loopback port, wanting Basic authentication from one user, for the tests that send
// through a proxy. Its configuration syntax takes no "%" or quotes in a password: use letters, digits, "."
// and "-".
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class TinyproxyProcess {
public:
    // How long tinyproxy waits on a stalled exchange; callers wait about twice as long, so a stall shows
    // as tinyproxy's doing, not as a test that gave up first.
    static constexpr int kTimeoutSeconds = 15;

    static bool installed();
    // Starts it and waits until its port accepts connections. `via` makes it add its "Via" header to
    // what it passes on, so the server sees which requests came through it.
    TinyproxyProcess(const QString& user, const QString& password, bool via = false);
    ~TinyproxyProcess();

    bool started() const { return started_; }
    int port() const { return port_; }
    QByteArray log() const;
    // Keeps the folder with the configuration and the log, and prints the log: for a failed test.
    void keepForInspection();

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    bool started_ = false;
};
