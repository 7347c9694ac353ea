#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/serviceresponse.h"
#include "service/tthreadalbumy.h"
#include "service/tthreadlogowanie.h"
#include "service/tthreadnowawersja.h"
#include "service/tthreadwysylanie.h"
#include "testsupport.h"

using namespace service;

namespace {

// How the development service of one case starts; `refused` sends the worker where nothing listens.
struct Launch {
    QStringList switches = {};
    QByteArray config = {};
    QString script = {};
    QByteArray answer = {};
    bool refused = false;
};

struct Started {
    explicit Started(const Launch& s)
        : service(s.switches, s.config, s.script, s.answer)
        , endpoint(s.refused ? Unreachable() : service.endpoint()) {}
    DevServiceProcess service;
    const ServiceEndpoint endpoint;
};

const TThreadLogowanie::Inputs kDemo{"demo@pixvale.example", "demo", ""};
const QString kConnectionFailed = QString::fromUtf8("Błąd podczas nawiązywania połączenia: ");

} // namespace

using Workers = WithDevService;

TEST_F(Workers, LoginSucceedsWithSessionAndPages) {
    RecordingReceiver receiver;
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, service.endpoint(), kDemo)));
    EXPECT_EQ(receiver.calls, QStringList{"LoginSucceeded"});
    EXPECT_FALSE(receiver.sessionId.isEmpty());
    EXPECT_EQ(receiver.orderUrl, service.baseAddress() + "ifincoming.php?sessid=" + receiver.sessionId);
    EXPECT_EQ(receiver.editUrl, receiver.orderUrl);
}

TEST(TThreadLogowanie, FailuresAreOneErrorEach) {
    const std::pair<Launch, QString> cases[] = {
        {{{}, "account demo@pixvale.example other\n"},
         QString::fromUtf8("Błąd podczas logowania. \n\rNiepoprawny login lub hasło.")},
        {{{}, {}, "ifloguj.php", "message=001\nstatus=104\nsessid=abc\n"},
         QString::fromUtf8("Nieznany błąd podczas logowania.\n\rStatus: 104")},
        {{{"--login-without-sessid"}}, QString::fromUtf8("Nieznany błąd podczas logowania.\n\rStatus: 001")},
        {{{"--crlf"}}, "Nieznana odpowiedz podczas logowania.\n\rMessage: 001\r"},
        {{{"--http-error", "500"}}, kConnectionFailed + "HTTP/1.1 500 Internal Server Error"},
        {{{}, {}, {}, {}, true}, kConnectionFailed}, // followed by libcurl's text
    };
    for (const auto& [launch, error] : cases) {
        SCOPED_TRACE(error.toStdString());
        Started s(launch);
        ASSERT_TRUE(s.service.started());
        RecordingReceiver receiver;
        ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, s.endpoint, kDemo)));
        EXPECT_EQ(receiver.calls, QStringList{"ShowServiceError"});
        EXPECT_EQ(launch.refused ? receiver.error.left(error.size()) : receiver.error, error);
        EXPECT_EQ(receiver.error.size() > error.size(), launch.refused);
    }
}

TEST(TThreadAlbumy, Outcomes) {
    struct Case {
        Launch launch;
        QStringList calls;
        QStringList albums; // "id name"
        QString newAlbum{}; // a photo goes into this new album before the list is fetched
    };
    const Case cases[] = {
        {{{},
          "account demo@pixvale.example demo\nalbum demo@pixvale.example 7 Lato\n"
          "album demo@pixvale.example 12 A=B\nalbum demo@pixvale.example 13 Zima w Łodzi\n"},
         {"AlbumsArrived"},
         {"7 Lato", "12 A=B", QString::fromUtf8("13 Zima w Łodzi")}},
        // Quotes in the names the service knows, or a name with line breaks that an upload gave it, cannot
        // forge albums or shift the pairs.
        {{{}, "account demo@pixvale.example demo\nalbum demo@pixvale.example 7\" Zła\"nazwa\"\n"},
         {"AlbumsArrived"},
         {QString::fromUtf8("7' Zła'nazwa'")}},
        {{},
         {"AlbumsArrived"},
         {"1 Wakacje nad morzem", "2 Rodzina", "3 Lato  id='99' name='Obce'"},
         "Lato\r\nid=\"99\"\nname=\"Obce\""},
        {{{}, {}, "ifalbum.php", "message=002\nstatus=002\nid=\"7\"\nname=\"Lato\"\nid=\"8\"\n"},
         {"AlbumsArrived"},
         {"7 Lato"}},
        // An answer without any line end has no lines: nothing at all is delivered.
        {{{}, {}, "ifalbum.php", "message=002"}, {}, {}},
        {{{}, "account demo@pixvale.example demo\n"}, {"AlbumsArrived"}, {}},
        // The demo account's last album loses its name line, and so the album.
        {{{"--no-final-lf"}}, {"AlbumsArrived"}, {"1 Wakacje nad morzem"}},
        {{{}, {}, {}, {}, true}, {"ShowServiceError"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.launch.switches.join(' ') + c.launch.config + c.launch.answer).toStdString());
        Started s(c.launch);
        ASSERT_TRUE(s.service.started());
        const QString session = LogIn(s.service);
        if (!c.newAlbum.isEmpty()) {
            RecordingReceiver uploader;
            const TThreadWysylanie::Inputs photo{
                {testsupport::corpusFile("canon_s40_II_thumb.jpg")}, session, "0", c.newAlbum};
            ASSERT_TRUE(RunToEnd(new TThreadWysylanie(&uploader, s.endpoint, photo)));
            ASSERT_EQ(FieldOfLine(uploader.finalReport.value(0), 2), "OK");
        }
        RecordingReceiver receiver;
        ASSERT_TRUE(RunToEnd(new TThreadAlbumy(&receiver, s.endpoint, session)));
        EXPECT_EQ(receiver.calls, c.calls);
        ASSERT_EQ(receiver.albumIds.size(), receiver.albumNames.size());
        QStringList albums;
        for (int i = 0; i < receiver.albumIds.size(); ++i)
            albums << receiver.albumIds[i] + " " + receiver.albumNames[i];
        EXPECT_EQ(albums, c.albums);
        EXPECT_EQ(receiver.albumCount, c.calls.contains("AlbumsArrived") ? c.albums.size() : -1);
        EXPECT_EQ(receiver.error.startsWith(QString::fromUtf8("Nie można pobrać listy albumów. ")),
                  c.launch.refused);
    }
}

TEST(TThreadNowaWersja, Outcomes) {
    struct Case {
        Launch launch;
        bool manual;
        QStringList calls;
        QString url;
    };
    // The emulator answers with the version this build carries unless told otherwise.
    const Case cases[] = {
        {{{}, "account a b\nversion 1.0.3.3\ndownload_url http://d.example/get\n"},
         false,
         {"NewVersionAvailable"},
         "http://d.example/get"},
        {{}, true, {"NoNewVersion"}, ""},
        {{}, false, {}, ""},
        {{{"--crlf"}}, false, {"NewVersionAvailable"}, ""},
        {{{"--http-error", "502"}}, true, {"RestoreDefaultCursor"}, ""},
        {{{"--http-error", "502"}}, false, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.launch.switches.join(' ') + c.launch.config).toStdString() +
                     (c.manual ? " manual" : ""));
        Started s(c.launch);
        ASSERT_TRUE(s.service.started());
        RecordingReceiver receiver;
        ASSERT_TRUE(RunToEnd(new TThreadNowaWersja(&receiver, s.endpoint, {"1.0.0.0", "", c.manual})));
        EXPECT_EQ(receiver.calls, c.calls);
        EXPECT_EQ(receiver.downloadUrl, c.url);
    }
}

TEST_F(Workers, FieldsGoAsWindows1250AndTheClientOnlyWhenKnown) {
    RecordingReceiver receiver;
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, service.endpoint(),
                                              {QString::fromUtf8("żaba@x.pl"), "50%\"q\"", "K1"})));
    ASSERT_TRUE(RunToEnd(new TThreadLogowanie(&receiver, service.endpoint(), {"a", "b", ""})));
    ASSERT_TRUE(RunToEnd(new TThreadNowaWersja(&receiver, service.endpoint(), {"1.0.0.0", "K9", false})));
    ASSERT_TRUE(RunToEnd(new TThreadNowaWersja(&receiver, service.endpoint(), {"1.0.0.0", "", false})));
    const QList<QByteArray> logins = service.bodiesOf("ifloguj.php"),
                            versions = service.bodiesOf("ifver.php");
    ASSERT_EQ(logins.size(), 2);
    ASSERT_EQ(versions.size(), 2);
    // The boundary follows the leading CR LF and two hyphens.
    const auto form = [](const QByteArray& body, const QList<std::pair<QByteArray, QByteArray>>& fields) {
        return FormBody(body.mid(4, 42), fields);
    };
    EXPECT_EQ(logins[0],
              form(logins[0], {{"login", "\277aba@x.pl"}, {"password", "50%\"q\""}, {"client_id", "K1"}}));
    EXPECT_EQ(logins[1], form(logins[1], {{"login", "a"}, {"password", "b"}}));
    EXPECT_EQ(versions[0], form(versions[0], {{"program", "pv"}, {"client_id", "K9"}}));
    EXPECT_EQ(versions[1], form(versions[1], {{"program", "pv"}}));
}

TEST_F(Workers, DetachedWorkerHandsNothingOver) {
    RecordingReceiver receiver;
    auto* worker = new TThreadLogowanie(&receiver, service.endpoint(), kDemo);
    worker->Detach();
    ASSERT_TRUE(RunToEnd(worker));
    EXPECT_TRUE(receiver.calls.isEmpty());
}
