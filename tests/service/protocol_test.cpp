// What the client writes to and reads from the service, without a connection: form bodies, answers, the
// judgement of each script's answer, report lines and the pages it opens.
#include "core/settings.h"
#include "devserviceprocess.h"
#include "service/multipartformstream.h"
#include "service/reportline.h"
#include "service/serviceendpoint.h"
#include "service/serviceoutcomes.h"
#include "service/servicepages.h"
#include "service/uploadsummary.h"

using namespace service;

namespace {
const QDateTime kMoment(QDate(2026, 3, 7), QTime(9, 5, 4, 32));
const QByteArray kBoundary = "---------------------------030726090504032";
MultipartFormStream::Clock fixedClock() {
    return [] { return kMoment; };
}
QString u8(const char* text) {
    return QString::fromUtf8(text);
}
} // namespace

TEST(MultipartFormStream, BoundaryIsHyphensAndFifteenDigitsOfTheMoment) {
    EXPECT_EQ(MultipartFormStream::BoundaryFor(kMoment), kBoundary);
    EXPECT_EQ(MultipartFormStream::BoundaryFor(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999))),
              QByteArray(27, '-') + "123199235959999");
    EXPECT_EQ(MultipartFormStream(fixedClock()).RequestContentType(),
              "multipart/form-data; boundary=" + kBoundary);
}

TEST(MultipartFormStream, ValuesAndTheFileGoVerbatimAsWindows1250) {
    MultipartFormStream field(fixedClock());
    field.AddFormField(u8("nazwę"), u8("50%\"x\"\r\nZażółć gęślą jaźń ŁÓDŹ"));
    field.CloseForm();
    EXPECT_EQ(
        field.Body(),
        FormBody(kBoundary, {{"nazw\xea",
                              "50%\"x\"\r\nZa\xbf\xf3\xb3\xe6 g\xea\x9cl\xb9 ja\x9f\xf1 \xa3\xd3\x44\x8f"}}));
    testsupport::TempFolder dir;
    const QByteArray content("\xff\xd8\xff\xe0\r\n--\r\n\0\x01", 12);
    const QString path = dir.write(u8("zdjęcie 1.jpg"), content);
    MultipartFormStream form(fixedClock());
    ASSERT_TRUE(form.AddFile("file", path, "image/jpeg"));
    form.AddFormField("sessid", "abc");
    form.CloseForm();
    const QByteArray expected = "\r\n--" + kBoundary +
                                "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
                                QStringEncoder("windows-1250").encode(path) +
                                "\"\r\nContent-Length: 12\r\nContent-Type: image/jpeg\r\n\r\n" + content +
                                FormBody(kBoundary, {{"sessid", "abc"}});
    EXPECT_EQ(form.Body(), expected);
    // A file that cannot be read leaves the body alone; Clear() keeps the boundary for the next body.
    EXPECT_FALSE(form.AddFile("file", dir.path("gone.jpg"), "image/jpeg"));
    EXPECT_EQ(form.Body(), expected);
    form.Clear();
    form.CloseForm();
    EXPECT_EQ(form.Body(), FormBody(kBoundary, {}));
}

TEST(ServiceResponse, LinesEndAtLineFeedsAndTheUnfinishedLastOneIsDropped) {
    const std::pair<QByteArray, QStringList> cases[] = {
        {"message=001", {}}, {"a=1\r\n\nb\rc\nn=\xa3\nd=2", {"a=1\r", "", "b\rc", u8("n=Ł")}}};
    for (const auto& [body, lines] : cases) {
        const ServiceResponse r = ServiceResponse::FromBody(body);
        QStringList read;
        for (int i = 0; i < r.Count(); ++i)
            read << r.Line(i);
        EXPECT_EQ(read, lines) << body.toStdString();
        EXPECT_EQ(r.IsEmpty(), lines.isEmpty());
    }
    const ServiceResponse r =
        ServiceResponse::FromBody("noequals\nMESSAGE=001\nmessage=002\nstatus=001=x\n=nokey\n");
    const std::pair<const char*, QString> values[] = {{"message", "001"},  {"Message", "001"},
                                                      {"status", "001=x"}, {"", "nokey"},
                                                      {"noequals", ""},    {"absent", ""}};
    for (const auto& [key, value] : values)
        EXPECT_EQ(r.Value(key), value) << key;
    const std::tuple<QString, int, QString> fields[] = {
        {"name=\"A=B\"", 1, "A=B"},          {"name=A=B", 2, "B"}, {"a=b", 5, ""},
        {"x=\"un\"clo\"sed", 1, "unclosed"}, {"a==c", 1, ""},      {"\"q=r\"=s", 0, "q=r"}};
    for (const auto& [line, n, field] : fields)
        EXPECT_EQ(FieldOfLine(line, n), field) << line.toStdString() << " #" << n;
}

TEST(ServiceOutcomes, EachScriptsAnswerIsJudgedByItsFields) {
    using L = LoginOutcome::Kind;
    const std::tuple<QByteArray, L, QString> logins[] = {
        {"message=001", L::Nothing, ""},
        {"message=002\nstatus=001\n", L::Failure, "Nieznana odpowiedz podczas logowania.\n\rMessage: 002"},
        {"message=001\r\nstatus=001\r\nsessid=x\r\n", L::Failure,
         "Nieznana odpowiedz podczas logowania.\n\rMessage: 001\r"},
        {"message=001\nstatus=103\n", L::Failure,
         u8("Błąd podczas logowania. \n\rNiepoprawny login lub hasło.")},
        {"message=001\nstatus=105\nsessid=s\n", L::Failure,
         u8("Nieznany błąd podczas logowania.\n\rStatus: 105")},
        {"message=001\nstatus=001\nsessid=\n", L::Failure,
         u8("Nieznany błąd podczas logowania.\n\rStatus: 001")},
        {"MESSAGE=001\nStatus=001\nSESSID=abc\n", L::Success, ""}};
    for (const auto& [body, kind, error] : logins) {
        const LoginOutcome o = JudgeLogin(ServiceResponse::FromBody(body));
        EXPECT_EQ(std::pair(o.kind, o.error), std::pair(kind, error)) << body.toStdString();
    }
    const LoginOutcome o = JudgeLogin(
        ServiceResponse::FromBody("message=001\nstatus=001\nsessid=s1\norder_url=http://o/?a=1\n"));
    EXPECT_EQ(QStringList({o.sessionId, o.orderUrl, o.editUrl}), QStringList({"s1", "http://o/?a=1", ""}));

    const std::tuple<QByteArray, bool, QStringList, QStringList> albums[] = {
        {"message=002", false, {}, {}},
        {"message=002\nstatus=002\nid=\"1\"\nname=\"A=B\"\nid=\"2\"\nname=A=B\nid=\"3\"\n",
         true,
         {"1", "2"},
         {"A=B", "A"}},
        {"message=002\nstatus=001\nid=\"1\"\nname=\"x\"\n", true, {}, {}},
        {"message=003\nstatus=002\nid=\"1\"\nname=\"x\"\n", true, {}, {}},
        {"status=002\nmessage=002\nid=\"1\"\nname=\"x\"\n", true, {"1"}, {"x"}},
        {"message=002\nstatus=002\r\nid=\"1\"\nname=\"x\"\n", true, {}, {}}};
    for (const auto& [body, delivered, ids, names] : albums) {
        const std::optional<AlbumList> list = JudgeAlbums(ServiceResponse::FromBody(body));
        ASSERT_EQ(list.has_value(), delivered) << body.toStdString();
        if (list) {
            EXPECT_EQ(std::tuple(list->ids, list->names, list->count), std::tuple(ids, names, names.size()));
        }
    }

    const QString notSent = u8("Niewysłano");
    const std::tuple<QByteArray, bool, QString, QString> uploads[] = {
        {"message=003\nstatus=001\n", true, u8("Wysłano"), "OK"},
        {"message=003\nstatus=002\n", true, notSent, u8("Przekroczona dopuszczalna pojemność konta.")},
        {"message=003\nstatus=103\n", true, notSent, u8("Błąd autoryzacji podczas wysyłania zdjęcia.")},
        {"message=003\nstatus=001\r\n", true, notSent, u8("Nieznany błąd podczas wysyłania. Status: 001\r")},
        {"message=003\nstatus=001", true, "", ""},
        {"message=001\nstatus=001\n", false, "", ""}};
    for (const auto& [body, judged, status, description] : uploads) {
        const std::optional<UploadOutcome> u = JudgeUpload(ServiceResponse::FromBody(body));
        ASSERT_EQ(u.has_value(), judged) << body.toStdString();
        if (u) {
            EXPECT_EQ(std::pair(u->status, u->description), std::pair(status, description));
        }
    }

    using V = VersionOutcome::Kind;
    const std::tuple<QByteArray, V, QString> versions[] = {
        {"version=1.0.3.2\n", V::SameVersion, ""},
        {"version=1.0.3.1\n", V::NewVersion, ""},
        {"version=1.0.3.3\ndownload_url=http://d/x\n", V::NewVersion, "http://d/x"},
        {"version=1.0.3.2\r\n", V::NewVersion, ""},
        {"version=\ndownload_url=u\n", V::NoResult, "u"},
        {"version=1.0.3.9", V::NoResult, ""}};
    for (const auto& [body, kind, url] : versions) {
        const VersionOutcome v = JudgeVersion(ServiceResponse::FromBody(body), "1.0.3.2");
        EXPECT_EQ(std::pair(v.kind, v.downloadUrl), std::pair(kind, url)) << body.toStdString();
    }
}

// Whatever the album is called, its page's address carries exactly that name as "aid", and only the
// characters that would change the address are encoded.
TEST(ServicePages, AnyAlbumNameComesBackWholeFromItsAddress) {
    const QString alphabet = u8("aZ09 #&%+=?/;:'\"ąęłóżĄ-_.~!$()*,@[]");
    QRandomGenerator random(22);
    for (int round = 0; round < 300; ++round) {
        QString name;
        for (int n = 1 + random.bounded(12); n > 0; --n)
            name += alphabet.at(random.bounded(alphabet.size()));
        const QString address = AlbumReportPage("http://h/", "s1", name);
        const QUrlQuery query(QUrl(address).query(QUrl::FullyEncoded));
        EXPECT_EQ(query.queryItemValue("sessid"), "s1");
        EXPECT_EQ(query.queryItemValue("aid", QUrl::FullyDecoded), name);
        EXPECT_EQ(query.queryItems().size(), 2);
        const qsizetype encoded =
            name.count('#') + name.count('&') + name.count('%') + name.count('+') + name.count(' ');
        EXPECT_EQ(address.size() - address.indexOf("&aid=") - 5, name.size() + 2 * encoded)
            << name.toStdString();
    }
}

TEST(ServiceEndpoint, ProxyIsCopiedOnlyWhenItIsOn) {
    core::Settings settings;
    settings.serviceBase = "http://127.0.0.1:81/";
    std::tie(settings.proxyServer, settings.proxyPort, settings.proxyUsername, settings.proxyPassword) =
        std::tuple("proxy.local", 3128, "jan", "p");
    settings.proxyBasicAuthentication = true;
    const auto fields = [&] {
        const ServiceEndpoint e = EndpointOf(settings);
        const ProxySettings& p = e.proxy;
        return QStringList({e.baseAddress, QString::number(p.use), p.server, QString::number(p.port), p.user,
                            p.password, QString::number(p.basicAuthentication)});
    };
    EXPECT_EQ(fields(), QStringList({"http://127.0.0.1:81/", "0", "", "0", "", "", "0"}));
    settings.proxyUse = true;
    EXPECT_EQ(fields(), QStringList({"http://127.0.0.1:81/", "1", "proxy.local", "3128", "jan", "p", "1"}));
}

// Seconds are the kilobytes over the speed of the chosen item, truncated, shown in the largest whole unit.
TEST(UploadSummary, SendingTimeInTheLargestWholeUnit) {
    const std::tuple<qint64, int, const char*> cases[] = {{4200, 1, "~5 min @"},
                                                          {100, -1, "~1 min @"},
                                                          {100, 2, "~1 min @"},
                                                          {0, 0, "~1 sek @"},
                                                          {20, 0, "~2 sek @"},
                                                          {14 * 119, 1, "~1 min @"},
                                                          {7 * 59, 0, "~59 sek @"},
                                                          {7 * 3600 - 1, 0, "~59 min @"},
                                                          {7 * 3600, 0, "~1 godz @"},
                                                          {7 * 86400 - 1, 0, "~23 godz @"},
                                                          {Q_INT64_C(7) * 86400 * 1000, 0, "~1000 dni @"}};
    for (const auto& [kb, speed, text] : cases)
        EXPECT_EQ(sendingTimeText(kb, speed), u8(text)) << kb << " KB @" << speed;
    const UploadSummary three = summarize(3, 4200, 0), none = summarize(0, 0, 1);
    EXPECT_EQ(QStringList({three.count, three.size, three.time, none.count, none.size, none.time}),
              QStringList({"3", "4200 KB", "~10 min @", "0", "0 KB", "~0 @"}));
}
