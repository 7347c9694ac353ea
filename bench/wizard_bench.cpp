// The whole upload wizard: 20 real camera photos (ten corpus photos, each copied twice into a temporary
// folder) sent through the wizard's album step to the development service on loopback, against bare
// libcurl POSTs of the same upload bodies in the same run. Also measures the longest time the
// user-interface thread went without running its timer while the wizard was sending, and the progress
// updates that reached the wizard per second.
#include "barepost.h"
#include "core/settings.h"
#include "service/multipartformstream.h"
#include "service/tthreadlogowanie.h"
#include "service/uploadpreview.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/upload/tfowysylanie.h"
#include "ui/upload/wordpicture.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

// Runs the event loop until `done` holds; false when `ms` have passed first. The loop sleeps until an
// event comes, as the program's own does, so a worker's hand-over is taken at once rather than after a
// polling pause; a timer wakes it to look at `done`.
template <typename Done>
bool waitFor(Done done, int ms) {
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(2);
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

const char* const kCameraPhotos[] = {"apple_iphone6_MM_thumb_8mp.jpg", "canon_sd300_II_thumb_2mp.jpg",
                                     "canon_sx60_II_thumb_3mp.jpg",    "casio_exm2_MM_thumb_2mp.jpg",
                                     "jolla_II_nothumb_8mp.jpg",       "nikon_d70s_II_thumb_zero_length.jpg",
                                     "nintendo_3ds_MM_thumb_mpo.jpg",  "olympus_ep3_II_thumb_12mp.jpg",
                                     "reconyx_hc500_II_nothumb.jpg",   "sony_xperia_MM_nothumb.jpg"};

struct Fixture {
    QTemporaryDir dir;
    QProcess service;
    QString base;
    QStringList photos;
    core::Settings settings;
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    std::unique_ptr<ui::TfoWysylanie> wizard;
};
Fixture* fixture = nullptr;

double bareSeconds = 0, wizardSeconds = 0, previewSeconds = 0, longestStallMs = 0, updatesPerSecond = 0;
// The wizard's run should take no longer than about 1.4 times the bare POSTs of the same files.
constexpr double kTarget = 0.7;

bool setUp() {
    fixture = new Fixture;
    fixture->base = bench::startBenchService(fixture->service, fixture->dir.path());
    if (fixture->base.isEmpty())
        return false;
    QDir().mkpath(fixture->dir.filePath("photos"));
    for (int copy = 0; copy < 2; ++copy)
        for (const char* name : kCameraPhotos) {
            const QString target = fixture->dir.filePath(QStringLiteral("photos/%1_%2").arg(copy).arg(name));
            if (!QFile::copy(QStringLiteral(PIXVALE_CORPUS_DIR "/") + name, target))
                return false;
            fixture->photos << target;
        }
    fixture->settings.serviceBase = fixture->base;
    fixture->wizard = std::make_unique<ui::TfoWysylanie>(
        ui::TfoWysylanie::Context{&fixture->prompts, &fixture->shell, &fixture->settings});
    fixture->wizard->setFiles(fixture->photos);
    fixture->wizard->show();
    fixture->wizard->eLogin->setText("bench@pixvale.example");
    fixture->wizard->eHaslo->setText("bench");
    fixture->wizard->Krok1Ok();
    return waitFor(
        [] {
            return fixture->wizard->step() == 2 && fixture->wizard->iKrok2Ok->tag == 0 &&
                   fixture->wizard->cbAlbumyIstniejace->count() == 1;
        },
        20000);
}

void BM_BareCurlPosts(benchmark::State& state) {
    const QByteArray url = (fixture->base + "ifupload.sphp").toUtf8();
    QElapsedTimer clock;
    qint64 total = 0;
    for (auto _ : state) {
        clock.start();
        for (const QString& photo : fixture->photos) {
            service::MultipartFormStream form;
            form.AddFile("file", photo, "image/jpeg");
            form.AddFormField("sessid", fixture->wizard->session().sessionId);
            form.AddFormField("idalbumu", "1");
            form.AddFormField("nazwaalbumu", "");
            form.CloseForm();
            if (!bench::bareCurlPost(url, form.RequestContentType(), form.Body()))
                state.SkipWithError("bare POST failed");
        }
        total += clock.nsecsElapsed();
    }
    bareSeconds = total / 1e9 / static_cast<double>(state.iterations());
}

// The preview every photo gets before it is sent (the upload's readability check), alone: the floor
// under the wizard's run however well sending and decoding overlap.
void BM_PreviewDecoding(benchmark::State& state) {
    QElapsedTimer clock;
    qint64 total = 0;
    for (auto _ : state) {
        clock.start();
        for (const QString& photo : fixture->photos)
            if (!service::LoadUploadPreview(photo))
                state.SkipWithError("a photo did not decode");
        total += clock.nsecsElapsed();
    }
    previewSeconds = total / 1e9 / static_cast<double>(state.iterations());
}

// From the album step's next button to the report step with every photo sent.
void BM_WizardRun(benchmark::State& state) {
    qint64 total = 0, positions = 0;
    double stall = 0;
    ui::TfoWysylanie& wizard = *fixture->wizard;
    wizard.onHandOver = [&positions](const char* method) {
        if (qstrcmp(method, "SetSendPosition") == 0)
            ++positions;
    };
    for (auto _ : state) {
        // Back to the album step, as a second run of the wizard starts.
        wizard.hide();
        wizard.show();
        if (!waitFor([&] { return wizard.iKrok2Ok->tag == 0 && wizard.cbAlbumyIstniejace->count() == 1; },
                     20000))
            state.SkipWithError("no album list");
        QElapsedTimer tick, clock;
        QTimer heartbeat;
        heartbeat.setInterval(5);
        QObject::connect(&heartbeat, &QTimer::timeout, [&] {
            stall = std::max(stall, tick.nsecsElapsed() / 1e6);
            tick.restart();
        });
        clock.start();
        tick.start();
        heartbeat.start();
        wizard.Krok2Ok();
        if (!waitFor([&] { return wizard.step() == 4 && wizard.report().size() == fixture->photos.size(); },
                     600000))
            state.SkipWithError("the wizard did not finish");
        total += clock.nsecsElapsed();
        heartbeat.stop();
        for (const QString& line : wizard.report())
            if (!line.endsWith("=OK"))
                state.SkipWithError(qPrintable("not sent: " + line));
    }
    wizard.onHandOver = nullptr;
    wizardSeconds = total / 1e9 / static_cast<double>(state.iterations());
    longestStallMs = stall;
    updatesPerSecond = positions / (total / 1e9);
}

BENCHMARK(BM_BareCurlPosts)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PreviewDecoding)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_WizardRun)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::InitResources();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    if (!setUp()) {
        std::fprintf(stderr,
                     "wizard_bench: the service did not start, a photo is missing or the login failed\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (bareSeconds > 0 && wizardSeconds > 0) {
        const double ratio = bareSeconds / wizardSeconds;
        std::printf(
            "whole wizard run of %lld photos / bare libcurl POSTs of the same files: %.2f (target >= %.2f) "
            "%s\n",
            static_cast<long long>(fixture->photos.size()), ratio, kTarget, ratio >= kTarget ? "ok" : "OVER");
        std::printf("bare libcurl POSTs / decoding the photos' previews alone, one thread: %.2f\n",
                    bareSeconds / previewSeconds);
        std::printf("longest the user-interface thread went without running its 5 ms timer: %.1f ms\n",
                    longestStallMs);
        std::printf("progress updates reaching the wizard: %.0f per second\n", updatesPerSecond);
    }
    fixture->wizard.reset();
    fixture->service.terminate();
    fixture->service.waitForFinished();
    delete fixture;
    return 0;
}
