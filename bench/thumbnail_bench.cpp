// Thumbnails per second of the camera photos of the corpus: through the EXIF preview and through the
// DCT-scaled decode, each against vipsthumbnail making 96-pixel thumbnails of the same files in the
// same run (one vipsthumbnail process for all files, so its start-up is spread over them).
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
    for (auto _ : state) {
        for (const QString& f : files) {
            QImage preview = imaging::LoadExifPreview(f);
            preview = preview.scaled(imaging::kThumbnailBoxWidth, imaging::kThumbnailBoxHeight,
                                     Qt::KeepAspectRatio, Qt::SmoothTransformation);
            benchmark::DoNotOptimize(preview.constBits());
        }
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}

void dctPath(benchmark::State& state) {
    const QStringList& files = allPhotos();
    for (auto _ : state) {
        for (const QString& f : files) {
            const imaging::ThumbnailLoad thumb = imaging::LoadThumbnail(f);
            benchmark::DoNotOptimize(thumb.image.constBits());
        }
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}

void vips(benchmark::State& state, const QStringList& files) {
    const QString program = QStandardPaths::findExecutable("vipsthumbnail");
    if (program.isEmpty()) {
        state.SkipWithError("vipsthumbnail not found (Debian package libvips-tools)");
        return;
    }
    QTemporaryDir out;
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
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end())
                perSecond[run.run_name.function_name] = it->second;
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
    const auto ratio = [&](const char* a, const char* b) {
        return r.count(a) && r.count(b) && r[b] > 0 ? r[a] / r[b] : 0.0;
    };
    std::printf("\nthumbnails/s: EXIF path %.1f, vipsthumbnail (same files) %.1f -> %.2fx (target >= 10x)\n",
                r["exifPath"], r["vipsPreviewSet"], ratio("exifPath", "vipsPreviewSet"));
    std::printf("thumbnails/s: DCT path %.1f, vipsthumbnail (same files) %.1f -> %.2fx (target >= 1x)\n",
                r["dctPath"], r["vipsAllSet"], ratio("dctPath", "vipsAllSet"));
    benchmark::Shutdown();
    return 0;
}
