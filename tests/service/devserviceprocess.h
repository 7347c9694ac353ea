#pragma once

// What the service tests stand on: the development service started for one test, and small helpers.
#include "service/serviceworker.h"
#include "testsupport.h"

#include <future>

using testsupport::ReadFile;
using testsupport::WriteFile;

// pixvale-devservice on a free loopback port, with its own data and record folders.
class DevServiceProcess {
public:
    // `config` is the text of a configuration file; empty means the demo account.
    explicit DevServiceProcess(const QStringList& switches = {}, const QByteArray& config = {});
    ~DevServiceProcess();

    bool started() const { return port_ > 0; }
    // Ends the service now: every connection it holds dies without an answer.
    void Stop();
    int port() const { return port_; }
    QString baseAddress() const { return QString("http://127.0.0.1:%1/").arg(port_); }
    service::ServiceEndpoint endpoint() const { return {baseAddress(), {}}; }
    QString scratch(const QString& name) const { return dir_.filePath(name); }
    // The recorded request bodies (or, as "head", request lines and headers sorted by name) of `script`,
    // in arrival order.
    QList<QByteArray> bodiesOf(const QString& script, const QString& part = "body") const;
    // The photos the service has stored, by file name.
    QMap<QString, QByteArray> stored() const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// For tests of the service as it starts by default.
class WithDevService : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.started()); }
    DevServiceProcess service;
};

// A server on a free loopback port (`port`) that takes one request and answers it with `answer`; the
// future holds what the client sent, empty when no client came within ten seconds.
std::future<QByteArray> AnswerOnce(int* port, const QByteArray& answer);
// A loopback port that was free a moment ago, and whether something accepts connections on one.
int FreeLoopbackPort();
bool CanConnect(int port);
// Where nothing listens.
service::ServiceEndpoint Unreachable();
// The session of the demo account, empty when the login failed.
QString LogIn(const DevServiceProcess& service);
// A closed form body of text fields with that boundary.
QByteArray FormBody(const QByteArray& boundary, const QList<std::pair<QByteArray, QByteArray>>& fields);
// A small generated JPEG padded to `size` bytes (never less).
QByteArray JpegOfSize(qint64 size);
// Asks a program to end, and makes sure it has.
void StopProcess(QProcess& process);
// In `dir`: a certificate authority "ca.pem" and, signed by it, "server.pem" with its key "server.key"
// for the address 127.0.0.1 only (any other name, "localhost" included, does not match). Made with the
// openssl program; false when that fails.
bool MakeTestCertificates(const QString& dir);
