#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/httptransport.h"
#include "service/tthreadwysylanie.h"
#include "testsupport.h"
#include "tinyproxyprocess.h"

#include <chrono>
#include <thread>

using namespace service;

namespace {

// The development service and, in front of it, tinyproxy wanting user "jan" with password "tajne.1-x".
class Proxy : public WithDevService {
protected:
    void SetUp() override {
        if (!TinyproxyProcess::installed())
            GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps installs it)";
        WithDevService::SetUp();
        proxy = std::make_unique<TinyproxyProcess>("jan", "tajne.1-x");
        ASSERT_TRUE(proxy->started());
    }
    void TearDown() override {
        if (proxy && HasFailure())
            proxy->keepForInspection();
    }

    static constexpr int kWorkerWaitMs = 2 * TinyproxyProcess::kTimeoutSeconds * 1000;
    std::unique_ptr<TinyproxyProcess> proxy;
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

bool isQuestionToTheProxy(const QByteArray& request) {
    return request.startsWith("OPTIONS * HTTP/1.0\r\n");
}

// The requests among what a client sent to the proxy, without the bodyless questions it may have put to
// the proxy itself (after a demand for credentials was lost to a reset); those must carry no credentials.
QList<QByteArray> requestsOnly(QList<QByteArray> sent) {
    for (const QByteArray& request : sent) {
        if (isQuestionToTheProxy(request)) {
            EXPECT_FALSE(headOf(request).contains("Proxy-Authorization")) << request.constData();
        }
    }
    sent.removeIf(isQuestionToTheProxy);
    return sent;
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
        TcpRecorder recorder(proxy->port());
        const ServiceEndpoint proxied{service.baseAddress(),
                                      {true, "127.0.0.1", recorder.port(), "jan", c.password, c.basic}};
        RecordingReceiver receiver;
        ASSERT_TRUE(
            RunToEnd(new TThreadWysylanie(&receiver, proxied, {{photo}, session, "1", ""}), kWorkerWaitMs));
        EXPECT_EQ(receiver.finalReport, QStringList{"canon_s40_II_thumb.jpg=" + c.outcome});
        uploads += c.outcome.endsWith("OK");
        EXPECT_EQ(service.bodiesOf("ifupload.sphp").size(), uploads);

        const QList<QByteArray> sent = requestsOnly(recorder.connections());
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

// A proxy wanting credentials answers as soon as it has read a request's head and closes with the body
// unread, which resets the connection. The sender here lingers in each transmission's second piece, so
// the 407 and the reset arrive before libcurl sends that piece: the demand is lost to the reset unless the
// client learns it again. Straight to the proxy, since a relay in between would soften the reset.
TEST_F(Proxy, ADemandLostToAResetIsLearntAgainWithoutABody) {
    using namespace std::chrono_literals;
    using Phase = HttpTransport::Phase;
    struct Case {
        QString password;
        bool delivered;
    };
    const Case cases[] = {
        {"tajne.1-x", true}, {"zle", false}, {"tajne.1-x", true}, {"zle", false}, {"tajne.1-x", true}};
    const QByteArray type = "multipart/form-data; boundary=--b";
    const QByteArray body =
        FormBody("--b", {{"program", "pv"}, {"padding", QByteArray(4 * HttpTransport::kFeed, 'x')}});
    int delivered = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.password.toStdString());
        HttpTransport transport({true, "127.0.0.1", proxy->port(), "jan", c.password, false});
        transport.SetEvents({{}, [](Phase phase, qint64 done) {
                                 if (phase == Phase::Sending &&
                                     done == HttpTransport::kFeed + HttpTransport::kChunk)
                                     std::this_thread::sleep_for(300ms);
                             }});
        const HttpTransport::Result result = transport.Post(service.baseAddress() + "ifver.php", body, type);
        EXPECT_EQ(result.ok(), c.delivered) << result.error.toStdString();
        EXPECT_EQ(result.body, c.delivered ? "version=1.0.0.0\n" : "");
        // Once to the service, or never.
        delivered += c.delivered;
        EXPECT_EQ(service.bodiesOf("ifver.php"), QList<QByteArray>(delivered, body));
    }
    // Per call, what the proxy was asked: the request without credentials, the bodyless question to the
    // proxy itself when that request's 407 was lost, the request with them.
    const QByteArray post = "POST " + service.baseAddress().toLatin1() + "ifver.php HTTP/1.0";
    QList<QByteArray> asked;
    for (const QByteArray& line : proxy->log().split('\n'))
        if (line.contains("]: Request (file descriptor "))
            asked << line.mid(line.indexOf("): ") + 3).trimmed();
    for (std::size_t call = 0; call < std::size(cases); ++call) {
        ASSERT_GE(asked.size(), 2);
        EXPECT_EQ(asked.takeFirst(), post);
        if (asked.first() == "OPTIONS * HTTP/1.0")
            asked.removeFirst();
        EXPECT_EQ(asked.takeFirst(), post);
    }
    EXPECT_TRUE(asked.isEmpty());
}
