// Scanning and sorting a folder of 20,000 photos, against plain listings of the same folder that read
// every file's size and modification time. Prints the ratios; the catalogue should stay within 2x.
#include "core/catalogue.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace {

constexpr int kPhotos = 20000;
constexpr int kOthers = 2000;

QString folder() {
    return QStringLiteral(PIXVALE_BINARY_DIR "/bench-data/catalogue-20000");
}

// Created once; the marker is written last, so an interrupted run starts over.
void ensureFolder() {
    const QString dir = folder();
    const QString marker = dir + QStringLiteral("/complete.marker");
    if (QFile::exists(marker))
        return;
    QDir().mkpath(dir);
    const char* photoExtensions[] = {".jpg", ".JPEG", ".tif", ".tiff", ".JPG", ".jpeg"};
    const char* otherExtensions[] = {".jpgx", ".png", ".txt", ".tif.bak"};
    auto touch = [](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            std::fprintf(stderr, "cannot create %s\n", qPrintable(path));
    };
    for (int i = 0; i < kPhotos; ++i) {
        // Names in no particular order, so the sort has work to do.
        const int scrambled = static_cast<int>((static_cast<unsigned>(i) * 7919u) % kPhotos);
        touch(
            dir +
            QStringLiteral("/IMG_%1%2").arg(scrambled, 5, 10, QLatin1Char('0')).arg(photoExtensions[i % 6]));
    }
    for (int i = 0; i < kOthers; ++i)
        touch(dir + QStringLiteral("/other_%1%2").arg(i).arg(otherExtensions[i % 4]));
    touch(marker);
}

struct Listed {
    QString name;
    qint64 size;
    QDateTime modified;
};

void QtListing(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<Listed> listed;
        QDirIterator it(folder(), QDir::Files | QDir::Hidden);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            listed.push_back({it.fileName(), info.size(), info.lastModified()});
        }
        benchmark::DoNotOptimize(listed.data());
    }
}

void StdListing(benchmark::State& state) {
    const std::filesystem::path path = folder().toStdString();
    for (auto _ : state) {
        std::vector<std::pair<std::string, std::uintmax_t>> listed;
        std::filesystem::file_time_type newest{};
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (!entry.is_regular_file())
                continue;
            listed.emplace_back(entry.path().filename().string(), entry.file_size());
            newest = std::max(newest, entry.last_write_time());
        }
        benchmark::DoNotOptimize(listed.data());
        benchmark::DoNotOptimize(newest);
    }
}

void CatalogueScan(benchmark::State& state) {
    core::Catalogue catalogue;
    for (auto _ : state) {
        catalogue.scan(folder());
        benchmark::DoNotOptimize(catalogue.entries().data());
    }
    if (catalogue.size() != kPhotos)
        state.SkipWithError("the catalogue did not list every photo");
}

void CatalogueHeaderSorts(benchmark::State& state) {
    core::Catalogue catalogue;
    catalogue.scan(folder());
    catalogue.setCurrentIndex(kPhotos / 2);
    for (auto _ : state) {
        for (int column : {1, 2, 3, 0})
            catalogue.headerSort(column);
        benchmark::DoNotOptimize(catalogue.currentIndex());
    }
}

BENCHMARK(QtListing)->Unit(benchmark::kMillisecond);
BENCHMARK(StdListing)->Unit(benchmark::kMillisecond);
BENCHMARK(CatalogueScan)->Unit(benchmark::kMillisecond);
BENCHMARK(CatalogueHeaderSorts)->Unit(benchmark::kMillisecond);

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // Processor time (user and system): steadier than wall time on shared cores, and the folder is
        // in the cache, so waiting for the disk is not part of the comparison.
        for (const Run& run : runs)
            times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ensureFolder();
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto& t = reporter.times;
    if (t.count("CatalogueScan") && t.count("QtListing") && t.count("StdListing")) {
        std::printf("scan+sort / QDir listing (CPU time):            %.2f (target <= 2.00)\n",
                    t.at("CatalogueScan") / t.at("QtListing"));
        std::printf("scan+sort / std::filesystem listing (CPU time): %.2f\n",
                    t.at("CatalogueScan") / t.at("StdListing"));
    }
    return 0;
}
