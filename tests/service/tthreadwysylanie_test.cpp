#include "devserviceprocess.h"
#include "recordingreceiver.h"
#include "service/multipartformstream.h"
#include "service/servicepages.h"
#include "service/serviceresponse.h"
#include "service/tthreadlogowanie.h"
#include "service/tthreadwysylanie.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QPointer>
#include <QStringEncoder>

using namespace service;

namespace {

const QString kSent = QString::fromUtf8("Wysłano");
const QString kNotSent = QString::fromUtf8("Niewysłano");

struct Upload {
    DevServiceProcess& service;
    RecordingReceiver receiver;
    QPointer<TThreadWysylanie> worker;
    QString session;

    explicit Upload(DevServiceProcess& s)
        : service(s) {}

    // Logs in, then sends `files` to a new album "Lato".
    bool run(const QStringList& files) {
        session = logIn();
        worker = new TThreadWysylanie(&receiver, {service.baseAddress(), {}}, {files, session, "0", "Lato"});
        return RunToEnd(worker);
    }

    QString logIn() {
        RecordingReceiver login;
        RunToEnd(
            new TThreadLogowanie(&login, {service.baseAddress(), {}}, {"demo@pixvale.example", "demo", ""}));
        return login.sessionId;
    }
};

QStringList storedFiles(const DevServiceProcess& service) {
    QStringList names;
    for (QDirIterator it(service.dataDir(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        names << QFileInfo(it.next()).fileName();
    names.sort();
    return names;
}

QString status(const QString& line) {
    return FieldOfLine(line, 1);
}
QString description(const QString& line) {
    return FieldOfLine(line, 2);
}

} // namespace

TEST(TThreadWysylanie, SendsThePhotoUnchangedWithTheWholeHandOverSequence) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    const QString photo = testsupport::corpusFile("canon_40d_II_thumb_jfif.jpg");
    Upload upload(service);
    ASSERT_TRUE(upload.run({photo}));

    const RecordingReceiver& r = upload.receiver;
    EXPECT_EQ(r.finalReport, QStringList{QString::fromUtf8("canon_40d_II_thumb_jfif.jpg=Wysłano=OK")});
    EXPECT_EQ(r.calls.mid(0, 4),
              (QStringList{"ShowUploadProgress", "RefreshReport", "ShowPreview", "SetSendRange"}));
    EXPECT_EQ(r.calls.last(), "UploadFinished");
    EXPECT_EQ(r.positions, QList<int>{1});
    EXPECT_EQ(r.report, QStringList{QString::fromUtf8("canon_40d_II_thumb_jfif.jpg=Niewysłano=")});
    ASSERT_EQ(r.previews.size(), 1);
    EXPECT_LE(r.previews[0].width(), 96);
    EXPECT_LE(r.previews[0].height(), 83);
    EXPECT_TRUE(r.previews[0].width() == 96 || r.previews[0].height() == 83);

    // Stored byte for byte; the request is one complete form with the four fields in order.
    const QByteArray original = ReadFile(photo);
    QDirIterator stored(service.dataDir(), {"canon_40d_II_thumb_jfif.jpg"}, QDir::Files,
                        QDirIterator::Subdirectories);
    ASSERT_TRUE(stored.hasNext());
    EXPECT_EQ(ReadFile(stored.next()), original);
    const QStringList bodies = service.recorded("ifupload.sphp.body");
    ASSERT_EQ(bodies.size(), 1);
    const QByteArray body = ReadFile(bodies[0]);
    const QByteArray boundary = body.mid(4, 42);
    QStringEncoder encoder("windows-1250");
    const QByteArray expected =
        "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"" +
        encoder.encode(photo) + "\"\r\nContent-Length: " + QByteArray::number(original.size()) +
        "\r\nContent-Type: image/jpeg\r\n\r\n" + original + "\r\n--" + boundary +
        "\r\nContent-Disposition: form-data; name=\"sessid\"\r\n\r\n" + upload.session.toLatin1() + "\r\n--" +
        boundary;
    EXPECT_TRUE(body.startsWith(expected));
    EXPECT_TRUE(body.endsWith(
        "\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"idalbumu\"\r\n\r\n0\r\n--" +
        boundary + "\r\nContent-Disposition: form-data; name=\"nazwaalbumu\"\r\n\r\nLato\r\n--" + boundary +
        "--\r\n"));

    // Sending range first, then the answer's; each transmission's first and last byte reach the window.
    ASSERT_EQ(r.ranges.size(), 2);
    EXPECT_EQ(r.ranges[0], body.size());
    EXPECT_EQ(r.ranges[1], QByteArray("message=003\nstatus=001\n").size());
    for (int i = 0; i < 2; ++i) {
        ASSERT_FALSE(r.sendPositions[i].isEmpty());
        EXPECT_EQ(r.sendPositions[i].first(), std::min<qint64>(128, r.ranges[i]));
        EXPECT_EQ(r.sendPositions[i].last(), r.ranges[i]);
    }
}

TEST(TThreadWysylanie, CapacityExceededThenSent) {
    DevServiceProcess service({}, "account demo@pixvale.example demo 100000\n");
    ASSERT_TRUE(service.started());
    Upload upload(service);
    ASSERT_TRUE(upload.run({testsupport::corpusFile("nintendo_3ds_MM_thumb_mpo.jpg"),
                            testsupport::corpusFile("canon_s40_II_thumb.jpg")}));
    const QStringList& report = upload.receiver.finalReport;
    ASSERT_EQ(report.size(), 2);
    EXPECT_EQ(report[0],
              QString::fromUtf8("nintendo_3ds_MM_thumb_mpo.jpg=Niewysłano=Przekroczona dopuszczalna "
                                "pojemność konta."));
    EXPECT_EQ(report[1], QString::fromUtf8("canon_s40_II_thumb.jpg=Wysłano=OK"));
    EXPECT_EQ(upload.receiver.positions, (QList<int>{1, 2}));
    EXPECT_EQ(storedFiles(service), QStringList{"canon_s40_II_thumb.jpg"});

    // One run, one boundary; each body complete on its own.
    const QStringList bodies = service.recorded("ifupload.sphp.body");
    ASSERT_EQ(bodies.size(), 2);
    const QByteArray first = ReadFile(bodies[0]), second = ReadFile(bodies[1]);
    EXPECT_EQ(first.left(46), second.left(46));
    for (const QByteArray& body : {first, second}) {
        EXPECT_EQ(body.count("\r\n" + body.mid(2, 44) + "\r\n"), 4);
        EXPECT_TRUE(body.endsWith("\r\n" + body.mid(2, 44) + "--\r\n"));
    }

    // The report page of the album lists what arrived, with a picture the browser can fetch.
    const QString page =
        QString::fromUtf8(HttpGet(AlbumReportPage(service.baseAddress(), upload.session, "Lato")));
    EXPECT_TRUE(page.contains("canon_s40_II_thumb.jpg")) << page.toStdString();
    EXPECT_FALSE(page.contains("nintendo_3ds")) << page.toStdString();
    const qsizetype src = page.indexOf("<img src=\"/");
    ASSERT_GE(src, 0);
    const QString photo = page.mid(src + 11, page.indexOf('"', src + 11) - src - 11).replace("&amp;", "&");
    EXPECT_EQ(HttpGet(service.baseAddress() + photo),
              ReadFile(testsupport::corpusFile("canon_s40_II_thumb.jpg")));
    EXPECT_FALSE(HttpGet(AlbumReportPage(service.baseAddress(), upload.session, "Zima")).contains("<img"));
}

TEST(TThreadWysylanie, MissingAndUnreadableFilesAreReportedAndTheRunGoesOn) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    const QString text = service.scratch("notes.jpg");
    WriteFile(text, "these are not pixels\n");
    Upload upload(service);
    ASSERT_TRUE(upload.run({service.scratch("gone.jpg"), text,
                            testsupport::corpusFile("damaged_truncated_half_konica_z3.jpg"),
                            testsupport::corpusFile("grey_noexif.jpg")}));
    const QStringList& report = upload.receiver.finalReport;
    ASSERT_EQ(report.size(), 4);
    EXPECT_EQ(report[0], QString::fromUtf8("gone.jpg=Niewysłano=Nie można odnaleźć pliku źródłowego"));
    EXPECT_EQ(report[1], QString::fromUtf8("notes.jpg=Niewysłano=Nie można odczytać pliku źródłowego"));
    EXPECT_EQ(description(report[2]), QString::fromUtf8("Nie można odczytać pliku źródłowego"));
    EXPECT_EQ(report[3], QString::fromUtf8("grey_noexif.jpg=Wysłano=OK"));
    // Only the good photo was shown and sent; the others went straight to their report lines.
    EXPECT_EQ(upload.receiver.previews.size(), 1);
    EXPECT_EQ(upload.receiver.count("SetSendRange"), 2);
    EXPECT_EQ(service.recorded("ifupload.sphp.body").size(), 1);
}

TEST(TThreadWysylanie, TransportErrorsAndOddAnswers) {
    struct Case {
        QStringList switches;
        QString status;
        QString description;
    };
    const Case cases[] = {
        {{"--http-error", "500"}, kNotSent, QString::fromUtf8("Błąd podczas wysyłania pliku.")},
        {{"--drop-after", "2000"}, kNotSent, QString::fromUtf8("Błąd podczas wysyłania pliku.")},
        {{"--no-final-lf"}, "", ""},
        // "003" followed by a CR is no upload answer: status word and description stay empty.
        {{"--crlf"}, "", ""},
    };
    for (const Case& c : cases) {
        DevServiceProcess service(c.switches);
        ASSERT_TRUE(service.started());
        Upload upload(service);
        // The login may fail under these switches; the upload worker is judged on its own.
        ASSERT_TRUE(upload.run({testsupport::corpusFile("canon_s40_II_thumb.jpg")}));
        ASSERT_EQ(upload.receiver.finalReport.size(), 1);
        EXPECT_EQ(status(upload.receiver.finalReport[0]), c.status) << c.switches.join(' ').toStdString();
        EXPECT_EQ(description(upload.receiver.finalReport[0]), c.description)
            << c.switches.join(' ').toStdString();
    }
}

TEST(TThreadWysylanie, StopDuringTheSecondOfFive) {
    DevServiceProcess service({"--slow-reader", "2000000"});
    ASSERT_TRUE(service.started());
    QStringList files;
    for (int i = 1; i <= 5; ++i) {
        files << service.scratch(QString("p%1.jpg").arg(i));
        WriteFile(files.last(), JpegOfSize(600000));
    }
    Upload upload(service);
    // Stop from the event loop, not from inside a hand-over, once the second photo is on its way.
    upload.receiver.onSendPosition = [&](qint64 done) {
        if (upload.receiver.positions.size() == 2 && done > 0 && upload.worker)
            QMetaObject::invokeMethod(
                &upload.receiver,
                [&] {
                    if (upload.worker)
                        upload.worker->Stop();
                },
                Qt::QueuedConnection);
    };
    ASSERT_TRUE(upload.run(files));
    const QStringList& report = upload.receiver.finalReport;
    ASSERT_EQ(report.size(), 5);
    EXPECT_EQ(report[0], "p1.jpg=" + kSent + "=OK");
    EXPECT_EQ(report[1], QString::fromUtf8("p2.jpg=Niewysłano=Przerwane przez użytkownika"));
    for (int i = 2; i < 5; ++i)
        EXPECT_EQ(report[i], QString("p%1.jpg=").arg(i + 1) + kNotSent + "=");
    EXPECT_EQ(upload.receiver.positions, (QList<int>{1, 2}));
    EXPECT_EQ(storedFiles(service), QStringList{"p1.jpg"});
}

TEST(TThreadWysylanie, StopIsNoticedAtTheFirst128Bytes) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    QStringList files;
    for (int i = 1; i <= 3; ++i) {
        files << service.scratch(QString("q%1.jpg").arg(i));
        WriteFile(files.last(), JpegOfSize(300000));
    }
    Upload upload(service);
    // Stopping while the preview of the second photo is shown: its first 128-byte step must cut it,
    // before any position of it reaches the window.
    upload.receiver.onPreview = [&] {
        if (upload.receiver.previews.size() == 2)
            upload.worker->Stop();
    };
    ASSERT_TRUE(upload.run(files));
    const QStringList& report = upload.receiver.finalReport;
    ASSERT_EQ(report.size(), 3);
    EXPECT_EQ(status(report[0]), kSent);
    EXPECT_EQ(description(report[1]), QString::fromUtf8("Przerwane przez użytkownika"));
    EXPECT_EQ(report[2], "q3.jpg=" + kNotSent + "=");
    ASSERT_EQ(upload.receiver.ranges.size(), 3); // file 1 out and back, file 2 out
    EXPECT_TRUE(upload.receiver.sendPositions[2].isEmpty());
}

TEST(TThreadWysylanie, StopBetweenTwoFilesKeepsTheRealResult) {
    DevServiceProcess service;
    ASSERT_TRUE(service.started());
    Upload upload(service);
    // The answer of the first photo has arrived when its last received byte is shown.
    upload.receiver.onSendPosition = [&](qint64 done) {
        if (upload.receiver.ranges.size() == 2 && done == upload.receiver.ranges[1])
            upload.worker->Stop();
    };
    ASSERT_TRUE(upload.run(
        {testsupport::corpusFile("canon_s40_II_thumb.jpg"), testsupport::corpusFile("grey_noexif.jpg")}));
    EXPECT_EQ(upload.receiver.finalReport,
              (QStringList{"canon_s40_II_thumb.jpg=" + kSent + "=OK", "grey_noexif.jpg=" + kNotSent + "="}));
    EXPECT_EQ(upload.receiver.positions, QList<int>{1});
}

TEST(TThreadWysylanie, PositionsReachTheWindowAtMostEvery15Milliseconds) {
    DevServiceProcess service({"--slow-reader", "4000000"});
    ASSERT_TRUE(service.started());
    const QString photo = service.scratch("big.jpg");
    WriteFile(photo, JpegOfSize(2000000));
    Upload upload(service);
    QElapsedTimer clock;
    QList<qint64> times;
    upload.receiver.onSendPosition = [&](qint64) { times << clock.elapsed(); };
    clock.start();
    ASSERT_TRUE(upload.run({photo}));
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
