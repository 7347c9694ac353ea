// The HTTP client of the service calls against the development service and tinyproxy.
#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/httptransport.h"
#include "service/tthreadlogowanie.h"

#include <future>

using namespace service;
using namespace std::chrono_literals;
using Phase = HttpTransport::Phase;

const QByteArray kType = "multipart/form-data; boundary=--b";
const QByteArray kBody =
    FormBody("--b", {{"program", "pv"}, {"padding", QByteArray(4 * HttpTransport::kFeed, 'x')}});

using Transport = WithDevService;

TEST_F(Transport, SendsExactlyTheServiceClientsRequestReportingEvery128Bytes) {
    HttpTransport transport;
    std::vector<std::tuple<bool, Phase, qint64>> events; // begin?, phase, bytes
    transport.SetEvents({[&](Phase p, qint64 n) { events.emplace_back(true, p, n); },
                         [&](Phase p, qint64 n) { events.emplace_back(false, p, n); }});
    const auto result = transport.Post(service.baseAddress() + "ifver.php", kBody, kType);
    EXPECT_EQ(result.body, "version=1.0.0.0\n") << result.error.toStdString();
    // The service records the headers sorted by name.
    EXPECT_EQ(service.bodiesOf("ifver.php", "head").value(0),
              "POST /ifver.php HTTP/1.0\r\nAccept: text/html, */*\r\nContent-Length: " +
                  QByteArray::number(kBody.size()) + "\r\nContent-Type: " + kType +
                  "\r\nHost: 127.0.0.1:" + QByteArray::number(service.port()) +
                  "\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n");
    EXPECT_EQ(service.bodiesOf("ifver.php").value(0), kBody);
    decltype(events) expected{{true, Phase::Sending, kBody.size()}};
    for (qint64 done = 128; done < kBody.size(); done += 128)
        expected.emplace_back(false, Phase::Sending, done);
    expected.emplace_back(false, Phase::Sending, kBody.size());
    expected.emplace_back(true, Phase::Receiving, 16);
    expected.emplace_back(false, Phase::Receiving, 16);
    EXPECT_EQ(events, expected);

    // Disconnect() from an event ends that call at once; the next call starts clean.
    transport.SetEvents({{}, [&](Phase, qint64 done) {
                             ASSERT_LE(done, 1024);
                             if (done == 1024)
                                 transport.Disconnect();
                         }});
    EXPECT_FALSE(transport.Post(service.baseAddress() + "ifver.php", kBody, kType).ok());
    transport.SetEvents({});
    EXPECT_TRUE(transport.Post(service.baseAddress() + "ifver.php", kBody, kType).ok());
}

TEST(HttpTransport, ErrorsCarryTheStatusLineOrLibcurlsText) {
    DevServiceProcess failing({"--http-error", "503"}), limited({"--max-body", "100000"});
    HttpTransport transport;
    const auto error = [&](const DevServiceProcess& service, qint64 size) {
        const auto result =
            transport.Post(service.baseAddress() + "ifver.php", QByteArray(size, 'x'), "text/plain");
        return result.body + result.error.toLatin1();
    };
    EXPECT_EQ(error(failing, 1), "HTTP/1.1 503 Service Unavailable");
    // A body over the service's limit is read to its end and refused, so the client sees the answer.
    EXPECT_EQ(error(limited, 100000), "version=1.0.0.0\n");
    EXPECT_EQ(error(limited, 100001), "HTTP/1.1 413 Payload Too Large");
    EXPECT_TRUE(transport.Post(Unreachable().baseAddress, "x", "text/plain").error.contains("onnect"));
}

TEST(HttpTransport, HttpsOnlyWithAVouchedCertificateForTheHost) {
    testsupport::TempFolder dir;
    ASSERT_TRUE(MakeTestCertificates(dir.dir.path()));
    DevServiceProcess service({"--tls-cert", dir.path("server.pem"), "--tls-key", dir.path("server.key")});
    const QString untrusted = QString::fromUtf8("Nie można potwierdzić tożsamości serwera: ");
    const std::tuple<QString, QString, QString> cases[] = {
        // host, authorities (none: the system's), outcome
        {"127.0.0.1", dir.path("ca.pem"), "version=1.0.0.0\n"},
        {"127.0.0.1", {}, untrusted},
        {"localhost", dir.path("ca.pem"), untrusted}, // the certificate names 127.0.0.1 only
        {"127.0.0.1", dir.path("none.pem"),
         QString::fromUtf8("Nie można odczytać certyfikatów zaufanych urzędów")}};
    for (const auto& [host, caFile, outcome] : cases) {
        HttpTransport transport({}, caFile);
        const auto result =
            transport.Post(QString("https://%1:%2/ifver.php").arg(host).arg(service.port()), "x", "t/p");
        EXPECT_EQ(result.ok() ? QString(result.body) : result.error.left(outcome.size()), outcome)
            << host.toStdString();
    }
    // The workers hand the authorities to their transport, and the service's pages follow its scheme.
    RecordingReceiver receiver;
    const ServiceEndpoint endpoint{
        QString("https://127.0.0.1:%1/").arg(service.port()), {}, dir.path("ca.pem")};
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, endpoint, {"demo@pixvale.example", "demo", ""})));
    EXPECT_TRUE(receiver.orderUrl.startsWith(endpoint.baseAddress + "ifincoming.php?sessid="));
}

// The emulator's silent faults crossed with the moments a stop can come, and with no stop at all: a stop
// ends the call within about a second (plus the answer's grace once the body has left), a connection on
// which nothing moves for the idle limit ends with the program's message, and only a body that left
// whole leaves the outcome unknown. A slow reader keeps bytes moving: slower than the limit in all, yet
// never idle that long.
TEST(HttpTransport, StopsAndIdleConnectionsEndTheCallWhateverTheServerDoes) {
    enum Moment { WhileSending, WhenNothingMoves, Never };
    const std::pair<QStringList, bool> faults[] = {
        {{"--silent"}, true}, {{"--stall-after", "100000"}, false}, {{"--slow-reader", "900000"}, false}};
    for (const auto& [switches, bodyLeavesWhole] : faults) {
        DevServiceProcess service(switches);
        const bool slow = switches[0] == "--slow-reader";
        for (const Moment moment :
             slow ? std::vector{Never} : std::vector{WhileSending, WhenNothingMoves, Never}) {
            SCOPED_TRACE(switches.join(' ').toStdString() + " " + std::to_string(moment));
            HttpTransport transport;
            std::atomic<bool> stop{false};
            std::atomic<qint64> lastEventMs{-1}, stoppedAt{-1};
            QElapsedTimer clock;
            transport.StopWhen(&stop);
            if (moment == Never)
                transport.SetIdleTimeout(500ms);
            transport.SetEvents({{}, [&](Phase, qint64 sent) {
                                     lastEventMs = clock.elapsed();
                                     if (moment == WhileSending && sent >= 4096 && stoppedAt < 0)
                                         stoppedAt = clock.elapsed(), stop = true;
                                 }});
            clock.start();
            // On a thread of its own, so the test can stop it from outside whatever the connection does, as
            // the window does.
            auto call = std::async(std::launch::async, [&] {
                return transport.Post(service.baseAddress() + "ifver.php", QByteArray(900000, 'x'), "t/p");
            });
            if (moment == WhenNothingMoves) { // libcurl waits on the connection, not inside one of our calls
                EXPECT_TRUE(testsupport::waitUntil(
                    [&] { return lastEventMs >= 0 && clock.elapsed() - lastEventMs > 200; }, 20000));
                stoppedAt = clock.elapsed(), stop = true;
            }
            const bool ended = call.wait_for(30s) == std::future_status::ready;
            stop = true; // lets the call end before the test does
            ASSERT_TRUE(ended) << "the call did not end";
            const HttpTransport::Result result = call.get();
            if (moment != Never) {
                EXPECT_LT(clock.elapsed() - stoppedAt, HttpTransport::kAnswerGrace.count() + 2000);
            }
            EXPECT_EQ(result.ok(), slow) << result.error.toStdString();
            if (moment == Never && !slow) {
                EXPECT_EQ(result.error, HttpTransport::IdleText(500ms));
            }
            EXPECT_EQ(result.answerMissing, moment != WhileSending && bodyLeavesWhole);
        }
    }
    // Whole seconds, rounded up.
    EXPECT_EQ(HttpTransport::IdleText(500ms),
              QString::fromUtf8("Serwer nie odpowiada: przez 1 s połączeniem nie przeszedł ani jeden bajt."));
    EXPECT_TRUE(HttpTransport::IdleText(HttpTransport::kIdleTimeout).contains(" 60 s "));
}

// The development service and, in front of it, tinyproxy wanting user "jan" with password "tajne.1-x"
// (its configuration takes no "%" or quotes in a password). It gives up on a stalled exchange after 15 s,
// so a stall shows as its doing, not as a test that gave up first.
class Proxy : public WithDevService {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("tinyproxy").isEmpty())
            GTEST_SKIP() << "tinyproxy is not installed (scripts/install-deps installs it)";
        WithDevService::SetUp();
        const QString config =
            dir.write("tinyproxy.conf", QString("Port %1\nListen 127.0.0.1\nTimeout 15\nMaxClients 20\n"
                                                "Allow 127.0.0.1\nBasicAuth jan tajne.1-x\nLogLevel Info\n"
                                                "LogFile \"%2\"\nPidFile \"%3\"\nDisableViaHeader Yes\n")
                                            .arg(port)
                                            .arg(dir.path("log"), dir.path("pid"))
                                            .toUtf8());
        proxy.start("tinyproxy", {"-d", "-c", config});
        // It opens its port a moment after starting.
        ASSERT_TRUE(proxy.waitForStarted(10000) &&
                    QTest::qWaitFor([this] { return CanConnect(port); }, 10000));
    }
    void TearDown() override { StopProcess(proxy); }
    HttpTransport::Result post(const ProxySettings& settings, qint64 lingerAt = -1) {
        HttpTransport transport(settings);
        transport.SetEvents({{}, [lingerAt](Phase phase, qint64 done) {
                                 if (phase == Phase::Sending && done == lingerAt)
                                     std::this_thread::sleep_for(300ms);
                             }});
        return transport.Post(service.baseAddress() + "ifver.php", kBody, kType);
    }
    // The request lines the proxy was asked, bodyless questions to the proxy itself apart.
    QList<QByteArray> asked(qsizetype* options = nullptr) {
        QList<QByteArray> lines;
        for (const QByteArray& line : ReadFile(dir.path("log")).split('\n'))
            if (line.contains("]: Request (file descriptor "))
                lines << line.mid(line.indexOf("): ") + 3).trimmed();
        const qsizetype removed = lines.removeAll("OPTIONS * HTTP/1.0");
        if (options)
            *options = removed;
        return lines;
    }
    QByteArray request() const { return "POST " + service.baseAddress().toLatin1() + "ifver.php HTTP/1.0"; }
    testsupport::TempFolder dir;
    QProcess proxy;
    const int port = FreeLoopbackPort();
};

TEST_F(Proxy, CredentialsGoUnaskedOnlyWithBasicAuthentication) {
    // The user chose the proxy: variables that would let libcurl go around it must change nothing.
    qputenv("no_proxy", "127.0.0.1");
    int delivered = 0;
    qsizetype requests = 0;
    for (const auto& [basic, password] :
         {std::pair<bool, QString>{true, "tajne.1-x"}, {false, "tajne.1-x"}, {true, "zle"}, {false, "zle"}}) {
        SCOPED_TRACE(QString("basic %1, password %2").arg(basic).arg(password).toStdString());
        const bool ok = password == "tajne.1-x";
        EXPECT_EQ(post({true, "127.0.0.1", port, "jan", password, basic}).ok(), ok);
        EXPECT_EQ(service.bodiesOf("ifver.php").size(), delivered += ok);
        // Without Basic the first request goes without credentials, and the proxy's 407 asks for them.
        EXPECT_EQ(asked().size() - requests, basic ? 1 : 2);
        requests = asked().size();
    }
    EXPECT_EQ(asked(), QList<QByteArray>(6, request()));
    qunsetenv("no_proxy");
    // What a proxy receives with Basic on: the service client's headers and the credentials, nothing else.
    int fake = 0;
    std::future<QByteArray> received = AnswerOnce(&fake, "HTTP/1.0 200 OK\r\n\r\nversion=1.0.0.0\n");
    EXPECT_EQ(post({true, "127.0.0.1", fake, "jan", "tajne.1-x", true}).body, "version=1.0.0.0\n");
    const QByteArray sent = received.get();
    QList<QByteArray> head = sent.left(sent.indexOf("\r\n\r\n")).split('\n');
    for (QByteArray& line : head)
        line = line.trimmed();
    std::sort(head.begin() + 1, head.end());
    EXPECT_EQ(head.join('\n'),
              (QList<QByteArray>{
                  request(), "Accept: text/html, */*", "Content-Length: " + QByteArray::number(kBody.size()),
                  "Content-Type: " + kType, "Host: 127.0.0.1:" + QByteArray::number(service.port()),
                  "Proxy-Authorization: Basic " + QByteArray("jan:tajne.1-x").toBase64(),
                  "User-Agent: Mozilla/3.0 (compatible; Indy Library)"}
                   .join('\n')));
    EXPECT_TRUE(sent.endsWith(kBody));
}

// A proxy wanting credentials answers as soon as it has read a request's head and closes with the body
// unread, which resets the connection. The sender here lingers in the body's second piece, so the 407 and
// the reset come before libcurl sends that piece: the demand is lost, and the client must learn it again
// with a bodyless question to the proxy itself. Straight to the proxy: a relay would soften the reset.
TEST_F(Proxy, ADemandLostToAResetIsLearntAgainWithoutABody) {
    int delivered = 0;
    for (const auto& [password, ok] :
         {std::pair<QString, bool>{"tajne.1-x", true}, {"zle", false}, {"tajne.1-x", true}}) {
        const auto result = post({true, "127.0.0.1", port, "jan", password, false},
                                 HttpTransport::kFeed + HttpTransport::kChunk);
        EXPECT_EQ(result.body, ok ? "version=1.0.0.0\n" : "") << result.error.toStdString();
        delivered += ok; // once to the service, or never
        EXPECT_EQ(service.bodiesOf("ifver.php"), QList<QByteArray>(delivered, kBody));
    }
    // Per call, what the proxy was asked: the request without credentials, the bodyless question when that
    // request's 407 was lost, the request with them. The loss must have happened, or nothing was tested.
    qsizetype options = 0;
    EXPECT_EQ(asked(&options), QList<QByteArray>(6, request()));
    EXPECT_GE(options, 1) << "no demand was lost to a reset";
}
