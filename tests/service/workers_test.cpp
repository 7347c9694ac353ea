// The workers against the development service: what each sends, what it hands over, and that every
// hand-over reaches the window on the window's thread.
#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/tthreadalbumy.h"
#include "service/tthreadlogowanie.h"
#include "service/tthreadnowawersja.h"
#include "service/tthreadwysylanie.h"

using namespace service;

namespace {

const TThreadLogowanie::Inputs kDemo{"demo@pixvale.example", "demo", ""};
const QString kSent = QString::fromUtf8("Wysłano"), kNotSent = QString::fromUtf8("Niewysłano");
const QString kFailed = kNotSent + QString::fromUtf8("=Błąd podczas wysyłania pliku.");

// Runs `worker` to its end; whatever it handed over must have come on the UI thread.
void RunOnUi(const RecordingReceiver& receiver, ServiceWorker* worker) {
    ASSERT_TRUE(RunToEnd(worker));
    EXPECT_TRUE(receiver.calls.isEmpty() || receiver.threads.allOnUi()) << "a hand-over off the UI thread";
}

// What a worker sent as `body`, rebuilt from `fields` with the boundary it used (after CR LF and "--").
bool isForm(const QByteArray& body, const QList<std::pair<QByteArray, QByteArray>>& fields) {
    return body == FormBody(body.mid(4, 42), fields);
}

// One upload run to a new album "Lato"; a test may stop `worker` from `receiver`.
struct Upload {
    RecordingReceiver receiver;
    QPointer<TThreadWysylanie> worker;
    QString session;
    void run(const DevServiceProcess& service, const QStringList& files, bool logIn = true) {
        session = logIn ? LogIn(service) : "x";
        worker = new TThreadWysylanie(&receiver, service.endpoint(), {files, session, "0", "Lato"});
        RunOnUi(receiver, worker);
    }
};

QStringList generatedPhotos(const DevServiceProcess& service, int count, qint64 size) {
    QStringList files;
    for (int i = 1; i <= count && WriteFile(service.scratch(QString("p%1.jpg").arg(i)), JpegOfSize(size));
         ++i)
        files << service.scratch(QString("p%1.jpg").arg(i));
    return files;
}

} // namespace

using Workers = WithDevService;

TEST_F(Workers, LoginSendsWindows1250FieldsAndHandsOverTheSessionOrOneError) {
    RecordingReceiver ok, refused, unreachable, detached;
    RunOnUi(ok, new TThreadLogowanie(&ok, service.endpoint(), {kDemo.login, kDemo.password, "K1"}));
    EXPECT_EQ(ok.calls, QStringList{"LoginSucceeded"});
    EXPECT_EQ(ok.orderUrl, service.baseAddress() + "ifincoming.php?sessid=" + ok.sessionId);
    EXPECT_EQ(ok.editUrl, ok.orderUrl);
    RunOnUi(refused,
            new TThreadLogowanie(&refused, service.endpoint(), {QString::fromUtf8("żaba"), "50%\"q\"", ""}));
    EXPECT_EQ(refused.calls, QStringList{"ShowServiceError"});
    EXPECT_EQ(refused.error, QString::fromUtf8("Błąd podczas logowania. \n\rNiepoprawny login lub hasło."));
    const QList<QByteArray> sent = service.bodiesOf("ifloguj.php");
    EXPECT_TRUE(isForm(sent.value(0),
                       {{"login", "demo@pixvale.example"}, {"password", "demo"}, {"client_id", "K1"}}));
    EXPECT_TRUE(isForm(sent.value(1), {{"login", "\277aba"}, {"password", "50%\"q\""}}));
    RunOnUi(unreachable, new TThreadLogowanie(&unreachable, Unreachable(), kDemo));
    EXPECT_EQ(unreachable.calls, QStringList{"ShowServiceError"});
    const QString failed = QString::fromUtf8("Błąd podczas nawiązywania połączenia: ");
    EXPECT_TRUE(unreachable.error.startsWith(failed) &&
                unreachable.error.size() > failed.size()); // and libcurl's text
    // A worker detached before it ends hands nothing over.
    auto* worker = new TThreadLogowanie(&detached, service.endpoint(), kDemo);
    worker->Detach();
    ASSERT_TRUE(RunToEnd(worker));
    EXPECT_TRUE(detached.calls.isEmpty());
}

TEST(AlbumsAndVersions, AreHandedOverAsJudged) {
    DevServiceProcess service(
        {}, "account demo@pixvale.example demo\nalbum demo@pixvale.example 7 Lato\n"
            "album demo@pixvale.example 13 Zima w Łodzi\nversion 1.0.3.3\ndownload_url http://d/\n");
    const QString session = LogIn(service);
    RecordingReceiver albums, refused;
    RunOnUi(albums, new TThreadAlbumy(&albums, service.endpoint(), session));
    EXPECT_EQ(albums.calls, QStringList{"AlbumsArrived"});
    EXPECT_EQ(
        std::tuple(albums.albumCount, albums.albumIds, albums.albumNames),
        std::tuple(2, QStringList({"7", "13"}), QStringList({"Lato", QString::fromUtf8("Zima w Łodzi")})));
    EXPECT_TRUE(isForm(service.bodiesOf("ifalbum.php").value(0), {{"sessid", session.toLatin1()}}));
    RunOnUi(refused, new TThreadAlbumy(&refused, Unreachable(), session));
    EXPECT_EQ(refused.calls, QStringList{"ShowServiceError"});
    EXPECT_TRUE(refused.error.startsWith(QString::fromUtf8("Nie można pobrać listy albumów. ")));

    // Only a manual check hears of no news or of a failure.
    DevServiceProcess same, failing({"--http-error", "502"});
    const std::tuple<const DevServiceProcess*, QString, bool, QStringList> versions[] = {
        {&service, "K9", false, {"NewVersionAvailable"}},
        {&same, "", true, {"NoNewVersion"}},
        {&failing, "", true, {"RestoreDefaultCursor"}},
        {&failing, "", false, {}}};
    for (const auto& [server, clientId, manual, calls] : versions) {
        RecordingReceiver receiver;
        RunOnUi(receiver,
                new TThreadNowaWersja(&receiver, server->endpoint(), {"1.0.0.0", clientId, manual}));
        EXPECT_EQ(receiver.calls, calls) << manual;
        EXPECT_EQ(receiver.downloadUrl, server == &service ? "http://d/" : "");
    }
    EXPECT_TRUE(isForm(service.bodiesOf("ifver.php").value(0), {{"program", "pv"}, {"client_id", "K9"}}));
    EXPECT_TRUE(isForm(same.bodiesOf("ifver.php").value(0), {{"program", "pv"}}));
}

// Every file gets its own outcome and the run goes on; a photo is stored byte for byte from one complete
// form, shown first, and its sending range and then its answer's reach the window whole.
TEST(TThreadWysylanie, EachFileGetsItsOwnOutcomeAndAPhotoGoesUnchanged) {
    DevServiceProcess service({}, "account demo@pixvale.example demo 100000\n");
    const QString photo = testsupport::corpusFile("canon_40d_II_thumb_jfif.jpg");
    WriteFile(service.scratch("notes.jpg"), "these are not pixels\n");
    Upload upload;
    upload.run(service, {service.scratch("gone.jpg"), service.scratch("notes.jpg"),
                         testsupport::corpusFile("damaged_truncated_half_konica_z3.jpg"),
                         testsupport::corpusFile("nintendo_3ds_MM_thumb_mpo.jpg"), photo});
    const RecordingReceiver& r = upload.receiver;
    const QString unreadable = kNotSent + QString::fromUtf8("=Nie można odczytać pliku źródłowego");
    EXPECT_EQ(r.finalReport,
              (QStringList{"gone.jpg=" + kNotSent + QString::fromUtf8("=Nie można odnaleźć pliku źródłowego"),
                           "notes.jpg=" + unreadable, "damaged_truncated_half_konica_z3.jpg=" + unreadable,
                           "nintendo_3ds_MM_thumb_mpo.jpg=" + kNotSent +
                               QString::fromUtf8("=Przekroczona dopuszczalna pojemność konta."),
                           "canon_40d_II_thumb_jfif.jpg=" + kSent + "=OK"}));
    EXPECT_EQ(r.positions, (QList<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(r.calls.mid(r.calls.lastIndexOf("ShowUploadProgress"), 4),
              (QStringList{"ShowUploadProgress", "RefreshReport", "ShowPreview", "SetSendRange"}));
    EXPECT_EQ(r.calls.last(), "UploadFinished");
    EXPECT_TRUE(r.report.last().endsWith("=" + kNotSent + "=") &&
                r.report[3].endsWith(QString::fromUtf8("konta.")));
    ASSERT_EQ(r.previews.size(), 2); // only the photos were shown and sent
    EXPECT_TRUE(r.previews[1].size().boundedTo({96, 83}) == r.previews[1].size());
    EXPECT_TRUE(r.previews[1].width() == 96 || r.previews[1].height() == 83);

    const QByteArray original = ReadFile(photo);
    EXPECT_EQ(service.stored(), (QMap<QString, QByteArray>{{"canon_40d_II_thumb_jfif.jpg", original}}));
    const QList<QByteArray> bodies = service.bodiesOf("ifupload.sphp");
    ASSERT_EQ(bodies.size(), 2);
    EXPECT_EQ(bodies[0].left(46), bodies[1].left(46)); // one run, one boundary
    // The file part as the form stream writes it (checked there), then the fields.
    EXPECT_TRUE(bodies[1].contains("name=\"file\"; filename=\"") && bodies[1].contains("image/jpeg\r\n\r\n"));
    const qsizetype end = bodies[1].indexOf("\r\n\r\n" + original) + 4 + original.size();
    EXPECT_TRUE(isForm(bodies[1].mid(end),
                       {{"sessid", upload.session.toLatin1()}, {"idalbumu", "0"}, {"nazwaalbumu", "Lato"}}));
    ASSERT_EQ(r.ranges.mid(2),
              (QList<qint64>{bodies[1].size(), QByteArray("message=003\nstatus=001\n").size()}));
    for (int i = 2; i < 4; ++i)
        EXPECT_EQ(std::pair(r.sendPositions[i].value(0), r.sendPositions[i].last()),
                  std::pair(std::min<qint64>(128, r.ranges[i]), r.ranges[i]));

    for (const QStringList& fault :
         {QStringList{"--http-error", "500"}, QStringList{"--drop-after", "2000"}}) {
        DevServiceProcess broken(fault);
        Upload failed;
        failed.run(broken, {testsupport::corpusFile("canon_s40_II_thumb.jpg")});
        EXPECT_EQ(failed.receiver.finalReport, QStringList{"canon_s40_II_thumb.jpg=" + kFailed});
    }
}

// A stop at photo 2's preview, on its way, or once photo 1's answer is in. Meanwhile photo 1's positions
// come at most once per interval: each hand-over blocks the worker, whose clock starts each interval after
// the window has seen the position before, so n positions span at least n - 3 intervals of the window's
// clock (the first and the last are free).
TEST(TThreadWysylanie, StopDuringOrAfterTheSecondOfFiveWithThrottledPositions) {
    DevServiceProcess service({"--slow-reader", "2000000"});
    const QStringList files = generatedPhotos(service, 5, 600000);
    enum When { AtPreview, OnTheWay, AfterTheFirst };
    for (const When when : {AtPreview, OnTheWay, AfterTheFirst}) {
        SCOPED_TRACE(when);
        Upload upload;
        QElapsedTimer clock;
        clock.start();
        QList<qint64> times;
        upload.receiver.onCall = [&](const QString& method) {
            const RecordingReceiver& r = upload.receiver;
            if (method == "SetSendPosition" && r.ranges.size() == 1)
                times << clock.elapsed();
            if (when == AtPreview && method == "ShowPreview" && r.previews.size() == 2)
                upload.worker->Stop();
            if (when == OnTheWay && method == "SetSendPosition" &&
                r.positions.size() == 2) // from the event loop
                QTimer::singleShot(0, &upload.receiver, [&] {
                    if (upload.worker)
                        upload.worker->Stop();
                });
            if (when == AfterTheFirst && method == "SetSendPosition" && r.ranges.size() == 2 &&
                r.sendPositions[1].last() == r.ranges[1])
                upload.worker->Stop();
        };
        upload.run(service, files);
        const QString second =
            when == AfterTheFirst ? "=" : QString::fromUtf8("=Przerwane przez użytkownika");
        EXPECT_EQ(
            upload.receiver.finalReport,
            (QStringList{"p1.jpg=" + kSent + "=OK", "p2.jpg=" + kNotSent + second, "p3.jpg=" + kNotSent + "=",
                         "p4.jpg=" + kNotSent + "=", "p5.jpg=" + kNotSent + "="}));
        EXPECT_EQ(upload.receiver.positions, (when == AfterTheFirst ? QList<int>{1} : QList<int>{1, 2}));
        // Stopped before its transmission, photo 2 never opens a connection.
        EXPECT_EQ(upload.receiver.ranges.size(), when == OnTheWay ? 3 : 2);
        const QList<qint64>& sent = upload.receiver.sendPositions.value(0);
        ASSERT_GE(sent.size(), 3);
        EXPECT_EQ(sent.last(), upload.receiver.ranges[0]);
        EXPECT_TRUE(std::is_sorted(sent.begin(), sent.end()));
        const qint64 span = times.last() - times.first() + 1; // whole milliseconds on both clocks
        EXPECT_LE(sent.size() - 3, span / TThreadWysylanie::kPositionIntervalMs) << span;
    }
    EXPECT_EQ(service.stored().keys(), QStringList{"p1.jpg"});
}

// Once a photo has wholly left, the stop (or the connection's death) leaves the service holding it or
// not: its answer gets a moment, and without one the report says the outcome is unknown.
TEST(TThreadWysylanie, AfterTheLastByteTheAnswerDecides) {
    const QString unknown = QString::fromUtf8(
        "Nieznany=Wysłano, ale serwis nie potwierdził odbioru: zdjęcie mogło trafić do albumu.");
    const std::tuple<QStringList, bool, QStringList> cases[] = {
        // switches, the service dies, report
        {{}, false, {"p1.jpg=" + kSent + "=OK", "p2.jpg=" + kNotSent + "="}},
        {{"--silent"}, false, {"p1.jpg=" + unknown, "p2.jpg=" + kNotSent + "="}},
        {{"--silent"}, true, {"p1.jpg=" + unknown, "p2.jpg=" + kFailed}}};
    for (const auto& [switches, dies, report] : cases) {
        SCOPED_TRACE(switches.join(' ').toStdString() + (dies ? " dies" : " stop"));
        DevServiceProcess service(switches);
        Upload upload;
        bool barFull = false;
        upload.receiver.onCall = [&](const QString& method) {
            const RecordingReceiver& r = upload.receiver;
            barFull = barFull || (method == "SetSendPosition" && r.ranges.size() == 1 &&
                                  r.sendPositions[0].last() == r.ranges[0]);
            if (barFull && !dies && method == "SetSendPosition")
                upload.worker->Stop();
        };
        // The service dies once it holds the whole request (the worker is free again by then).
        QTimer death;
        QObject::connect(&death, &QTimer::timeout, [&] {
            if (dies && barFull && service.bodiesOf("ifupload.sphp").size() == 1)
                service.Stop();
        });
        death.start(20);
        upload.run(service, generatedPhotos(service, 2, 300000), switches.isEmpty());
        EXPECT_EQ(upload.receiver.finalReport, report);
        EXPECT_EQ(service.stored().keys(), switches.isEmpty() ? QStringList{"p1.jpg"} : QStringList{});
    }
}
