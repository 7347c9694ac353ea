// Drawing a 24-megapixel photo in a 1920 x 1080 viewport: a full repaint fitted (scaled copy ready), at
// 100 % and at 800 % while panning, against drawing a ready 1920 x 1080 image; and rebuilding the Lanczos
// copy after a resize, against QImage::scaled with smooth transformation to the same size.
#include "imaging/resample.h"
#include "ui/viewer/imageview.h"

#include <QApplication>
#include <QPainter>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kPhotoW = 6000;
constexpr int kPhotoH = 4000;
const QSize kViewport(1920, 1080);

// Smooth gradients with fine detail, so that neither scaler meets a flat image.
const QImage& Photo() {
    static const QImage photo = [] {
        QImage img(kPhotoW, kPhotoH, QImage::Format_ARGB32);
        for (int y = 0; y < kPhotoH; ++y) {
            auto* row = reinterpret_cast<quint32*>(img.scanLine(y));
            for (int x = 0; x < kPhotoW; ++x) {
                const quint32 r = static_cast<quint32>((x * 255) / kPhotoW);
                const quint32 g = static_cast<quint32>((y * 255) / kPhotoH);
                const quint32 b = static_cast<quint32>(((x ^ y) & 0x3F) * 4);
                row[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
            }
        }
        return img;
    }();
    return photo;
}

struct Viewer {
    std::unique_ptr<ImageView> view = std::make_unique<ImageView>();
    QImage target{kViewport, QImage::Format_RGB32};
    Viewer() {
        // Laid out like a shown window, but with no screen to scroll: only the painting is measured.
        view->setAttribute(Qt::WA_DontShowOnScreen);
        view->resize(kViewport);
        view->show();
        view->setBitmap(Photo());
        view->setScaleMode(ImageView::ScaleMode::Scale);
    }
    void paint() {
        QPainter p(&target);
        view->render(p, target.rect());
    }
};

float FitScale() {
    return std::min(static_cast<float>(static_cast<long double>(kViewport.width()) / kPhotoW),
                    static_cast<float>(static_cast<long double>(kViewport.height()) / kPhotoH));
}

void DrawReadyImage(benchmark::State& state) {
    QImage ready = Photo().scaled(kViewport).convertToFormat(QImage::Format_RGB32);
    QImage target(kViewport, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&target);
        p.drawImage(0, 0, ready);
        p.end();
        benchmark::DoNotOptimize(target.constBits());
    }
}

void RepaintFitted(benchmark::State& state) {
    Viewer v;
    v.view->setScale(FitScale());
    v.view->setFilter(ImageView::Filter::Lanczos);
    v.paint();
    v.view->finishPendingScaling();
    for (auto _ : state) {
        v.paint();
        benchmark::DoNotOptimize(v.target.constBits());
    }
    if (v.view->scaledCacheFilter() != ImageView::Filter::Lanczos)
        state.SkipWithError("the Lanczos copy was not used");
}

void RepaintAt100(benchmark::State& state) {
    Viewer v;
    v.view->setScale(1.0f);
    v.view->centerOn(QPointF(kPhotoW / 2, kPhotoH / 2));
    for (auto _ : state) {
        v.paint();
        benchmark::DoNotOptimize(v.target.constBits());
    }
}

// At 800 %, moving `stride` pixels across and half that down before each repaint; the direction turns
// after every `turn` repaints, so the view swings to and fro over the photo.
void RepaintAt800(benchmark::State& state, int stride, int turn) {
    Viewer v;
    v.view->setScale(8.0f);
    v.view->setScrollBarThickness(-1);
    v.view->centerOn(QPointF(kPhotoW / 2, kPhotoH / 2));
    int step = 0;
    for (auto _ : state) {
        const int d = (step++ % (2 * turn)) < turn ? stride : -stride;
        v.view->scrollByPixels(d, d / 2);
        v.paint();
        benchmark::DoNotOptimize(v.target.constBits());
    }
}

// Panning by small steps: the enlarged copy is mostly reused.
void RepaintAt800Panning(benchmark::State& state) {
    RepaintAt800(state, 37, 20);
}

// Jumping further than a viewport each time: the enlarged copy never fits and is made anew.
void RepaintAt800Jumping(benchmark::State& state) {
    RepaintAt800(state, 2 * kViewport.width(), 4);
}

QSize FittedSize(float scale) {
    return {static_cast<int>(std::nearbyint(static_cast<long double>(kPhotoW) * scale)),
            static_cast<int>(std::nearbyint(static_cast<long double>(kPhotoH) * scale))};
}

void QtSmoothScale(benchmark::State& state) {
    const QSize size = FittedSize(FitScale() * 0.9f);
    for (auto _ : state) {
        QImage scaled = Photo().scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(scaled.constBits());
    }
}

// The resampler alone, to tell its share of a rebuild from the view's own.
void ResamplerAlone(benchmark::State& state) {
    const QSize size = FittedSize(FitScale() * 0.9f);
    for (auto _ : state) {
        QImage scaled = imaging::ScaleLanczos(Photo(), size);
        benchmark::DoNotOptimize(scaled.constBits());
    }
}

// A resize alternates between two fitted sizes, so every round makes a new copy.
void LanczosRebuildAfterResize(benchmark::State& state) {
    Viewer v;
    v.view->setFilter(ImageView::Filter::Lanczos);
    bool small = false;
    for (auto _ : state) {
        small = !small;
        v.view->setScale(small ? FitScale() * 0.9f : FitScale());
        v.paint();
        v.view->finishPendingScaling();
    }
    if (v.view->scaledCacheFilter() != ImageView::Filter::Lanczos)
        state.SkipWithError("the Lanczos copy was not made");
}

BENCHMARK(DrawReadyImage)->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintFitted)->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintAt100)->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintAt800Panning)->Unit(benchmark::kMillisecond);
BENCHMARK(RepaintAt800Jumping)->Unit(benchmark::kMillisecond);
BENCHMARK(QtSmoothScale)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(ResamplerAlone)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(LanczosRebuildAfterResize)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        // Repaints run on this thread alone: their CPU time is steadier than wall-clock time on a shared
        // machine. Scaling spreads over worker threads, so it is timed by the clock.
        for (const Run& run : runs) {
            cpu[run.run_name.function_name] = run.GetAdjustedCPUTime();
            real[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> cpu;
    std::map<std::string, double> real;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    auto ratio = [&](const char* what, const char* name, const char* base, const char* target) {
        const auto& t = std::string(name).find("Repaint") == 0 ? reporter.cpu : reporter.real;
        if (t.count(name) && t.count(base))
            std::printf("%-38s %.2f (target %s)\n", what, t.at(name) / t.at(base), target);
    };
    ratio("fitted repaint / ready image:", "RepaintFitted", "DrawReadyImage", "<= 1.5");
    ratio("100 % repaint / ready image:", "RepaintAt100", "DrawReadyImage", "<= 1.5");
    ratio("800 % panning repaint / ready image:", "RepaintAt800Panning", "DrawReadyImage", "<= 1.5");
    ratio("800 % jumping repaint / ready image:", "RepaintAt800Jumping", "DrawReadyImage", "for comparison");
    ratio("Lanczos rebuild / QImage smooth:", "LanczosRebuildAfterResize", "QtSmoothScale", "<= 2");
    ratio("resampler alone / QImage smooth:", "ResamplerAlone", "QtSmoothScale", "for comparison");
    return 0;
}
