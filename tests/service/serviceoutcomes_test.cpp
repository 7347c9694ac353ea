#include "core/settings.h"
#include "service/reportline.h"
#include "service/serviceendpoint.h"
#include "service/serviceoutcomes.h"
#include "service/servicepages.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QUrl>
#include <QUrlQuery>

using namespace service;

namespace {
ServiceResponse answer(const QByteArray& body) {
    return ServiceResponse::FromBody(body);
}
} // namespace

TEST(JudgeLogin, Table) {
    using Kind = LoginOutcome::Kind;
    struct Case {
        QByteArray body;
        Kind kind;
        QString error;
    };
    const Case cases[] = {
        {"message=001", Kind::Nothing, ""},
        {"message=002\nstatus=001\n", Kind::Failure, "Nieznana odpowiedz podczas logowania.\n\rMessage: 002"},
        {"message=001\r\nstatus=001\r\nsessid=x\r\n", Kind::Failure,
         "Nieznana odpowiedz podczas logowania.\n\rMessage: 001\r"},
        {"message=001\nstatus=103\n", Kind::Failure,
         QString::fromUtf8("Błąd podczas logowania. \n\rNiepoprawny login lub hasło.")},
        {"message=001\nstatus=105\nsessid=s\n", Kind::Failure,
         QString::fromUtf8("Nieznany błąd podczas logowania.\n\rStatus: 105")},
        // A success without a session is a failure, so nobody waits for it.
        {"message=001\nstatus=001\nsessid=\n", Kind::Failure,
         QString::fromUtf8("Nieznany błąd podczas logowania.\n\rStatus: 001")},
        {"MESSAGE=001\nStatus=001\nSESSID=abc\n", Kind::Success, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        const LoginOutcome o = JudgeLogin(answer(c.body));
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_EQ(o.error, c.error);
    }
    const LoginOutcome o =
        JudgeLogin(answer("message=001\nstatus=001\nsessid=s1\norder_url=http://o/?a=1\n"));
    EXPECT_EQ(QStringList({o.sessionId, o.orderUrl, o.editUrl}), QStringList({"s1", "http://o/?a=1", ""}));
    EXPECT_EQ(LoginConnectionError("Boom"), QString::fromUtf8("Błąd podczas nawiązywania połączenia: Boom"));
}

TEST(JudgeAlbums, Table) {
    struct Case {
        QByteArray body;
        bool delivered;
        QStringList ids;
        QStringList names;
    };
    const Case cases[] = {
        {"message=002", false, {}, {}},
        {"message=002\nstatus=002\nid=\"1\"\nname=\"A=B\"\nid=\"2\"\nname=A=B\nid=\"3\"\n",
         true,
         {"1", "2"},
         {"A=B", "A"}},
        {"message=002\nstatus=002\n", true, {}, {}},
        {"message=002\nstatus=001\nid=\"1\"\nname=\"x\"\n", true, {}, {}},
        {"message=003\nstatus=002\nid=\"1\"\nname=\"x\"\n", true, {}, {}},
        {"status=002\nmessage=002\nid=\"1\"\nname=\"x\"\n", true, {"1"}, {"x"}},
        {"message=002\nstatus=002\r\nid=\"1\"\nname=\"x\"\n", true, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        const std::optional<AlbumList> list = JudgeAlbums(answer(c.body));
        ASSERT_EQ(list.has_value(), c.delivered);
        if (list) {
            EXPECT_EQ(list->ids, c.ids);
            EXPECT_EQ(list->names, c.names);
            EXPECT_EQ(list->count, c.names.size());
        }
    }
    EXPECT_EQ(AlbumsConnectionError("x"), QString::fromUtf8("Nie można pobrać listy albumów. x"));
}

TEST(JudgeUpload, Table) {
    struct Case {
        QByteArray body;
        bool judged;
        QString status;
        QString description;
    };
    const QString notSent = QString::fromUtf8("Niewysłano");
    const Case cases[] = {
        {"message=003\nstatus=001\n", true, QString::fromUtf8("Wysłano"), "OK"},
        {"message=003\nstatus=002\n", true, notSent,
         QString::fromUtf8("Przekroczona dopuszczalna pojemność konta.")},
        {"message=003\nstatus=103\n", true, notSent,
         QString::fromUtf8("Błąd autoryzacji podczas wysyłania zdjęcia.")},
        {"message=003\nstatus=001\r\n", true, notSent,
         QString::fromUtf8("Nieznany błąd podczas wysyłania. Status: 001\r")},
        // The status line lost for want of a final LF leaves both empty.
        {"message=003\nstatus=001", true, "", ""},
        {"message=001\nstatus=001\n", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        const std::optional<UploadOutcome> o = JudgeUpload(answer(c.body));
        ASSERT_EQ(o.has_value(), c.judged);
        if (o) {
            EXPECT_EQ(o->status, c.status);
            EXPECT_EQ(o->description, c.description);
        }
    }
}

TEST(JudgeVersion, Table) {
    using Kind = VersionOutcome::Kind;
    struct Case {
        QByteArray body;
        Kind kind;
        QString downloadUrl;
    };
    const Case cases[] = {
        {"version=1.0.3.2\n", Kind::SameVersion, ""},
        {"version=1.0.3.1\n", Kind::NewVersion, ""},
        {"version=1.0.3.3\ndownload_url=http://d/x\n", Kind::NewVersion, "http://d/x"},
        {"version=1.0.3.2\r\n", Kind::NewVersion, ""},
        {"version=\ndownload_url=u\n", Kind::NoResult, "u"},
        {"version=1.0.3.9", Kind::NoResult, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        const VersionOutcome o = JudgeVersion(answer(c.body), "1.0.3.2");
        EXPECT_EQ(o.kind, c.kind);
        EXPECT_EQ(o.downloadUrl, c.downloadUrl);
    }
}

TEST(ServicePages, Addresses) {
    const QString root = WebSiteRoot();
    EXPECT_EQ(ForgottenPasswordPage(), root + "zapomnialem.php");
    EXPECT_EQ(NewAccountPage(), root + "rejestracja.php");
    EXPECT_EQ(
        AlbumReportPage("http://h/", "s1", QString::fromUtf8("Zima & lato 50% #2+ó")),
        QString::fromUtf8("http://h/ifincoming.php?sessid=s1&aid=Zima%20%26%20lato%2050%25%20%232%2Bó"));
    EXPECT_EQ(DownloadPage(""), root + "index.php?sbl=117686");
    EXPECT_EQ(DownloadPage("http://d/p"), "http://d/p");
}

TEST(ReportLine, NameWithoutFolderStatusAndDescription) {
    EXPECT_EQ(InitialReportLine("/a/b/IMG_1.jpg"), QString::fromUtf8("IMG_1.jpg=Niewysłano="));
    const std::pair<QString, QString> names[] = {
        // path, the name as it reads back
        {"/x/IMG_1.jpg", "IMG_1.jpg"},   {"/x/y=z.jpg", "y=z.jpg"},     {"/x/a\"b.jpg", "a'b.jpg"},
        {"/x/\"a=b\".jpg", "'a=b'.jpg"}, {"/x/\"=\"=.jpg", "'='=.jpg"},
    };
    for (const auto& [path, name] : names) {
        SCOPED_TRACE(path.toStdString());
        const QString line = ReportLine(path, QString::fromUtf8("Wysłano"), "OK");
        EXPECT_EQ(QStringList({FieldOfLine(line, 0), FieldOfLine(line, 1), FieldOfLine(line, 2)}),
                  QStringList({name, QString::fromUtf8("Wysłano"), "OK"}));
        EXPECT_EQ(FieldOfLine(InitialReportLine(path), 1), QString::fromUtf8("Niewysłano"));
    }
}

TEST(ServiceEndpoint, ProxyIsCopiedOnlyWhenItIsOn) {
    core::Settings settings;
    settings.serviceBase = "http://127.0.0.1:81/";
    settings.proxyServer = "proxy.local";
    settings.proxyPort = 3128;
    settings.proxyUsername = "jan";
    settings.proxyPassword = "p";
    settings.proxyBasicAuthentication = true;
    const auto fields = [](const ProxySettings& p) {
        return QString("%1 %2 %3 %4 %5 %6")
            .arg(p.use)
            .arg(p.server)
            .arg(p.port)
            .arg(p.user, p.password)
            .arg(p.basicAuthentication);
    };
    EXPECT_EQ(EndpointOf(settings).baseAddress, "http://127.0.0.1:81/");
    EXPECT_EQ(fields(EndpointOf(settings).proxy), fields({}));
    settings.proxyUse = true;
    EXPECT_EQ(fields(EndpointOf(settings).proxy), "1 proxy.local 3128 jan p 1");
}

// Whatever the album is called, the page's address carries exactly that name as the value of "aid", and
// nothing but the characters that would change the address is encoded.
TEST(ServicePages, AnyAlbumNameComesBackWholeFromItsAddress) {
    const QString alphabet = QString::fromUtf8("aZ09 #&%+=?/;:'\"ąęłóżĄ-_.~!$()*,@[]");
    QRandomGenerator random(22);
    for (int round = 0; round < 500; ++round) {
        QString name;
        for (int n = 1 + random.bounded(12); n > 0; --n)
            name += alphabet.at(random.bounded(alphabet.size()));
        SCOPED_TRACE(name.toStdString());
        const QString address = AlbumReportPage("http://h/", "s1", name);
        const QUrlQuery query(QUrl(address).query(QUrl::FullyEncoded));
        EXPECT_EQ(query.queryItemValue("sessid"), "s1");
        EXPECT_EQ(query.queryItemValue("aid", QUrl::FullyDecoded), name);
        EXPECT_EQ(query.queryItems().size(), 2);
        EXPECT_EQ(QUrl(address).fragment(), QString());
        const QString value = address.mid(address.indexOf("&aid=") + 5);
        EXPECT_EQ(value.size(), name.size() + 2 * (name.count('#') + name.count('&') + name.count('%') +
                                                   name.count('+') + name.count(' ')));
    }
}
