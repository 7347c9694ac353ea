#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/tthreadalbumy.h"
#include "service/tthreadlogowanie.h"
#include "service/tthreadnowawersja.h"
#include "tcprecorder.h"

#include <gtest/gtest.h>

using namespace service;

namespace {

ServiceEndpoint endpointOf(const DevServiceProcess& service) {
    return {service.baseAddress(), {}};
}

ServiceEndpoint unreachable() {
    return {QString("http://127.0.0.1:%1/").arg(FreeLoopbackPort()), {}};
}

TThreadLogowanie::Inputs demoLogin(const QString& password = "demo") {
    return {"demo@pixvale.example", password, ""};
}

QString loginAnd(const DevServiceProcess& service, RecordingReceiver& receiver) {
    EXPECT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, endpointOf(service), demoLogin())));
    return receiver.sessionId;
}

} // namespace

TEST(TThreadLogowanie, SucceedsWithSessionAndPages) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    RecordingReceiver receiver;
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, endpointOf(service), demoLogin())));
    EXPECT_EQ(receiver.calls, QStringList{"LoginSucceeded"});
    EXPECT_FALSE(receiver.sessionId.isEmpty());
    EXPECT_EQ(receiver.orderUrl, service.baseAddress() + "ifincoming.php?sessid=" + receiver.sessionId);
    EXPECT_EQ(receiver.editUrl, receiver.orderUrl);
}

TEST(TThreadLogowanie, FailureTexts) {
    struct Case {
        QStringList switches;
        QString password;
        QString error;
    };
    const Case cases[] = {
        {{}, "wrong", QString::fromUtf8("Błąd podczas logowania. \n\rNiepoprawny login lub hasło.")},
        {{"--login-without-sessid"},
         "demo",
         QString::fromUtf8("Nieznany błąd podczas logowania.\n\rStatus: 001")},
        {{"--crlf"}, "demo", "Nieznana odpowiedz podczas logowania.\n\rMessage: 001\r"},
        {{"--http-error", "500"},
         "demo",
         QString::fromUtf8("Błąd podczas nawiązywania połączenia: HTTP/1.1 500 Internal Server Error")},
    };
    for (const Case& c : cases) {
        DevServiceProcess service(c.switches);
        ASSERT_TRUE(service.started());
        RecordingReceiver receiver;
        ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, endpointOf(service), demoLogin(c.password))));
        EXPECT_EQ(receiver.calls, QStringList{"ShowServiceError"}) << c.switches.join(' ').toStdString();
        EXPECT_EQ(receiver.error, c.error) << c.switches.join(' ').toStdString();
    }
}

TEST(TThreadLogowanie, UnknownStatusFromTheService) {
    DevServiceProcess service({}, {}, "ifloguj.php", "message=001\nstatus=104\nsessid=abc\n");
    ASSERT_TRUE(service.started());
    RecordingReceiver receiver;
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, endpointOf(service), demoLogin())));
    EXPECT_EQ(receiver.calls, QStringList{"ShowServiceError"});
    EXPECT_EQ(receiver.error, QString::fromUtf8("Nieznany błąd podczas logowania.\n\rStatus: 104"));
}

TEST(TThreadLogowanie, RefusedConnectionIsOneErrorOnly) {
    RecordingReceiver receiver;
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, unreachable(), demoLogin())));
    EXPECT_EQ(receiver.calls, QStringList{"ShowServiceError"});
    EXPECT_TRUE(receiver.error.startsWith(QString::fromUtf8("Błąd podczas nawiązywania połączenia: ")));
    EXPECT_GT(receiver.error.size(), 40);
}

TEST(TThreadLogowanie, SendsFieldsAsWindows1250AndClientIdOnlyWhenGiven) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    RecordingReceiver receiver;
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, endpointOf(service),
                                              {QString::fromUtf8("żaba@x.pl"), "50%\"q\"", "K1"})));
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, endpointOf(service), {"a", "b", ""})));
    const QStringList bodies = service.recorded(".body");
    ASSERT_EQ(bodies.size(), 2);
    const QByteArray first = ReadFile(bodies[0]);
    EXPECT_TRUE(first.contains("name=\"login\"\r\n\r\n\xbf"
                               "aba@x.pl\r\n"));
    EXPECT_TRUE(first.contains("name=\"password\"\r\n\r\n50%\"q\"\r\n"));
    EXPECT_TRUE(first.contains("name=\"client_id\"\r\n\r\nK1\r\n"));
    EXPECT_FALSE(ReadFile(bodies[1]).contains("client_id"));
}

TEST(TThreadAlbumy, DeliversTheAccountsAlbums) {
    DevServiceProcess service({}, "account demo@pixvale.example demo\n"
                                  "album demo@pixvale.example 7 Lato\n"
                                  "album demo@pixvale.example 12 A=B\n"
                                  "album demo@pixvale.example 13 Zima w Łodzi\n");
    ASSERT_TRUE(service.started());
    RecordingReceiver receiver;
    const QString session = loginAnd(service, receiver);
    ASSERT_TRUE(RunToEnd(new TThreadAlbumy(&receiver, endpointOf(service), session)));
    EXPECT_EQ(receiver.calls.last(), "AlbumsArrived");
    EXPECT_EQ(receiver.albumCount, 3);
    EXPECT_EQ(receiver.albumIds, (QStringList{"7", "12", "13"}));
    EXPECT_EQ(receiver.albumNames, (QStringList{"Lato", "A=B", QString::fromUtf8("Zima w Łodzi")}));
}

TEST(TThreadAlbumy, NoAlbumsAndUnknownSessionGiveAnEmptyList) {
    DevServiceProcess service({}, "account demo@pixvale.example demo\n");
    ASSERT_TRUE(service.started());
    for (const bool loggedIn : {true, false}) {
        RecordingReceiver receiver;
        const QString session = loggedIn ? loginAnd(service, receiver) : QString("nosuchsession");
        receiver.calls.clear();
        ASSERT_TRUE(RunToEnd(new TThreadAlbumy(&receiver, endpointOf(service), session)));
        EXPECT_EQ(receiver.calls, QStringList{"AlbumsArrived"});
        EXPECT_EQ(receiver.albumCount, 0);
        EXPECT_TRUE(receiver.albumNames.isEmpty());
        EXPECT_TRUE(receiver.albumIds.isEmpty());
    }
}

TEST(TThreadAlbumy, UnpairedLastLineIsIgnored) {
    DevServiceProcess service({}, {}, "ifalbum.php",
                              "message=002\nstatus=002\nid=\"7\"\nname=\"Lato\"\nid=\"8\"\n");
    ASSERT_TRUE(service.started());
    RecordingReceiver receiver;
    ASSERT_TRUE(RunToEnd(new TThreadAlbumy(&receiver, endpointOf(service), "s")));
    EXPECT_EQ(receiver.albumCount, 1);
    EXPECT_EQ(receiver.albumIds, QStringList{"7"});
    EXPECT_EQ(receiver.albumNames, QStringList{"Lato"});
}

TEST(TThreadAlbumy, ErrorsAndEmptyAnswers) {
    RecordingReceiver refused;
    ASSERT_TRUE(RunToEnd(new TThreadAlbumy(&refused, unreachable(), "s")));
    EXPECT_EQ(refused.calls, QStringList{"ShowServiceError"});
    EXPECT_TRUE(refused.error.startsWith(QString::fromUtf8("Nie można pobrać listy albumów. ")));

    // An answer without any line end has no lines: nothing at all is delivered.
    DevServiceProcess service({}, {}, "ifalbum.php", "message=002");
    ASSERT_TRUE(service.started());
    RecordingReceiver silent;
    ASSERT_TRUE(RunToEnd(new TThreadAlbumy(&silent, endpointOf(service), "s")));
    EXPECT_TRUE(silent.calls.isEmpty()) << silent.calls.join(',').toStdString();

    // Losing only the last line still delivers, an empty list.
    DevServiceProcess cut({"--no-final-lf"});
    ASSERT_TRUE(cut.started());
    RecordingReceiver empty;
    ASSERT_TRUE(RunToEnd(new TThreadAlbumy(&empty, endpointOf(cut), "s")));
    EXPECT_EQ(empty.calls, QStringList{"AlbumsArrived"});
    EXPECT_EQ(empty.albumCount, 0);
}

TEST(TThreadNowaWersja, Outcomes) {
    struct Case {
        QStringList switches;
        QByteArray config;
        bool manual;
        QStringList calls;
        QString url;
    };
    const QByteArray newer = "account a b\nversion 1.0.3.3\ndownload_url http://d.example/get\n";
    const QByteArray older = "account a b\nversion 0.9.0.0\n";
    const Case cases[] = {
        {{}, newer, false, {"NewVersionAvailable"}, "http://d.example/get"},
        {{}, older, true, {"NewVersionAvailable"}, ""},
        {{}, "", true, {"NoNewVersion"}, ""},
        {{}, "", false, {}, ""},
        {{"--crlf"}, "", false, {"NewVersionAvailable"}, ""},
        {{"--http-error", "502"}, "", true, {"RestoreDefaultCursor"}, ""},
        {{"--http-error", "502"}, "", false, {}, ""},
    };
    for (const Case& c : cases) {
        DevServiceProcess service(c.switches, c.config);
        ASSERT_TRUE(service.started());
        RecordingReceiver receiver;
        // The emulator answers with the version this build carries.
        ASSERT_TRUE(
            RunToEnd(new TThreadNowaWersja(&receiver, endpointOf(service), {"1.0.0.0", "", c.manual})));
        EXPECT_EQ(receiver.calls, c.calls) << c.config.toStdString() << c.switches.join(' ').toStdString();
        EXPECT_EQ(receiver.downloadUrl, c.url);
    }
    RecordingReceiver receiver;
    ASSERT_TRUE(RunToEnd(new TThreadNowaWersja(&receiver, unreachable(), {"1.0.0.0", "", true})));
    EXPECT_EQ(receiver.calls, QStringList{"RestoreDefaultCursor"});
}

TEST(TThreadNowaWersja, SendsTheProgramAndTheClientOnlyWhenKnown) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    RecordingReceiver receiver;
    ASSERT_TRUE(RunToEnd(new TThreadNowaWersja(&receiver, endpointOf(service), {"1.0.0.0", "K9", false})));
    ASSERT_TRUE(RunToEnd(new TThreadNowaWersja(&receiver, endpointOf(service), {"1.0.0.0", "", false})));
    const QStringList bodies = service.recorded("ifver.php.body");
    ASSERT_EQ(bodies.size(), 2);
    const QByteArray first = ReadFile(bodies[0]);
    const QByteArray boundary = first.mid(4, 42);
    const auto part = [&](const QByteArray& name, const QByteArray& value) {
        return "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
               value;
    };
    EXPECT_EQ(first, part("program", "pv") + part("client_id", "K9") + "\r\n--" + boundary + "--\r\n");
    EXPECT_FALSE(ReadFile(bodies[1]).contains("client_id"));
}

TEST(ServiceWorker, DetachedWorkerHandsNothingOver) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    RecordingReceiver receiver;
    auto* worker = new TThreadLogowanie(&receiver, endpointOf(service), demoLogin());
    worker->Detach();
    ASSERT_TRUE(RunToEnd(worker));
    EXPECT_TRUE(receiver.calls.isEmpty());
}
