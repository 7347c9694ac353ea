#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/httptransport.h"
#include "service/tthreadlogowanie.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using service::HttpTransport;
using service::ServiceEndpoint;
using service::TThreadLogowanie;
using Phase = HttpTransport::Phase;

namespace {

// Posts a version call, `padding` bytes longer, with `transport` to the emulator or to `base`.
class Transport : public WithDevService {
protected:
    HttpTransport::Result post(qint64 padding, const QString& base = {}) {
        body = FormBody("--b", {{"program", "pv"}, {"padding", QByteArray(padding, 'x')}});
        return transport.Post((base.isEmpty() ? service.baseAddress() : base) + "ifver.php", body, kType);
    }

    const QByteArray kType = "multipart/form-data; boundary=--b";
    QByteArray body;
    HttpTransport transport;
};

} // namespace

TEST_F(Transport, SendsExactlyTheServiceClientsRequestOverHttp10) {
    // Through a raw relay, since the emulator's record shows headers as its HTTP library parsed them.
    TcpRecorder recorder(service.port());
    const QString relay = QString("http://127.0.0.1:%1/").arg(recorder.port());
    const HttpTransport::Result result = post(5000, relay);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.body, "version=1.0.0.0\n");

    const QList<QByteArray> sent = recorder.connections();
    ASSERT_EQ(sent.size(), 1);
    const qsizetype headEnd = sent[0].indexOf("\r\n\r\n");
    QList<QByteArray> lines = sent[0].left(headEnd).split('\n');
    for (QByteArray& line : lines)
        line = line.trimmed();
    EXPECT_EQ(lines.takeFirst(), "POST /ifver.php HTTP/1.0");
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (QList<QByteArray>{
                         "Accept: text/html, */*", "Content-Length: " + QByteArray::number(body.size()),
                         "Content-Type: " + kType, "Host: 127.0.0.1:" + QByteArray::number(recorder.port()),
                         "User-Agent: Mozilla/3.0 (compatible; Indy Library)"}));
    EXPECT_EQ(sent[0].mid(headEnd + 4), body);
}

TEST_F(Transport, ReportsEvery128BytesSentAndTheAnswerReceived) {
    std::vector<std::tuple<bool, Phase, qint64>> events; // begin?, phase, bytes
    transport.SetEvents({[&](Phase p, qint64 n) { events.emplace_back(true, p, n); },
                         [&](Phase p, qint64 n) { events.emplace_back(false, p, n); }});
    ASSERT_TRUE(post(1000).ok());

    decltype(events) expected{{true, Phase::Sending, body.size()}};
    for (qint64 done = 128; done < body.size(); done += 128)
        expected.emplace_back(false, Phase::Sending, done);
    expected.emplace_back(false, Phase::Sending, body.size());
    expected.emplace_back(true, Phase::Receiving, 16); // "version=1.0.0.0\n"
    expected.emplace_back(false, Phase::Receiving, 16);
    EXPECT_EQ(events, expected);
}

TEST_F(Transport, DisconnectFromAnEventEndsThePostWithAnError) {
    qint64 lastSent = 0;
    transport.SetEvents({{}, [&](Phase, qint64 done) {
                             lastSent = done;
                             if (done >= 1024)
                                 transport.Disconnect();
                         }});
    const HttpTransport::Result result = post(100000);
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(lastSent, 1024);
    // The next call of the same client starts clean.
    transport.SetEvents({});
    EXPECT_TRUE(post(100000).ok());
}

TEST(HttpTransport, ErrorsCarryTheStatusLineOrLibcurlsText) {
    DevServiceProcess failing({"--http-error", "503"});
    ASSERT_TRUE(failing.started());
    HttpTransport transport;
    HttpTransport::Result result = transport.Post(failing.baseAddress() + "ifver.php", "x", "text/plain");
    EXPECT_EQ(result.error, "HTTP/1.1 503 Service Unavailable");
    EXPECT_TRUE(result.body.isEmpty());

    // A body over the service's limit is read to its end and refused, so the client sees the answer.
    DevServiceProcess limited({"--max-body", "100000"});
    ASSERT_TRUE(limited.started());
    EXPECT_TRUE(
        transport.Post(limited.baseAddress() + "ifver.php", QByteArray(100000, 'x'), "text/plain").ok());
    result = transport.Post(limited.baseAddress() + "ifver.php", QByteArray(100001, 'x'), "text/plain");
    EXPECT_EQ(result.error, "HTTP/1.1 413 Payload Too Large");

    result = transport.Post(Unreachable().baseAddress + "ifver.php", "x", "text/plain");
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains("onnect")) << result.error.toStdString();
}

TEST(HttpTransport, HttpsOnlyWithAVouchedCertificateForTheHost) {
    QTemporaryDir dir;
    ASSERT_TRUE(MakeTestCertificates(dir.path()));
    DevServiceProcess service(
        {"--tls-cert", dir.filePath("server.pem"), "--tls-key", dir.filePath("server.key")});
    ASSERT_TRUE(service.started());
    const QString untrusted = QString::fromUtf8("Nie można potwierdzić tożsamości serwera: ");
    struct Case {
        QString host;
        QString caFile;  // empty: the system's store
        QString outcome; // the body, or the start of the error
    };
    const Case cases[] = {
        {"127.0.0.1", dir.filePath("ca.pem"), "version=1.0.0.0\n"},
        // The system does not know the tests' authority.
        {"127.0.0.1", {}, untrusted},
        // The certificate names 127.0.0.1 only.
        {"localhost", dir.filePath("ca.pem"), untrusted},
        {"127.0.0.1", dir.filePath("missing.pem"),
         QString::fromUtf8("Nie można odczytać certyfikatów zaufanych urzędów")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.host + " " + c.caFile).toStdString());
        HttpTransport transport({}, c.caFile);
        const QString address = QString("https://%1:%2/ifver.php").arg(c.host).arg(service.port());
        const HttpTransport::Result result = transport.Post(address, "x", "text/plain");
        EXPECT_EQ(result.ok() ? QString::fromLatin1(result.body) : result.error.left(c.outcome.size()),
                  c.outcome)
            << result.error.toStdString();
    }

    // The workers hand the authorities to their transport, and the service's pages follow its scheme.
    RecordingReceiver receiver;
    const ServiceEndpoint endpoint{
        QString("https://127.0.0.1:%1/").arg(service.port()), {}, dir.filePath("ca.pem")};
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, endpoint, {"demo@pixvale.example", "demo", ""})));
    EXPECT_EQ(receiver.calls, QStringList{"LoginSucceeded"});
    EXPECT_TRUE(receiver.orderUrl.startsWith(endpoint.baseAddress + "ifincoming.php?sessid="));
}

namespace {

// A Post() of `size` bytes on a thread of its own, so the test can stop it from outside whatever the
// connection does, as the window does.
struct PostInBackground {
    HttpTransport transport;
    std::atomic<bool> stop{false};
    std::atomic<qint64> lastEventMs{-1};
    std::atomic<bool> done{false};
    QElapsedTimer clock;
    HttpTransport::Result result;
    std::thread thread;

    void start(const QString& url, qint64 size, std::function<void(qint64)> onWork = {}) {
        transport.StopWhen(&stop);
        transport.SetEvents({{}, [this, onWork](Phase, qint64 sent) {
                                 lastEventMs = clock.elapsed();
                                 if (onWork)
                                     onWork(sent);
                             }});
        clock.start();
        thread = std::thread([this, url, size] {
            result = transport.Post(url, QByteArray(size, 'x'), "text/plain");
            done = true;
        });
    }
    bool finish(int timeoutMs) {
        const bool inTime = QTest::qWaitFor([&] { return done.load(); }, timeoutMs);
        if (!inTime)
            stop = true; // lets the thread end before the test does
        thread.join();
        return inTime;
    }
};

} // namespace

// The emulator's two silent faults crossed with the moments a stop can come: it ends the call within
// about a second (plus the answer's grace once the body has left), and only a body that left whole
// leaves the outcome unknown.
TEST(HttpTransport, AStopEndsTheCallSoonWhateverTheServerDoes) {
    enum class Moment { WhileSending, WhenNothingMoves };
    struct Fault {
        QStringList switches;
        bool bodyLeavesWhole;
    };
    const Fault faults[] = {{{"--silent"}, true}, {{"--stall-after", "100000"}, false}};
    const qint64 bound = HttpTransport::kAnswerGrace.count() + 2000;
    for (const Fault& fault : faults) {
        DevServiceProcess service(fault.switches);
        ASSERT_TRUE(service.started());
        for (const Moment moment : {Moment::WhileSending, Moment::WhenNothingMoves}) {
            SCOPED_TRACE(fault.switches.join(' ').toStdString() +
                         (moment == Moment::WhileSending ? " sending" : " idle"));
            PostInBackground post;
            std::atomic<qint64> stoppedAt{-1};
            post.start(service.baseAddress() + "ifver.php", 3000000, [&](qint64 sent) {
                if (moment == Moment::WhileSending && sent >= 4096 && stoppedAt < 0) {
                    stoppedAt = post.clock.elapsed();
                    post.stop = true;
                }
            });
            if (moment == Moment::WhenNothingMoves) {
                ASSERT_TRUE(QTest::qWaitFor(
                    [&] { return post.lastEventMs >= 0 && post.clock.elapsed() - post.lastEventMs > 700; },
                    20000));
                stoppedAt = post.clock.elapsed();
                post.stop = true;
            }
            ASSERT_TRUE(post.finish(30000)) << "the stop did not end the call";
            EXPECT_LT(post.clock.elapsed() - stoppedAt, bound);
            EXPECT_FALSE(post.result.ok());
            EXPECT_EQ(post.result.answerMissing, moment == Moment::WhenNothingMoves && fault.bodyLeavesWhole);
        }
    }
}

TEST(HttpTransport, AConnectionOnWhichNothingMovesEndsWithTheProgramsMessage) {
    using namespace std::chrono_literals;
    struct Case {
        QStringList switches;
        bool ok;
        bool answerMissing;
    };
    // A slow reader keeps bytes moving: slower than the time-out in all, yet never idle that long.
    const Case cases[] = {{{"--silent"}, false, true},
                          {{"--stall-after", "100000"}, false, false},
                          {{"--slow-reader", "300000"}, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switches.join(' ').toStdString());
        DevServiceProcess service(c.switches);
        ASSERT_TRUE(service.started());
        PostInBackground post;
        post.transport.SetIdleTimeout(1500ms);
        post.start(service.baseAddress() + "ifver.php", 900000);
        ASSERT_TRUE(post.finish(30000));
        EXPECT_EQ(post.result.ok(), c.ok) << post.result.error.toStdString();
        if (!c.ok) {
            EXPECT_EQ(post.result.error, QString::fromUtf8("Serwer nie odpowiada: przez 2 s połączeniem nie "
                                                           "przeszedł ani jeden bajt."));
        }
        EXPECT_EQ(post.result.answerMissing, c.answerMissing);
    }
    EXPECT_EQ(HttpTransport::IdleText(HttpTransport::kIdleTimeout).contains(" 60 s "), true);
}
