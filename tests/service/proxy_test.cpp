#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/serviceresponse.h"
#include "service/tthreadlogowanie.h"
#include "service/tthreadwysylanie.h"
#include "tcprecorder.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace service;

namespace {

// tinyproxy with basic authentication on a free loopback port, in the foreground, for one test. Its
// configuration syntax takes no "%" or quotes in a password, so the tests use letters, digits, "." and "-".
class TinyProxy {
public:
    TinyProxy(const QString& user, const QString& password) {
        port_ = FreeLoopbackPort();
        const QString config = dir_.filePath("tinyproxy.conf");
        WriteFile(config, QString("Port %1\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\nAllow 127.0.0.1\n"
                                  "BasicAuth %2 %3\nLogLevel Error\nLogFile \"%4\"\nPidFile \"%5\"\n"
                                  "DisableViaHeader Yes\n")
                              .arg(port_)
                              .arg(user, password, dir_.filePath("log"), dir_.filePath("pid"))
                              .toUtf8());
        process_.start("tinyproxy", {"-d", "-c", config});
        started_ = process_.waitForStarted(10000);
    }
    ~TinyProxy() { StopProcess(process_); }
    // Whether it accepts connections yet (it opens its port a moment after starting).
    static bool installed() { return !QStandardPaths::findExecutable("tinyproxy").isEmpty(); }
    bool ready() const {
        return started_ && QTest::qWaitFor([&] { return CanConnect(port_); }, 10000);
    }
    int port() const { return port_; }

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    bool started_ = false;
};

struct ProxiedUpload {
    QStringList report;
    QList<QByteArray> connections; // what the client sent to the proxy, one entry per connection
};

ProxiedUpload uploadThroughProxy(DevServiceProcess& service, const TinyProxy& proxy, bool basic,
                                 const QString& password) {
    TcpRecorder recorder(proxy.port());
    const ProxySettings settings{true, "127.0.0.1", recorder.port(), "jan", password, basic};
    const ServiceEndpoint direct{service.baseAddress(), {}};
    const ServiceEndpoint proxied{service.baseAddress(), settings};

    RecordingReceiver login;
    RunToEnd(new TThreadLogowanie(&login, direct, {"demo@pixvale.example", "demo", ""}));
    RecordingReceiver receiver;
    RunToEnd(new TThreadWysylanie(
        &receiver, proxied, {{testsupport::corpusFile("canon_s40_II_thumb.jpg")}, login.sessionId, "1", ""}));
    return {receiver.finalReport, recorder.connections()};
}

QByteArray headOf(const QByteArray& request) {
    return request.left(request.indexOf("\r\n\r\n") + 2);
}

const QByteArray kCredentials =
    "Proxy-Authorization: Basic " + QByteArray("jan:tajne.1-x").toBase64() + "\r\n";

// The development service and, in front of it, tinyproxy wanting user "jan" with password "tajne.1-x".
class Proxy : public ::testing::Test {
protected:
    void SetUp() override {
        if (!TinyProxy::installed())
            GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps installs it)";
        ASSERT_TRUE(service.started());
        ASSERT_TRUE(proxy.ready());
    }

    DevServiceProcess service;
    TinyProxy proxy{"jan", "tajne.1-x"};
};

} // namespace

TEST_F(Proxy, BasicAuthenticationGoesWithTheFirstRequest) {
    const ProxiedUpload upload = uploadThroughProxy(service, proxy, true, "tajne.1-x");
    EXPECT_EQ(upload.report, QStringList{QString::fromUtf8("canon_s40_II_thumb.jpg=Wysłano=OK")});
    ASSERT_EQ(upload.connections.size(), 1);
    const QByteArray head = headOf(upload.connections[0]);
    EXPECT_TRUE(head.startsWith("POST " + service.baseAddress().toLatin1() + "ifupload.sphp HTTP/1.0\r\n"))
        << head.constData();
    EXPECT_TRUE(head.contains(kCredentials)) << head.constData();
    QList<QByteArray> names;
    for (const QByteArray& line : head.trimmed().split('\n').mid(1))
        names << line.left(line.indexOf(':'));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (QList<QByteArray>{"Accept", "Content-Length", "Content-Type", "Host",
                                        "Proxy-Authorization", "User-Agent"}));
    QDirIterator stored(service.dataDir(), {"canon_s40_II_thumb.jpg"}, QDir::Files,
                        QDirIterator::Subdirectories);
    ASSERT_TRUE(stored.hasNext());
    EXPECT_EQ(ReadFile(stored.next()), ReadFile(testsupport::corpusFile("canon_s40_II_thumb.jpg")));
}

TEST_F(Proxy, WithoutBasicAuthenticationCredentialsFollowTheDemand) {
    const ProxiedUpload upload = uploadThroughProxy(service, proxy, false, "tajne.1-x");
    EXPECT_EQ(upload.report, QStringList{QString::fromUtf8("canon_s40_II_thumb.jpg=Wysłano=OK")});
    ASSERT_EQ(upload.connections.size(), 2);
    EXPECT_FALSE(headOf(upload.connections[0]).contains("Proxy-Authorization"));
    EXPECT_TRUE(headOf(upload.connections[1]).contains(kCredentials));
    EXPECT_EQ(service.recorded("ifupload.sphp.body").size(), 1);
}

TEST_F(Proxy, WrongPasswordFailsThePhoto) {
    for (const bool basic : {true, false}) {
        const ProxiedUpload upload = uploadThroughProxy(service, proxy, basic, "zle");
        ASSERT_EQ(upload.report.size(), 1);
        EXPECT_EQ(FieldOfLine(upload.report[0], 2), QString::fromUtf8("Błąd podczas wysyłania pliku."))
            << basic;
    }
    EXPECT_TRUE(service.recorded("ifupload.sphp.body").isEmpty());
}
