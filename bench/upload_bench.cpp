// Upload throughput: a 20 MB photo sent to the development service over loopback by the upload
// worker, with a receiver on the main thread taking every hand-over, against a bare libcurl POST of
// the same body in the same run. Prints the ratio and the position updates per second.
#include "barepost.h"
#include "service/multipartformstream.h"
#include "service/tthreadlogowanie.h"
#include "service/tthreadwysylanie.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr qint64 kPhotoBytes = 20LL * 1024 * 1024;

struct Fixture {
    QTemporaryDir dir;
    QProcess service;
    QString base;
    QString session;
    QString photo;
};
Fixture* fixture = nullptr;

double bareSeconds = 0, workerSeconds = 0, transmissionSeconds = 0, updatesPerSecond = 0;

class Receiver : public QObject {
    Q_OBJECT
public:
    qint64 positions = 0;
    QElapsedTimer clock;
    qint64 previewShown = -1, lastPosition = -1; // nanoseconds since the worker started
    QString sessionId;
    QStringList report;
public slots:
    void LoginSucceeded(const QString& s, const QString&, const QString&) { sessionId = s; }
    void ShowServiceError(const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    void ShowUploadProgress(int, const QStringList&) {}
    void RefreshReport(const QStringList&) {}
    void ShowPreview(const QImage&) { previewShown = clock.nsecsElapsed(); }
    void SetSendRange(qint64) {}
    void SetSendPosition(qint64) {
        ++positions;
        lastPosition = clock.nsecsElapsed();
    }
    void UploadFinished(const QStringList& lines) { report = lines; }
};

void runToEnd(QThread* worker) {
    QEventLoop loop;
    QObject::connect(worker, &QObject::destroyed, &loop, &QEventLoop::quit);
    worker->start();
    loop.exec();
}

QByteArray encode(const QImage& image) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 95);
    return jpeg;
}

// A photo-sized JPEG of noise (which compresses about as badly as a detailed photo), its height chosen
// so that the file comes close below 20 MB, then padded with one comment segment to exactly 20 MB.
QByteArray bigJpeg() {
    const auto noise = [](int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        quint32 seed = 12345;
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                seed = seed * 1664525u + 1013904223u;
                line[x] = 0xff000000u | (seed >> 8);
            }
        }
        return image;
    };
    const int width = 4000;
    const QByteArray probe = encode(noise(width, 500));
    const int height = static_cast<int>(500.0 * (kPhotoBytes - 70000) / probe.size());
    QByteArray jpeg = encode(noise(width, height));
    const qint64 missing = kPhotoBytes - jpeg.size();
    if (missing >= 4 && missing <= 65537) {
        const int length = static_cast<int>(missing - 2);
        jpeg.insert(2, QByteArray("\xff\xfe", 2) + char(length >> 8) + char(length & 0xff) +
                           QByteArray(missing - 4, 'c'));
    }
    return jpeg;
}

bool setUp() {
    fixture = new Fixture;
    fixture->base = bench::startBenchService(fixture->service, fixture->dir.path());
    if (fixture->base.isEmpty())
        return false;

    fixture->photo = fixture->dir.filePath("photo.jpg");
    QFile photo(fixture->photo);
    photo.open(QIODevice::WriteOnly);
    photo.write(bigJpeg());
    photo.close();

    Receiver login;
    runToEnd(
        new service::TThreadLogowanie(&login, {fixture->base, {}}, {"bench@pixvale.example", "bench", ""}));
    fixture->session = login.sessionId;
    return !fixture->session.isEmpty();
}

void BM_BareCurlPost(benchmark::State& state) {
    service::MultipartFormStream form;
    form.AddFile("file", fixture->photo, "image/jpeg");
    form.AddFormField("sessid", fixture->session);
    form.AddFormField("idalbumu", "1");
    form.AddFormField("nazwaalbumu", "");
    form.CloseForm();
    const QByteArray body = form.Body();
    const QByteArray url = (fixture->base + "ifupload.sphp").toUtf8();
    QElapsedTimer clock;
    qint64 total = 0;
    for (auto _ : state) {
        clock.start();
        if (!bench::bareCurlPost(url, form.RequestContentType(), body))
            state.SkipWithError("bare POST failed");
        total += clock.nsecsElapsed();
    }
    state.SetBytesProcessed(state.iterations() * body.size());
    bareSeconds = total / 1e9 / static_cast<double>(state.iterations());
}

// Whole worker run per photo (preview decode, reading the file, building the body, sending) and, apart,
// the sending: from the preview on the screen (the file is in memory then) to the last position of the
// answer, which covers finishing the body, connecting, sending and the answer.
void BM_UploadWorker(benchmark::State& state) {
    qint64 total = 0, transmission = 0, positions = 0;
    for (auto _ : state) {
        Receiver receiver;
        receiver.clock.start();
        runToEnd(new service::TThreadWysylanie(&receiver, {fixture->base, {}},
                                               {{fixture->photo}, fixture->session, "1", ""}));
        total += receiver.clock.nsecsElapsed();
        transmission += receiver.lastPosition - receiver.previewShown;
        positions += receiver.positions;
        if (!receiver.report.value(0).endsWith("=OK"))
            state.SkipWithError(qPrintable("upload failed: " + receiver.report.value(0)));
    }
    state.SetBytesProcessed(state.iterations() * kPhotoBytes);
    workerSeconds = total / 1e9 / static_cast<double>(state.iterations());
    transmissionSeconds = transmission / 1e9 / static_cast<double>(state.iterations());
    updatesPerSecond = positions / (transmission / 1e9);
    state.counters["positions_per_s"] = updatesPerSecond;
    state.counters["transmission_ms"] = transmissionSeconds * 1000;
}

BENCHMARK(BM_BareCurlPost)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_UploadWorker)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    if (!setUp()) {
        std::fprintf(stderr, "upload_bench: the development service did not start or refused the login\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (bareSeconds > 0 && workerSeconds > 0 && transmissionSeconds > 0) {
        std::printf("sending through the upload worker / bare libcurl POST: %.2f (%.1f MB/s vs %.1f MB/s)\n",
                    bareSeconds / transmissionSeconds, kPhotoBytes / transmissionSeconds / 1e6,
                    kPhotoBytes / bareSeconds / 1e6);
        std::printf("whole worker run (with preview decode and file read) / bare libcurl POST: %.2f\n",
                    bareSeconds / workerSeconds);
        std::printf("position updates reaching the receiver while sending: %.0f per second\n",
                    updatesPerSecond);
    }
    fixture->service.terminate();
    fixture->service.waitForFinished();
    delete fixture;
    return 0;
}

#include "upload_bench.moc"
