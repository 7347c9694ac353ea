#include "devserviceprocess.h"
#include "service/httptransport.h"
#include "service/multipartformstream.h"
#include "tcprecorder.h"

#include <gtest/gtest.h>

using service::HttpTransport;
using Phase = HttpTransport::Phase;

namespace {

struct Event {
    bool begin;
    Phase phase;
    qint64 bytes;
};

QByteArray versionBody(const QByteArray& padding = {}) {
    service::MultipartFormStream form;
    form.AddFormField("program", "pv");
    if (!padding.isEmpty())
        form.AddFormField("padding", QString::fromLatin1(padding));
    form.CloseForm();
    return form.Body();
}

QByteArray contentTypeOf(const QByteArray& body) {
    // The boundary is the first line after the leading CR LF, without its two hyphens.
    return "multipart/form-data; boundary=" + body.mid(4, body.indexOf("\r\n", 2) - 4);
}

} // namespace

TEST(HttpTransport, SendsExactlyTheServiceClientsRequestOverHttp10) {
    // Through a raw relay, since the emulator's record shows headers as its HTTP library parsed them.
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    TcpRecorder recorder(service.port());
    const QByteArray body = versionBody(QByteArray(5000, 'x'));
    HttpTransport transport;
    const HttpTransport::Result result = transport.Post(
        QString("http://127.0.0.1:%1/ifver.php").arg(recorder.port()), body, contentTypeOf(body));
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
    EXPECT_EQ(lines, (QList<QByteArray>{"Accept: text/html, */*",
                                        "Content-Length: " + QByteArray::number(body.size()),
                                        "Content-Type: " + contentTypeOf(body),
                                        "Host: 127.0.0.1:" + QByteArray::number(recorder.port()),
                                        "User-Agent: Mozilla/3.0 (compatible; Indy Library)"}));
    EXPECT_EQ(sent[0].mid(headEnd + 4), body);
}

TEST(HttpTransport, ReportsEvery128BytesSentAndTheAnswerReceived) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    const QByteArray body = versionBody(QByteArray(1000, 'y'));
    std::vector<Event> events;
    HttpTransport transport;
    transport.SetEvents({[&](Phase p, qint64 n) {
                             events.push_back({true, p, n});
                         },
                         [&](Phase p, qint64 n) {
                             events.push_back({false, p, n});
                         }});
    ASSERT_TRUE(transport.Post(service.baseAddress() + "ifver.php", body, contentTypeOf(body)).ok());

    ASSERT_FALSE(events.empty());
    EXPECT_TRUE(events[0].begin);
    EXPECT_EQ(events[0].phase, Phase::Sending);
    EXPECT_EQ(events[0].bytes, body.size());
    size_t i = 1;
    qint64 expectedDone = 0;
    for (; i < events.size() && events[i].phase == Phase::Sending; ++i) {
        expectedDone = std::min<qint64>(expectedDone + 128, body.size());
        EXPECT_FALSE(events[i].begin);
        EXPECT_EQ(events[i].bytes, expectedDone);
    }
    EXPECT_EQ(expectedDone, body.size());
    ASSERT_LT(i, events.size());
    EXPECT_TRUE(events[i].begin);
    EXPECT_EQ(events[i].phase, Phase::Receiving);
    EXPECT_EQ(events[i].bytes, 16); // "version=1.0.0.0\n"
    EXPECT_EQ(events.back().bytes, 16);
    EXPECT_FALSE(events.back().begin);
}

TEST(HttpTransport, DisconnectFromAnEventEndsThePostWithAnError) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    const QByteArray body = versionBody(QByteArray(100000, 'z'));
    qint64 lastSent = 0;
    HttpTransport transport;
    transport.SetEvents({{}, [&](Phase, qint64 done) {
                             lastSent = done;
                             if (done >= 1024)
                                 transport.Disconnect();
                         }});
    const HttpTransport::Result result =
        transport.Post(service.baseAddress() + "ifver.php", body, contentTypeOf(body));
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(lastSent, 1024);
    // The next call of the same client starts clean.
    transport.SetEvents({});
    EXPECT_TRUE(transport.Post(service.baseAddress() + "ifver.php", body, contentTypeOf(body)).ok());
}

TEST(HttpTransport, ErrorsCarryTheStatusLineOrLibcurlsText) {
    DevServiceProcess failing({"--http-error", "503"});
    ASSERT_TRUE(failing.started());
    const QByteArray body = versionBody();
    HttpTransport transport;
    HttpTransport::Result result =
        transport.Post(failing.baseAddress() + "ifver.php", body, contentTypeOf(body));
    EXPECT_EQ(result.error, "HTTP/1.1 503 Service Unavailable");
    EXPECT_TRUE(result.body.isEmpty());

    result = transport.Post(failing.baseAddress() + "nosuchscript.php", body, contentTypeOf(body));
    EXPECT_EQ(result.error, "HTTP/1.1 404 Not Found");

    const int closed = FreeLoopbackPort();
    result = transport.Post(QString("http://127.0.0.1:%1/ifver.php").arg(closed), body, contentTypeOf(body));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.error.contains("onnect")) << result.error.toStdString();

    DevServiceProcess dropping({"--drop-after", "300"});
    ASSERT_TRUE(dropping.started());
    const QByteArray longBody = versionBody(QByteArray(200000, 'd'));
    result = transport.Post(dropping.baseAddress() + "ifver.php", longBody, contentTypeOf(longBody));
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(result.error.isEmpty());
}
