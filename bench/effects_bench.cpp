// Pixel effects and scaling on a 24-megapixel photo, as ratios to baselines measured in the same run:
// every in-place effect against one memcpy of the same bitmap, the Lanczos fit against Qt's own smooth
// scaling to the same size.
#include "imaging/colour.h"
#include "imaging/filters.h"
#include "imaging/resample.h"
#include "imaging/rotate.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
const QSize kFit(1280, 853);

// A real photo blown up to 6000 × 4000 (so branches see real colours), or a textured stand-in when the
// corpus is not there.
const QImage& photo() {
    static const QImage image = [] {
        QImage source(QStringLiteral(PIXVALE_CORPUS_DIR "/apple_iphone6_MM_thumb_8mp.jpg"));
        if (!source.isNull())
            return source.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .convertToFormat(QImage::Format_ARGB32);
        std::fprintf(stderr, "corpus photo not found: using a synthetic bitmap\n");
        QImage synthetic(kWidth, kHeight, QImage::Format_ARGB32);
        std::mt19937 rng(1);
        for (int y = 0; y < kHeight; ++y) {
            auto* row = reinterpret_cast<QRgb*>(synthetic.scanLine(y));
            for (int x = 0; x < kWidth; ++x)
                row[x] = qRgb((x / 23 + rng() % 16) & 255, (y / 17 + rng() % 16) & 255, ((x + y) / 31) & 255);
        }
        return synthetic;
    }();
    return image;
}

// One working copy, refilled from the photo outside the timed part, so that no allocation is timed
// for the effects that work in place.
QImage& workingCopy() {
    static QImage work = photo().copy();
    return work;
}

void refill(QImage& work) {
    if (work.size() != photo().size())
        work = photo().copy();
    std::memcpy(work.bits(), photo().constBits(), static_cast<std::size_t>(photo().sizeInBytes()));
}

void BM_Memcpy(benchmark::State& state) {
    const QImage& source = photo();
    std::vector<uchar> target(static_cast<std::size_t>(source.sizeInBytes()), 1);
    for (auto _ : state) {
        std::memcpy(target.data(), source.constBits(), target.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}

void runInPlace(benchmark::State& state, const std::function<void(QImage&)>& effect) {
    QImage& work = workingCopy();
    for (auto _ : state) {
        state.PauseTiming();
        refill(work);
        state.ResumeTiming();
        effect(work);
        benchmark::DoNotOptimize(work.constBits());
    }
}

void BM_Greyscale(benchmark::State& s) {
    runInPlace(s, imaging::ToGreyscale);
}
void BM_Sepia(benchmark::State& s) {
    runInPlace(s, imaging::ToSepia);
}
void BM_Brightness(benchmark::State& s) {
    runInPlace(s, [](QImage& i) { imaging::AdjustBrightness(i, 0.25); });
}
void BM_Contrast(benchmark::State& s) {
    runInPlace(s, [](QImage& i) { imaging::AdjustContrast(i, 0.4); });
}
void BM_Hsl(benchmark::State& s) {
    runInPlace(s, [](QImage& i) { imaging::AdjustHsl(i, 30, -20, 10); });
}
void BM_BlurMore(benchmark::State& s) {
    runInPlace(s, [](QImage& i) { imaging::ApplyNamedFilter(i, QStringLiteral("BLURMORE")); });
}
void BM_Sharpen(benchmark::State& s) {
    runInPlace(s, [](QImage& i) { imaging::ApplyNamedFilter(i, QStringLiteral("SHARPEN")); });
}
void BM_RotateLeft(benchmark::State& s) {
    runInPlace(s, imaging::RotateLeft);
}
void BM_RotateRight(benchmark::State& s) {
    runInPlace(s, imaging::RotateRight);
}

void BM_QtSmoothFit(benchmark::State& state) {
    for (auto _ : state) {
        const QImage fitted = photo().scaled(kFit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(fitted.constBits());
    }
}
void BM_LanczosFit(benchmark::State& state) {
    for (auto _ : state) {
        const QImage fitted = imaging::ScaleLanczos(photo(), kFit);
        benchmark::DoNotOptimize(fitted.constBits());
    }
}
void BM_NearestFit(benchmark::State& state) {
    for (auto _ : state) {
        const QImage fitted = imaging::ScaleNearest(photo(), kFit);
        benchmark::DoNotOptimize(fitted.constBits());
    }
}

#define PIXVALE_BENCH(fn) BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0)
PIXVALE_BENCH(BM_Memcpy);
PIXVALE_BENCH(BM_Greyscale);
PIXVALE_BENCH(BM_Sepia);
PIXVALE_BENCH(BM_Brightness);
PIXVALE_BENCH(BM_Contrast);
PIXVALE_BENCH(BM_RotateLeft);
PIXVALE_BENCH(BM_RotateRight);
PIXVALE_BENCH(BM_Hsl);
PIXVALE_BENCH(BM_BlurMore);
PIXVALE_BENCH(BM_Sharpen);
PIXVALE_BENCH(BM_QtSmoothFit);
PIXVALE_BENCH(BM_LanczosFit);
PIXVALE_BENCH(BM_NearestFit);

// Prints the usual table, then every figure as a ratio to its baseline with the target beside it.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // With --benchmark_repetitions the quickest repetition counts: on a shared machine the slower
        // ones measure the neighbours.
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
                const auto [it, added] = seconds_.emplace(run.run_name.function_name, seconds);
                if (!added)
                    it->second = std::min(it->second, seconds);
            }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        struct Row {
            const char* name;
            const char* baseline;
            double target;
        };
        const Row rows[] = {
            {"BM_Greyscale", "BM_Memcpy", 4},
            {"BM_Sepia", "BM_Memcpy", 4},
            {"BM_Brightness", "BM_Memcpy", 4},
            {"BM_Contrast", "BM_Memcpy", 4},
            {"BM_RotateLeft", "BM_Memcpy", 4},
            {"BM_RotateRight", "BM_Memcpy", 4},
            {"BM_Hsl", "BM_Memcpy", 25},
            {"BM_BlurMore", "BM_Memcpy", 15},
            {"BM_Sharpen", "BM_Memcpy", 15},
            {"BM_LanczosFit", "BM_QtSmoothFit", 1.5},
            {"BM_NearestFit", "BM_QtSmoothFit", 0},
        };
        std::printf("\n%-16s %10s  %-16s %8s %8s\n", "operation", "ms", "baseline", "ratio", "target");
        for (const Row& row : rows) {
            const auto it = seconds_.find(row.name);
            const auto base = seconds_.find(row.baseline);
            if (it == seconds_.end() || base == seconds_.end() || base->second <= 0)
                continue;
            const double ratio = it->second / base->second;
            std::printf("%-16s %10.1f  %-16s %7.2fx", row.name + 3, it->second * 1e3, row.baseline + 3,
                        ratio);
            if (row.target > 0)
                std::printf(" %7.1fx %s\n", row.target, ratio <= row.target ? "ok" : "OVER");
            else
                std::printf("       -\n");
        }
        if (const auto base = seconds_.find("BM_Memcpy"); base != seconds_.end())
            std::printf("(memcpy of the %d x %d bitmap: %.1f ms)\n", kWidth, kHeight, base->second * 1e3);
        std::fflush(stdout);
    }

private:
    std::map<std::string, double> seconds_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    photo();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
