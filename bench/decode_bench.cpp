// Whole-photo loads into the working bitmap against a bare libjpeg-turbo decode of the same file to
// BGRA (file read and output buffer included in both), for the largest camera photo of the corpus and a
// 24-megapixel JPEG written here.
#include "imaging/imagefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

QString largestCameraPhoto() {
    const QDir corpus(PIXVALE_CORPUS_DIR);
    QString best;
    qint64 bestSize = 0;
    for (const QFileInfo& info : corpus.entryInfoList({"*.jpg"}, QDir::Files)) {
        if (info.fileName().startsWith("damaged_") || info.size() <= bestSize)
            continue;
        best = info.filePath();
        bestSize = info.size();
    }
    return best;
}

// A 6000 × 4000 photo-like picture: smooth gradients with fine texture, saved at quality 90.
QString write24Megapixels(const QTemporaryDir& dir) {
    QImage image(6000, 4000, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int t = ((x * 7 + y * 13) ^ (x * y)) & 15;
            row[x] = qRgb((x / 24 + t) & 0xFF, (y / 16 + t) & 0xFF, ((x + y) / 40 + t) & 0xFF);
        }
    }
    const QString path = dir.filePath("24mp.jpg");
    if (!imaging::SaveJpeg(image, path, 90).ok())
        return {};
    return path;
}

void ourLoad(benchmark::State& state, const QString& path) {
    for (auto _ : state) {
        const imaging::PhotoLoad load = imaging::LoadPhoto(path);
        if (!load.ok()) {
            state.SkipWithError("load failed");
            return;
        }
        benchmark::DoNotOptimize(load.bitmap.constBits());
    }
}

void turboLoad(benchmark::State& state, const QString& path) {
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot open");
            break;
        }
        const QByteArray bytes = file.readAll();
        int w = 0, h = 0, sub = 0, cs = 0;
        auto* src = reinterpret_cast<const unsigned char*>(bytes.constData());
        tjDecompressHeader3(handle, src, static_cast<unsigned long>(bytes.size()), &w, &h, &sub, &cs);
        std::unique_ptr<unsigned char[]> out(new unsigned char[static_cast<std::size_t>(w) * h * 4]);
        if (tjDecompress2(handle, src, static_cast<unsigned long>(bytes.size()), out.get(), w, w * 4, h,
                          TJPF_BGRA, 0) != 0) {
            state.SkipWithError("turbojpeg failed");
            break;
        }
        benchmark::DoNotOptimize(out.get());
    }
    tjDestroy(handle);
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    std::map<std::string, double> cpu;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0) {
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
                cpu[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    const QString camera = largestCameraPhoto();
    const QString big = write24Megapixels(dir);
    std::printf("camera photo: %s\n", qPrintable(QFileInfo(camera).fileName()));
    for (const auto& [which, path] : {std::pair{"camera", camera}, std::pair{"24mp", big}}) {
        benchmark::RegisterBenchmark((std::string("LoadPhoto/") + which).c_str(), ourLoad, path)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(3.0)
            ->UseRealTime();
        benchmark::RegisterBenchmark((std::string("turbojpeg/") + which).c_str(), turboLoad, path)
            ->Unit(benchmark::kMillisecond)
            ->MinTime(3.0)
            ->UseRealTime();
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& s = reporter.seconds;
    auto& c = reporter.cpu;
    std::printf("\n");
    for (const char* which : {"camera", "24mp"}) {
        const std::string ours = std::string("LoadPhoto/") + which;
        const std::string bare = std::string("turbojpeg/") + which;
        std::printf(
            "%s: LoadPhoto %.1f ms (%.1f ms processor), bare libjpeg-turbo %.1f ms (%.1f ms) -> ratio %.3f "
            "by wall clock, %.3f by processor time (target <= 1.15)\n",
            which, s[ours], c[ours], s[bare], c[bare], s[bare] > 0 ? s[ours] / s[bare] : 0.0,
            c[bare] > 0 ? c[ours] / c[bare] : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
