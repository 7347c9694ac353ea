// Photo editing on a 24-megapixel photo through the main window: each one-click correction and one
// brightness/contrast preview from the command to the repainted view, and the undo of each, against the
// bare imaging function on the same photo in the same run. A 1 ms timer on the UI thread measures the
// longest stall of the event loop while the window works, in rounds of their own: its ticks would take
// the processor from the work timed. The bare function and the window take turns in short blocks of
// rounds, so that both see the same state of a shared machine; not round by round, because a bare call
// just before the window's command leaves the pool's threads and memory as no use of the window does (it
// cost the window's command about a tenth more processor time). Times are medians of the rounds.
//
// The window keeps the photo as it was (on screen while the change is worked out, and for undo), so its
// result always goes to a second bitmap. The quarter turns and the filters make that bitmap themselves;
// for the functions that change their bitmap in place (black and white, sepia, brightness/contrast) the
// bare side therefore also copies the photo into a bitmap already in memory ("bare ms"); the function
// alone is shown beside it ("fn ms").
#include "cputime.h"

#include "core/settingsstore.h"
#include "document/photodocument.h"
#include "imaging/colour.h"
#include "imaging/filters.h"
#include "imaging/imagefile.h"
#include "imaging/rotate.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/edit/adjustmentdialog.h"
#include "ui/main/tfoglowny.h"
#include "ui/viewer/imageview.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSlider>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

constexpr int kPhotoW = 6000;
constexpr int kPhotoH = 4000;
constexpr int kBlocks = 3;
constexpr int kRoundsPerBlock = 5;
constexpr int kRounds = kBlocks * kRoundsPerBlock;

QImage Photo() {
    QImage img(kPhotoW, kPhotoH, QImage::Format_ARGB32);
    for (int y = 0; y < kPhotoH; ++y) {
        auto* row = reinterpret_cast<quint32*>(img.scanLine(y));
        for (int x = 0; x < kPhotoW; ++x)
            row[x] = 0xFF000000u | (quint32((x * 255) / kPhotoW) << 16) |
                     (quint32((y * 255) / kPhotoH) << 8) | quint32(((x ^ y) & 0x3F) * 4);
    }
    return img;
}

double Ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The median of a[i] / b[i] over the rounds.
double MedianRatio(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> r;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        r.push_back(a[i] / b[i]);
    return Median(r);
}

// The longest gap between two ticks of a 1 ms timer on the UI thread while `work` runs.
struct StallProbe {
    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;
    StallProbe() {
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            const qint64 now = clock.nsecsElapsed();
            worst = std::max(worst, now - last);
            last = now;
        });
    }
    void start() {
        clock.start();
        last = 0;
        worst = 0;
        timer.start();
    }
    double stop() {
        timer.stop();
        return double(worst) / 1e6;
    }
};

struct Timing {
    double all;   // wall-clock ms, with the copy
    double alone; // wall-clock ms of the function alone
    double cpu;   // processor ms of all threads, with the copy
};

// The rounds of one line.
struct Rounds {
    std::vector<double> bare, fn, window, undo;
    std::vector<double> bareCpu, windowCpu; // processor ms of all threads
    void addBare(const Timing& t) {
        bare.push_back(t.all);
        fn.push_back(t.alone);
        bareCpu.push_back(t.cpu);
    }
};

struct Row {
    const char* what;
    double bare = 0, fn = 0, window = 0, undo = 0, stall = 0;
    double ratio = 0, cpuRatio = 0; // of the medians
    double undoRatio = 0;           // the median of each undo's ratio to its command
    double bestRatio = 0;           // the window's fastest round to the bare one's

    void summarise(const Rounds& r) {
        bare = Median(r.bare);
        fn = Median(r.fn);
        window = Median(r.window);
        ratio = window / bare;
        cpuRatio = Median(r.windowCpu) / Median(r.bareCpu);
        bestRatio = *std::min_element(r.window.begin(), r.window.end()) /
                    *std::min_element(r.bare.begin(), r.bare.end());
        if (!r.undo.empty()) {
            undo = Median(r.undo);
            undoRatio = MedianRatio(r.undo, r.window);
        }
    }
};

// Times `fn` on the photo the window works on. A function that makes a new bitmap reads the photo
// itself, as the window's changes do; one that changes its bitmap in place gets the photo copied into
// `second`, a bitmap already in memory, and that copy is timed too. The result is handed to `result`
// when given, and otherwise let go of.
Timing Bare(const QImage& photo, const std::function<void(QImage&)>& fn, QImage* second,
            QImage* result = nullptr) {
    QImage b = photo; // shared: a new bitmap is made from it
    QElapsedTimer t;
    const double cpu = ownCpu();
    t.start();
    if (second)
        std::memcpy(second->bits(), photo.constBits(), static_cast<size_t>(photo.sizeInBytes()));
    const double copied = Ms(t);
    fn(second ? *second : b);
    const double all = Ms(t);
    const double cpuMs = (ownCpu() - cpu) * 1e3;
    if (result)
        *result = std::move(b);
    b = QImage();
    // A result given back on the pool must not overlap what is measured next.
    QThreadPool::globalInstance()->waitForDone();
    return {all, all - copied, cpuMs};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::InitResources();

    QTemporaryDir dir;
    const QString folder = dir.filePath("zdjecia");
    QDir().mkpath(folder);
    const QImage photo = Photo();
    if (!imaging::SaveJpeg(photo, folder + "/photo.jpg", 90).ok())
        return 1;

    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    shell.documents = QDir::toNativeSeparators(folder);
    core::SettingsStore store(dir.filePath("store.ini"));
    ui::TfoGlowny window({&prompts, &shell, &store, dir.filePath("settings")});
    window.resize(1280, 860);
    window.show();
    window.document()->finish();
    QApplication::processEvents();
    PhotoDocument& edit = *window.document();
    ImageView& view = *window.ivObraz;
    StallProbe probe;
    QImage second = edit.bitmap().copy(); // unshared and touched

    // Runs `start` and waits on the event loop until the edit's work is taken and the view repainted.
    // With `stall` given, the longest stall of the event loop meanwhile is added to it; otherwise `cpu`,
    // when given, receives the processor ms of all threads.
    const auto throughWindow = [&](const std::function<void()>& start, double* stall, double* cpu = nullptr) {
        QEventLoop loop;
        const auto c = QObject::connect(&edit, &PhotoDocument::busyChanged, &loop, [&](bool busy) {
            if (!busy)
                loop.quit();
        });
        if (stall)
            probe.start();
        QElapsedTimer t;
        const double cpuStart = ownCpu();
        t.start();
        start();
        if (edit.isBusy())
            loop.exec();
        view.viewport()->repaint();
        const double ms = Ms(t);
        if (cpu)
            *cpu = (ownCpu() - cpuStart) * 1e3;
        if (stall)
            *stall = std::max(*stall, probe.stop());
        QObject::disconnect(c);
        return ms;
    };

    const struct {
        const char* what;
        const char* action;
        std::function<void(QImage&)> bare;
        bool inPlace;
        std::function<void(QImage&)> turnBack{}; // how the window undoes a turn
    } corrections[] = {
        {"rotate left", "aEdycjaObrotL", imaging::RotateLeft, false, imaging::RotateRight},
        {"rotate right", "aEdycjaObrotP", imaging::RotateRight, false, imaging::RotateLeft},
        {"black and white", "aEdycjaBW", imaging::ToGreyscale, true},
        {"sepia", "aEdycjaSepia", imaging::ToSepia, true},
        {"blur (BLURMORE)", "aEdycjaBlurr", [](QImage& b) { imaging::ApplyNamedFilter(b, "BLURMORE"); },
         false},
        {"sharpen (SHARPEN)", "aEdycjaSharpen", [](QImage& b) { imaging::ApplyNamedFilter(b, "SHARPEN"); },
         false},
    };
    std::vector<Row> rows;
    for (const auto& c : corrections) {
        Row row{c.what};
        Rounds rounds;
        const auto command = [&] { window.action(c.action)->trigger(); };
        const auto undo = [&] { window.action("aEdycjaCofnij")->trigger(); };
        for (int block = 0; block < kBlocks; ++block) {
            // Each bare result is gone before the next call: as in use, it does not hold on to the memory
            // the next result reuses. A turn is turned back after each call, untimed: the window's undo
            // does so too, and its next command then reads a bitmap just written.
            QImage photo = edit.bitmap();
            for (int i = 0; i < kRoundsPerBlock; ++i) {
                QImage result;
                rounds.addBare(
                    Bare(photo, c.bare, c.inPlace ? &second : nullptr, c.turnBack ? &result : nullptr));
                if (c.turnBack) {
                    c.turnBack(result);
                    photo = std::move(result);
                    QThreadPool::globalInstance()->waitForDone(); // the bitmap let go of is given back
                }
            }
            for (int i = 0; i < kRoundsPerBlock; ++i) {
                double cpu = 0;
                rounds.window.push_back(throughWindow(command, nullptr, &cpu));
                rounds.windowCpu.push_back(cpu);
                rounds.undo.push_back(throughWindow(undo, nullptr));
                throughWindow(command, &row.stall); // watched
                throughWindow(undo, &row.stall);
            }
        }
        row.summarise(rounds);
        rows.push_back(row);
    }

    // The brightness/contrast preview: the timer's pause set to nothing, from the slider change to the
    // preview on screen.
    {
        Row row{"brightness/contrast preview"};
        Rounds rounds;
        const QImage untouched = edit.bitmap(); // the dialog's previews replace the edit's bitmap
        window.runDialog = [&](QDialog& d) {
            auto& a = dynamic_cast<ui::AdjustmentDialog&>(d);
            a.tAktualizuj->setInterval(0);
            int value = 30; // a new slider position every time
            for (int block = 0; block < kBlocks; ++block) {
                for (int i = 0; i < kRoundsPerBlock; ++i)
                    rounds.addBare(Bare(
                        untouched, [i](QImage& p) { ui::TfoJasnoscKontrast::Adjust(p, 30 + i, 20); },
                        &second));
                for (int i = 0; i < 2 * kRoundsPerBlock; ++i) {
                    const bool watched = i % 2 == 1;
                    double cpu = 0;
                    QEventLoop loop;
                    const auto c = QObject::connect(&edit, &PhotoDocument::changed, &loop, &QEventLoop::quit);
                    const double ms = throughWindow(
                        [&] {
                            a.sliders[0]->setValue(value++);
                            loop.exec();
                        },
                        watched ? &row.stall : nullptr, &cpu);
                    if (!watched) {
                        rounds.window.push_back(ms);
                        rounds.windowCpu.push_back(cpu);
                    }
                    QObject::disconnect(c);
                }
            }
            return int(QDialog::Rejected);
        };
        window.action("aEdycjaBrightnessContrast")->trigger();
        row.summarise(rounds);
        rows.push_back(row);
    }

    std::printf("24-megapixel photo (%d x %d), median of %d\n", kPhotoW, kPhotoH, kRounds);
    std::printf("%-28s %7s %9s %9s %7s %7s %7s %9s %7s %9s\n", "", "fn ms", "bare ms", "window ms", "ratio",
                "cpu rat", "best", "undo ms", "undo/ed", "stall ms");
    for (const Row& r : rows) {
        std::printf("%-28s %7.1f %9.1f %9.1f %7.2f %7.2f %7.2f", r.what, r.fn, r.bare, r.window, r.ratio,
                    r.cpuRatio, r.bestRatio);
        if (r.undo > 0)
            std::printf(" %9.1f %7.2f", r.undo, r.undoRatio);
        else
            std::printf(" %9s %7s", "-", "-");
        std::printf(" %9.1f\n", r.stall);
    }
    std::printf(
        "targets: ratio <= 1.3, undo/edit <= 1.3, stall < 50 ms\n"
        "cpu rat: the same ratio in processor time of all threads, which a busy shared machine disturbs "
        "less;\n"
        "best: the fastest rounds' ratio, where neither side waited for a processor (on a machine with two\n"
        "cores a woken helper thread sometimes waits behind the thread that woke it, whichever side)\n");
    window.close();
    return 0;
}
