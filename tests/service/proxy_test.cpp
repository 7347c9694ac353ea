#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/tthreadwysylanie.h"
#include "testsupport.h"

#include <QStandardPaths>

using namespace service;

namespace {

// The development service and, in front of it, tinyproxy wanting user "jan" with password "tajne.1-x".
// Its configuration syntax takes no "%" or quotes in a password, so the tests use letters, digits, "." and
// "-".
class Proxy : public WithDevService {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("tinyproxy").isEmpty())
            GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps installs it)";
        WithDevService::SetUp();
        const QString config = dir.filePath("tinyproxy.conf");
        // Its time-out is half the test's wait for a worker, so a stalled exchange shows as tinyproxy's
        // doing, not as a test that gave up first.
        WriteFile(config, QString("Port %1\nListen 127.0.0.1\nTimeout %4\nMaxClients 20\nAllow 127.0.0.1\n"
                                  "BasicAuth jan tajne.1-x\nLogLevel Info\nLogFile \"%2\"\nPidFile \"%3\"\n"
                                  "DisableViaHeader Yes\n")
                              .arg(port)
                              .arg(dir.filePath("log"), dir.filePath("pid"))
                              .arg(kProxyTimeoutSeconds)
                              .toUtf8());
        tinyproxy.start("tinyproxy", {"-d", "-c", config});
        // It opens its port a moment after starting.
        ASSERT_TRUE(tinyproxy.waitForStarted(10000) &&
                    QTest::qWaitFor([&] { return CanConnect(port); }, 10000));
    }
    void TearDown() override {
        StopProcess(tinyproxy);
        if (HasFailure()) {
            dir.setAutoRemove(false);
            std::fprintf(stderr, "tinyproxy's log, kept in %s:\n%s\n", qPrintable(dir.path()),
                         ReadFile(dir.filePath("log")).constData());
        }
    }
    ~Proxy() override { StopProcess(tinyproxy); }

    static constexpr int kProxyTimeoutSeconds = 15;
    static constexpr int kWorkerWaitMs = 30000;
    const int port = FreeLoopbackPort();
    QTemporaryDir dir;
    QProcess tinyproxy;
};

// Sets environment variables for one scope and puts back what was there.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const QList<std::pair<const char*, QByteArray>>& values) {
        for (const auto& [name, value] : values) {
            saved_.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
            qputenv(name, value);
        }
    }
    ~ScopedEnvironment() {
        for (const Saved& s : saved_)
            s.wasSet ? qputenv(s.name, s.value) : qunsetenv(s.name);
    }

private:
    struct Saved {
        const char* name;
        QByteArray value;
        bool wasSet;
    };
    QList<Saved> saved_;
};

QByteArray headOf(const QByteArray& request) {
    return request.left(request.indexOf("\r\n\r\n") + 2);
}

} // namespace

TEST_F(Proxy, CredentialsGoUnaskedOnlyWithBasicAuthentication) {
    struct Case {
        bool basic;
        QString password;
        int connections; // from the client to the proxy
        QString outcome;
    };
    const Case cases[] = {
        {true, "tajne.1-x", 1, QString::fromUtf8("Wysłano=OK")},
        {false, "tajne.1-x", 2, QString::fromUtf8("Wysłano=OK")},
        {true, "zle", 1, QString::fromUtf8("Niewysłano=Błąd podczas wysyłania pliku.")},
        {false, "zle", 2, QString::fromUtf8("Niewysłano=Błąd podczas wysyłania pliku.")},
    };
    const QString photo = testsupport::corpusFile("canon_s40_II_thumb.jpg");
    const QString session = LogIn(service);
    // The user chose the proxy: variables that would let libcurl go around it must change nothing.
    const ScopedEnvironment bypass({{"no_proxy", "127.0.0.1"}, {"NO_PROXY", "127.0.0.1"}});
    int uploads = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("basic %1, password %2").arg(c.basic).arg(c.password).toStdString());
        TcpRecorder recorder(port);
        const ServiceEndpoint proxied{service.baseAddress(),
                                      {true, "127.0.0.1", recorder.port(), "jan", c.password, c.basic}};
        RecordingReceiver receiver;
        ASSERT_TRUE(
            RunToEnd(new TThreadWysylanie(&receiver, proxied, {{photo}, session, "1", ""}), kWorkerWaitMs));
        EXPECT_EQ(receiver.finalReport, QStringList{"canon_s40_II_thumb.jpg=" + c.outcome});
        uploads += c.outcome.endsWith("OK");
        EXPECT_EQ(service.bodiesOf("ifupload.sphp").size(), uploads);

        const QList<QByteArray> sent = recorder.connections();
        ASSERT_EQ(sent.size(), c.connections);
        EXPECT_EQ(headOf(sent.first()).contains("Proxy-Authorization"), c.basic);
        const QByteArray head = headOf(sent.last());
        EXPECT_TRUE(
            head.startsWith("POST " + service.baseAddress().toLatin1() + "ifupload.sphp HTTP/1.0\r\n"))
            << head.constData();
        EXPECT_TRUE(head.contains("Proxy-Authorization: Basic " +
                                  ("jan:" + c.password.toLatin1()).toBase64() + "\r\n"))
            << head.constData();
        QList<QByteArray> names;
        for (const QByteArray& line : head.trimmed().split('\n').mid(1))
            names << line.left(line.indexOf(':'));
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (QList<QByteArray>{"Accept", "Content-Length", "Content-Type", "Host",
                                            "Proxy-Authorization", "User-Agent"}));
    }
    EXPECT_EQ(service.stored().value("canon_s40_II_thumb.jpg"), ReadFile(photo));
}
