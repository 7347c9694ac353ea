#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/servicepages.h"
#include "service/tthreadwysylanie.h"
#include "testsupport.h"

#include <QStringEncoder>
#include <QTimer>

using namespace service;

namespace {

const QString kSent = QString::fromUtf8("Wysłano");
const QString kNotSent = QString::fromUtf8("Niewysłano");
const QString kStopped = QString::fromUtf8("Przerwane przez użytkownika");

// One upload run to a new album "Lato" after a login of its own; a test may stop `worker` from `receiver`.
struct Upload {
    RecordingReceiver receiver;
    QPointer<TThreadWysylanie> worker;
    QString session;

    bool run(const DevServiceProcess& service, const QStringList& files) {
        session = LogIn(service);
        worker = new TThreadWysylanie(&receiver, service.endpoint(), {files, session, "0", "Lato"});
        return RunToEnd(worker);
    }
};

QStringList generatedPhotos(const DevServiceProcess& service, int count, qint64 size) {
    QStringList files;
    for (int i = 1; i <= count; ++i) {
        files << service.scratch(QString("p%1.jpg").arg(i));
        WriteFile(files.last(), JpegOfSize(size));
    }
    return files;
}

} // namespace

TEST(TThreadWysylanie, SendsThePhotoUnchangedWithTheWholeHandOverSequence) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    const QString photo = testsupport::corpusFile("canon_40d_II_thumb_jfif.jpg");
    Upload upload;
    ASSERT_TRUE(upload.run(service, {photo}));

    const RecordingReceiver& r = upload.receiver;
    EXPECT_EQ(r.finalReport, QStringList{"canon_40d_II_thumb_jfif.jpg=" + kSent + "=OK"});
    EXPECT_EQ(r.calls.mid(0, 4),
              (QStringList{"ShowUploadProgress", "RefreshReport", "ShowPreview", "SetSendRange"}));
    EXPECT_EQ(r.calls.last(), "UploadFinished");
    EXPECT_EQ(r.positions, QList<int>{1});
    EXPECT_EQ(r.report, QStringList{"canon_40d_II_thumb_jfif.jpg=" + kNotSent + "="});
    ASSERT_EQ(r.previews.size(), 1);
    EXPECT_TRUE(r.previews[0].size().boundedTo({96, 83}) == r.previews[0].size());
    EXPECT_TRUE(r.previews[0].width() == 96 || r.previews[0].height() == 83);

    // Stored byte for byte, from one complete form with the four fields in order.
    const QByteArray original = ReadFile(photo);
    EXPECT_EQ(service.stored().value("canon_40d_II_thumb_jfif.jpg"), original);
    const QList<QByteArray> bodies = service.bodiesOf("ifupload.sphp");
    ASSERT_EQ(bodies.size(), 1);
    const QByteArray boundary = bodies[0].mid(4, 42);
    const QByteArray expected =
        "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
        QByteArray(QStringEncoder("windows-1250").encode(photo)) +
        "\"\r\nContent-Length: " + QByteArray::number(original.size()) +
        "\r\nContent-Type: image/jpeg\r\n\r\n" + original +
        FormBody(boundary,
                 {{"sessid", upload.session.toLatin1()}, {"idalbumu", "0"}, {"nazwaalbumu", "Lato"}});
    EXPECT_TRUE(bodies[0] == expected);

    // Sending range first, then the answer's; each transmission's first and last byte reach the window.
    ASSERT_EQ(r.ranges, (QList<qint64>{bodies[0].size(), QByteArray("message=003\nstatus=001\n").size()}));
    for (int i = 0; i < 2; ++i) {
        ASSERT_FALSE(r.sendPositions[i].isEmpty());
        EXPECT_EQ(r.sendPositions[i].first(), std::min<qint64>(128, r.ranges[i]));
        EXPECT_EQ(r.sendPositions[i].last(), r.ranges[i]);
    }
}

TEST(TThreadWysylanie, EachFileGetsItsOwnOutcomeAndTheRunGoesOn) {
    DevServiceProcess service({}, "account demo@pixvale.example demo 100000\n");
    ASSERT_TRUE(service.started());
    WriteFile(service.scratch("notes.jpg"), "these are not pixels\n");
    const QString accepted = testsupport::corpusFile("canon_s40_II_thumb.jpg");
    Upload upload;
    ASSERT_TRUE(upload.run(service, {service.scratch("gone.jpg"), service.scratch("notes.jpg"),
                                     testsupport::corpusFile("damaged_truncated_half_konica_z3.jpg"),
                                     testsupport::corpusFile("nintendo_3ds_MM_thumb_mpo.jpg"), accepted}));
    const QString unreadable = kNotSent + QString::fromUtf8("=Nie można odczytać pliku źródłowego");
    EXPECT_EQ(upload.receiver.finalReport,
              (QStringList{"gone.jpg=" + kNotSent + QString::fromUtf8("=Nie można odnaleźć pliku źródłowego"),
                           "notes.jpg=" + unreadable, "damaged_truncated_half_konica_z3.jpg=" + unreadable,
                           "nintendo_3ds_MM_thumb_mpo.jpg=" + kNotSent +
                               QString::fromUtf8("=Przekroczona dopuszczalna pojemność konta."),
                           "canon_s40_II_thumb.jpg=" + kSent + "=OK"}));
    EXPECT_EQ(upload.receiver.positions, (QList<int>{1, 2, 3, 4, 5}));
    // Only the photos were shown and sent, each out and back.
    EXPECT_EQ(upload.receiver.previews.size(), 2);
    EXPECT_EQ(upload.receiver.ranges.size(), 4);
    EXPECT_EQ(service.stored().keys(), QStringList{"canon_s40_II_thumb.jpg"});

    // One run, one boundary; each body complete on its own.
    const QList<QByteArray> bodies = service.bodiesOf("ifupload.sphp");
    ASSERT_EQ(bodies.size(), 2);
    EXPECT_EQ(bodies[0].left(46), bodies[1].left(46));
    for (const QByteArray& body : bodies) {
        EXPECT_EQ(body.count("\r\n" + body.mid(2, 44) + "\r\n"), 4);
        EXPECT_TRUE(body.endsWith("\r\n" + body.mid(2, 44) + "--\r\n"));
    }

    // The album's report page lists what arrived, with a picture the browser can fetch.
    const QString page =
        QString::fromUtf8(HttpGet(AlbumReportPage(service.baseAddress(), upload.session, "Lato")));
    EXPECT_FALSE(page.contains("nintendo_3ds")) << page.toStdString();
    const qsizetype src = page.indexOf("<img src=\"/");
    ASSERT_GE(src, 0) << page.toStdString();
    const QString picture = page.mid(src + 11, page.indexOf('"', src + 11) - src - 11).replace("&amp;", "&");
    EXPECT_EQ(HttpGet(service.baseAddress() + picture), ReadFile(accepted));
}

TEST(TThreadWysylanie, TransportErrorsAndOddAnswers) {
    const std::pair<QStringList, QString> cases[] = {
        {{"--http-error", "500"}, kNotSent + QString::fromUtf8("=Błąd podczas wysyłania pliku.")},
        {{"--drop-after", "2000"}, kNotSent + QString::fromUtf8("=Błąd podczas wysyłania pliku.")},
        // The 33 kB photo is over the limit, the login under it.
        {{"--max-body", "20000"}, kNotSent + QString::fromUtf8("=Błąd podczas wysyłania pliku.")},
        {{"--max-body", "40000"}, kSent + "=OK"},
        {{"--no-final-lf"}, "="},
        // "003" followed by a CR is no upload answer: status word and description stay empty.
        {{"--crlf"}, "="},
    };
    for (const auto& [switches, outcome] : cases) {
        SCOPED_TRACE(switches.join(' ').toStdString());
        DevServiceProcess service(switches);
        ASSERT_TRUE(service.started());
        // The login may fail under these switches; the upload worker is judged on its own.
        Upload upload;
        ASSERT_TRUE(upload.run(service, {testsupport::corpusFile("canon_s40_II_thumb.jpg")}));
        EXPECT_EQ(upload.receiver.finalReport, QStringList{"canon_s40_II_thumb.jpg=" + outcome});
    }
}

TEST(TThreadWysylanie, StopDuringOrAfterTheSecondOfFive) {
    DevServiceProcess service({"--slow-reader", "2000000"});
    ASSERT_TRUE(service.started());
    const QStringList files = generatedPhotos(service, 5, 600000);
    enum When { AtPreview, OnTheWay, AfterTheFirst };
    for (const When when : {AtPreview, OnTheWay, AfterTheFirst}) {
        SCOPED_TRACE(when);
        Upload upload;
        upload.receiver.onCall = [&](const QString& method) {
            const RecordingReceiver& r = upload.receiver;
            // At the preview, photo 2 must not leave at all.
            if (when == AtPreview && method == "ShowPreview" && r.previews.size() == 2)
                upload.worker->Stop();
            // On its way, from the event loop rather than inside a hand-over.
            if (when == OnTheWay && method == "SetSendPosition" && r.positions.size() == 2)
                QMetaObject::invokeMethod(
                    &upload.receiver,
                    [&] {
                        if (upload.worker)
                            upload.worker->Stop();
                    },
                    Qt::QueuedConnection);
            // The answer of photo 1 has arrived when its last received byte is shown.
            if (when == AfterTheFirst && method == "SetSendPosition" && r.ranges.size() == 2 &&
                r.sendPositions[1].last() == r.ranges[1])
                upload.worker->Stop();
        };
        ASSERT_TRUE(upload.run(service, files));
        const QString second =
            when == AfterTheFirst ? "p2.jpg=" + kNotSent + "=" : "p2.jpg=" + kNotSent + "=" + kStopped;
        EXPECT_EQ(upload.receiver.finalReport,
                  (QStringList{"p1.jpg=" + kSent + "=OK", second, "p3.jpg=" + kNotSent + "=",
                               "p4.jpg=" + kNotSent + "=", "p5.jpg=" + kNotSent + "="}));
        EXPECT_EQ(upload.receiver.positions, (when == AfterTheFirst ? QList<int>{1} : QList<int>{1, 2}));
        // Stopped before its transmission, photo 2 never opens a connection.
        EXPECT_EQ(upload.receiver.ranges.size(), when == OnTheWay ? 3 : 2);
        EXPECT_EQ(upload.receiver.sendPositions.value(2).isEmpty(), when != OnTheWay);
    }
    EXPECT_EQ(service.stored().keys(), QStringList{"p1.jpg"});
}

TEST(TThreadWysylanie, PositionsReachTheWindowAtMostEvery15Milliseconds) {
    DevServiceProcess service({"--slow-reader", "4000000"});
    ASSERT_TRUE(service.started());
    Upload upload;
    QElapsedTimer clock;
    QList<qint64> times;
    upload.receiver.onCall = [&](const QString& method) {
        if (method == "SetSendPosition")
            times << clock.elapsed();
    };
    clock.start();
    ASSERT_TRUE(upload.run(service, generatedPhotos(service, 1, 2000000)));
    const QList<qint64>& sent = upload.receiver.sendPositions.value(0);
    ASSERT_GE(sent.size(), 3);
    // Far fewer hand-overs than 128-byte steps, yet the bar still moves through the whole file.
    EXPECT_LT(sent.size(), upload.receiver.ranges[0] / 128 / 10);
    EXPECT_EQ(sent.last(), upload.receiver.ranges[0]);
    EXPECT_TRUE(std::is_sorted(sent.begin(), sent.end()));
    // Apart from the first and the last, one position per interval at most.
    const qint64 span = times[sent.size() - 1] - times[0];
    EXPECT_LE(sent.size(), span / TThreadWysylanie::kPositionIntervalMs + 4) << span;
}

// Once a photo has wholly left, the stop (or the connection's death) leaves the service holding it or
// not: its answer gets a moment, and without one the report says the outcome is unknown.
TEST(TThreadWysylanie, AfterTheLastByteTheAnswerDecides) {
    enum Action { StopTheRun, ServiceDies };
    struct Case {
        QStringList switches;
        Action action;
        QStringList report;
        QStringList stored;
    };
    const QString unknown = QString::fromUtf8(
        "Nieznany=Wysłano, ale serwis nie potwierdził odbioru: zdjęcie mogło trafić do albumu.");
    const QString failed = kNotSent + QString::fromUtf8("=Błąd podczas wysyłania pliku.");
    const Case cases[] = {
        {{}, StopTheRun, {"p1.jpg=" + kSent + "=OK", "p2.jpg=" + kNotSent + "="}, {"p1.jpg"}},
        {{"--silent"}, StopTheRun, {"p1.jpg=" + unknown, "p2.jpg=" + kNotSent + "="}, {}},
        {{"--silent"}, ServiceDies, {"p1.jpg=" + unknown, "p2.jpg=" + failed}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switches.join(' ').toStdString() + (c.action == StopTheRun ? " stop" : " dies"));
        DevServiceProcess service(c.switches);
        ASSERT_TRUE(service.started());
        const QStringList files = generatedPhotos(service, 2, 300000);
        const QString session = c.switches.isEmpty() ? LogIn(service) : QString("x");
        Upload upload;
        bool barFull = false;
        upload.receiver.onCall = [&](const QString& method) {
            const RecordingReceiver& r = upload.receiver;
            if (method != "SetSendPosition" || r.ranges.size() != 1 ||
                r.sendPositions[0].last() != r.ranges[0])
                return;
            barFull = true;
            if (c.action == StopTheRun)
                upload.worker->Stop();
        };
        // The service dies once it holds the whole request (the worker is free again by then).
        QTimer death;
        QObject::connect(&death, &QTimer::timeout, [&] {
            if (c.action == ServiceDies && barFull && service.bodiesOf("ifupload.sphp").size() == 1) {
                death.stop();
                service.Stop();
            }
        });
        death.start(20);
        upload.worker =
            new TThreadWysylanie(&upload.receiver, service.endpoint(), {files, session, "0", "Lato"});
        ASSERT_TRUE(RunToEnd(upload.worker));
        EXPECT_EQ(upload.receiver.finalReport, c.report);
        if (c.action == StopTheRun) {
            EXPECT_EQ(service.stored().keys(), c.stored);
        }
    }
}
