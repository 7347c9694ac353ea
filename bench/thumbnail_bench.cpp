// Thumbnails per second of the camera photos of the corpus: through the EXIF preview and through the
// DCT-scaled decode, each against vipsthumbnail making 96-pixel thumbnails of the same files in the
// same run (one vipsthumbnail process for all files, so its start-up is spread over them).
#include "cputime.h"
#include "imaging/exifpreview.h"
#include "imaging/imagefile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

// Throughput counts both ways: wall clock (items_per_second) and processor time per thumbnail, which
// a busy shared machine disturbs far less.
void setCpuPerItem(benchmark::State& state, double cpuSeconds, qsizetype files) {
    state.counters["cpu_ms_per_thumb"] = cpuSeconds * 1e3 / static_cast<double>(state.iterations() * files);
}

QStringList cameraPhotos() {
    QStringList files;
    const QDir corpus(PIXVALE_CORPUS_DIR);
    for (const QString& name : corpus.entryList({"*.jpg"}, QDir::Files, QDir::Name)) {
        if (name.startsWith("damaged_"))
            continue;
        // Full-size camera photos only (the small ones are rescaled samples).
        if (QFileInfo(corpus.filePath(name)).size() >= 300 * 1024)
            files << corpus.filePath(name);
    }
    return files;
}

QStringList withPreview(const QStringList& files) {
    QStringList out;
    for (const QString& f : files)
        if (!imaging::LoadExifPreview(f).isNull())
            out << f;
    return out;
}

const QStringList& allPhotos() {
    static const QStringList files = cameraPhotos();
    return files;
}

const QStringList& previewPhotos() {
    static const QStringList files = withPreview(allPhotos());
    return files;
}

void exifPath(benchmark::State& state) {
    const QStringList& files = previewPhotos();
    const double start = ownCpu();
    for (auto _ : state) {
        for (const QString& f : files) {
            QImage preview = imaging::LoadExifPreview(f);
            preview = preview.scaled(imaging::kThumbnailBoxWidth, imaging::kThumbnailBoxHeight,
                                     Qt::KeepAspectRatio, Qt::SmoothTransformation);
            benchmark::DoNotOptimize(preview.constBits());
        }
    }
    setCpuPerItem(state, ownCpu() - start, files.size());
    state.SetItemsProcessed(state.iterations() * files.size());
}

void dctPath(benchmark::State& state) {
    const QStringList& files = allPhotos();
    const double start = ownCpu();
    for (auto _ : state) {
        for (const QString& f : files) {
            const imaging::ThumbnailLoad thumb = imaging::LoadThumbnail(f);
            benchmark::DoNotOptimize(thumb.image.constBits());
        }
    }
    setCpuPerItem(state, ownCpu() - start, files.size());
    state.SetItemsProcessed(state.iterations() * files.size());
}

void vips(benchmark::State& state, const QStringList& files) {
    const QString program = QStandardPaths::findExecutable("vipsthumbnail");
    if (program.isEmpty()) {
        state.SkipWithError("vipsthumbnail not found (Debian package libvips-tools)");
        return;
    }
    QTemporaryDir out;
    const double start = childCpu();
    for (auto _ : state) {
        QProcess p;
        p.start(program, QStringList(files) << "-s"
                                            << "96"
                                            << "-o" << out.filePath("%s.jpg"));
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            state.SkipWithError("vipsthumbnail failed");
            return;
        }
    }
    setCpuPerItem(state, childCpu() - start, files.size());
    state.SetItemsProcessed(state.iterations() * files.size());
}

void vipsPreviewSet(benchmark::State& state) {
    vips(state, previewPhotos());
}
void vipsAllSet(benchmark::State& state) {
    vips(state, allPhotos());
}

// Keeps every run's throughput so that ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> perSecond;
    std::map<std::string, double> cpuMs;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (const auto it = run.counters.find("items_per_second"); it != run.counters.end())
                perSecond[run.run_name.function_name] = it->second;
            if (const auto it = run.counters.find("cpu_ms_per_thumb"); it != run.counters.end())
                cpuMs[run.run_name.function_name] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

BENCHMARK(exifPath)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(vipsPreviewSet)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(dctPath)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(vipsAllSet)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::printf("camera photos: %lld, with an EXIF preview: %lld\n",
                static_cast<long long>(allPhotos().size()), static_cast<long long>(previewPhotos().size()));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& r = reporter.perSecond;
    auto& c = reporter.cpuMs;
    const auto print = [&](const char* label, const char* ours, const char* vips, const char* target) {
        const double wall = r[vips] > 0 ? r[ours] / r[vips] : 0.0;
        const double cpu = c[ours] > 0 ? c[vips] / c[ours] : 0.0;
        std::printf("%s: %.1f thumbnails/s (%.3f ms processor each), vipsthumbnail on the same files %.1f/s "
                    "(%.3f ms) -> %.2fx by wall clock, %.2fx by processor time (target %s)\n",
                    label, r[ours], c[ours], r[vips], c[vips], wall, cpu, target);
    };
    std::printf("\n");
    print("EXIF path", "exifPath", "vipsPreviewSet", ">= 10x");
    print("DCT path", "dctPath", "vipsAllSet", ">= 1x");
    benchmark::Shutdown();
    return 0;
}
