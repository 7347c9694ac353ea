#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/servicepages.h"
#include "service/serviceresponse.h"
#include "service/tthreadwysylanie.h"
#include "testsupport.h"

#include <QStringEncoder>

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

using Uploads = WithDevService;

TEST_F(Uploads, SendsThePhotoUnchangedWithTheWholeHandOverSequence) {
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
        FormPart(boundary, "sessid", upload.session.toLatin1()) + FormPart(boundary, "idalbumu", "0") +
        FormPart(boundary, "nazwaalbumu", "Lato") + "\r\n--" + boundary + "--\r\n";
    EXPECT_TRUE(bodies[0] == expected);

    // Sending range first, then the answer's; each transmission's first and last byte reach the window.
    ASSERT_EQ(r.ranges, (QList<qint64>{bodies[0].size(), QByteArray("message=003\nstatus=001\n").size()}));
    for (int i = 0; i < 2; ++i) {
        ASSERT_FALSE(r.sendPositions[i].isEmpty());
        EXPECT_EQ(r.sendPositions[i].first(), std::min<qint64>(128, r.ranges[i]));
        EXPECT_EQ(r.sendPositions[i].last(), r.ranges[i]);
    }
}

TEST(TThreadWysylanie, CapacityExceededThenSentAndShownOnTheReportPage) {
    DevServiceProcess service({}, "account demo@pixvale.example demo 100000\n");
    ASSERT_TRUE(service.started());
    const QString refused = testsupport::corpusFile("nintendo_3ds_MM_thumb_mpo.jpg");
    const QString accepted = testsupport::corpusFile("canon_s40_II_thumb.jpg");
    Upload upload;
    ASSERT_TRUE(upload.run(service, {refused, accepted}));
    EXPECT_EQ(upload.receiver.finalReport,
              (QStringList{"nintendo_3ds_MM_thumb_mpo.jpg=" + kNotSent +
                               QString::fromUtf8("=Przekroczona dopuszczalna pojemność konta."),
                           "canon_s40_II_thumb.jpg=" + kSent + "=OK"}));
    EXPECT_EQ(upload.receiver.positions, (QList<int>{1, 2}));
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

TEST_F(Uploads, MissingAndUnreadableFilesAreReportedAndTheRunGoesOn) {
    const QString text = service.scratch("notes.jpg");
    WriteFile(text, "these are not pixels\n");
    Upload upload;
    ASSERT_TRUE(upload.run(service, {service.scratch("gone.jpg"), text,
                                     testsupport::corpusFile("damaged_truncated_half_konica_z3.jpg"),
                                     testsupport::corpusFile("grey_noexif.jpg")}));
    const QString unreadable = QString::fromUtf8("=Nie można odczytać pliku źródłowego");
    EXPECT_EQ(upload.receiver.finalReport,
              (QStringList{"gone.jpg=" + kNotSent + QString::fromUtf8("=Nie można odnaleźć pliku źródłowego"),
                           "notes.jpg=" + kNotSent + unreadable,
                           "damaged_truncated_half_konica_z3.jpg=" + kNotSent + unreadable,
                           "grey_noexif.jpg=" + kSent + "=OK"}));
    // Only the good photo was shown and sent; the others went straight to their report lines.
    EXPECT_EQ(upload.receiver.previews.size(), 1);
    EXPECT_EQ(upload.receiver.ranges.size(), 2);
    EXPECT_EQ(service.bodiesOf("ifupload.sphp").size(), 1);
}

TEST(TThreadWysylanie, TransportErrorsAndOddAnswers) {
    const std::pair<QStringList, QString> cases[] = {
        {{"--http-error", "500"}, kNotSent + QString::fromUtf8("=Błąd podczas wysyłania pliku.")},
        {{"--drop-after", "2000"}, kNotSent + QString::fromUtf8("=Błąd podczas wysyłania pliku.")},
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

TEST(TThreadWysylanie, StopDuringTheSecondOfFive) {
    DevServiceProcess service({"--slow-reader", "2000000"});
    ASSERT_TRUE(service.started());
    const QStringList files = generatedPhotos(service, 5, 600000);
    // Once while the second photo's preview is shown: its first 128-byte step must cut it before any
    // position of it reaches the window. Once from the event loop after it is on its way.
    for (const bool atPreview : {true, false}) {
        SCOPED_TRACE(atPreview ? "at the preview" : "on the way");
        Upload upload;
        upload.receiver.onCall = [&](const QString& method) {
            const RecordingReceiver& r = upload.receiver;
            if (atPreview && method == "ShowPreview" && r.previews.size() == 2)
                upload.worker->Stop();
            if (!atPreview && method == "SetSendPosition" && r.positions.size() == 2)
                QMetaObject::invokeMethod(
                    &upload.receiver,
                    [&] {
                        if (upload.worker)
                            upload.worker->Stop();
                    },
                    Qt::QueuedConnection);
        };
        ASSERT_TRUE(upload.run(service, files));
        EXPECT_EQ(upload.receiver.finalReport,
                  (QStringList{"p1.jpg=" + kSent + "=OK", "p2.jpg=" + kNotSent + "=" + kStopped,
                               "p3.jpg=" + kNotSent + "=", "p4.jpg=" + kNotSent + "=",
                               "p5.jpg=" + kNotSent + "="}));
        EXPECT_EQ(upload.receiver.positions, (QList<int>{1, 2}));
        // Stopped at the preview, photo 2 goes out without a single position shown.
        EXPECT_EQ(upload.receiver.sendPositions.value(2, {-1}).isEmpty(), atPreview);
    }
    EXPECT_EQ(service.stored().keys(), QStringList{"p1.jpg"});
}

TEST_F(Uploads, StopBetweenTwoFilesKeepsTheRealResult) {
    Upload upload;
    // The answer of the first photo has arrived when its last received byte is shown.
    upload.receiver.onCall = [&](const QString& method) {
        const RecordingReceiver& r = upload.receiver;
        if (method == "SetSendPosition" && r.ranges.size() == 2 && r.sendPositions[1].last() == r.ranges[1])
            upload.worker->Stop();
    };
    ASSERT_TRUE(upload.run(service, {testsupport::corpusFile("canon_s40_II_thumb.jpg"),
                                     testsupport::corpusFile("grey_noexif.jpg")}));
    EXPECT_EQ(upload.receiver.finalReport,
              (QStringList{"canon_s40_II_thumb.jpg=" + kSent + "=OK", "grey_noexif.jpg=" + kNotSent + "="}));
    EXPECT_EQ(upload.receiver.positions, QList<int>{1});
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
