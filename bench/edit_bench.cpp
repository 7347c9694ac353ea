// Photo editing on a 24-megapixel photo through the main window: each one-click correction and one
// brightness/contrast preview from the command to the repainted view, and the undo of each, against the
// bare imaging function on the same photo in the same run. A 1 ms timer on the UI thread measures the
// longest stall of the event loop while the window works.
//
// The window keeps the photo as it was (on screen while the change is worked out, and for undo), so its
// result always goes to a second bitmap. The quarter turns and the filters make that bitmap themselves;
// for the functions that change their bitmap in place (black and white, sepia, brightness/contrast) the
// bare side therefore also copies the photo into a bitmap already in memory ("bare ms"); the function
// alone is shown beside it ("fn ms").
#include "core/settingsstore.h"
#include "imaging/colour.h"
#include "imaging/filters.h"
#include "imaging/imagefile.h"
#include "imaging/rotate.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/main/adjustmentdialog.h"
#include "ui/main/imageview.h"
#include "ui/main/photoedit.h"
#include "ui/main/photoloader.h"
#include "ui/main/tfoglowny.h"

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
constexpr int kRounds = 5;

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

struct Row {
    const char* what;
    double bare = 0, fn = 0, window = 0, undo = 0, stall = 0;
};

// Times `fn` on a copy of `photo`; with `intoSecondBitmap`, the copy into a bitmap that is already in
// memory is timed too. Answers {with copy, function alone}.
std::pair<double, double> Bare(const QImage& photo, const std::function<void(QImage&)>& fn,
                               bool intoSecondBitmap) {
    QImage copy = photo.copy(); // unshared and touched, as the photo is after a load
    QElapsedTimer t;
    t.start();
    if (intoSecondBitmap)
        std::memcpy(copy.bits(), photo.constBits(), static_cast<size_t>(photo.sizeInBytes()));
    const double copied = Ms(t);
    fn(copy);
    const double all = Ms(t);
    copy = QImage();
    // The bare run's pixels are given back on the pool (100 MB take a while to unmap): that must not
    // overlap what is measured next.
    QThreadPool::globalInstance()->waitForDone();
    return {all, all - copied};
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
    window.photoLoader()->finish();
    QApplication::processEvents();
    PhotoEdit& edit = *window.photoEdit();
    ImageView& view = *window.ivObraz;
    StallProbe probe;

    // Runs `start` and waits on the event loop until the edit's work is taken and the view repainted.
    const auto throughWindow = [&](const std::function<void()>& start, double& stall) {
        QEventLoop loop;
        const auto c = QObject::connect(&edit, &PhotoEdit::busyChanged, &loop, [&](bool busy) {
            if (!busy)
                loop.quit();
        });
        probe.start();
        QElapsedTimer t;
        t.start();
        start();
        if (edit.isBusy())
            loop.exec();
        view.viewport()->repaint();
        const double ms = Ms(t);
        stall = std::max(stall, probe.stop());
        QObject::disconnect(c);
        return ms;
    };

    const struct {
        const char* what;
        const char* action;
        std::function<void(QImage&)> bare;
        bool inPlace;
    } corrections[] = {
        {"rotate left", "aEdycjaObrotL", imaging::RotateLeft, false},
        {"rotate right", "aEdycjaObrotP", imaging::RotateRight, false},
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
        std::vector<double> bare, fn, win, undo;
        for (int i = 0; i < kRounds; ++i) {
            // The bare result is gone before the window runs: as in use, it does not hold on to the
            // memory the window's result reuses.
            const auto [all, alone] = Bare(edit.bitmap(), c.bare, c.inPlace);
            bare.push_back(all);
            fn.push_back(alone);
            win.push_back(throughWindow([&] { window.action(c.action)->trigger(); }, row.stall));
            undo.push_back(throughWindow([&] { window.action("aEdycjaCofnij")->trigger(); }, row.stall));
        }
        row.bare = Median(bare);
        row.fn = Median(fn);
        row.window = Median(win);
        row.undo = Median(undo);
        rows.push_back(row);
    }

    // The brightness/contrast preview: the timer's pause set to nothing, from the slider change to the
    // preview on screen.
    {
        Row row{"brightness/contrast preview"};
        std::vector<double> bare, fn, win;
        for (int i = 0; i < kRounds; ++i) {
            const auto [all, alone] = Bare(
                edit.bitmap(), [i](QImage& b) { ui::TfoJasnoscKontrast::Adjust(b, 30 + i, 20); }, true);
            bare.push_back(all);
            fn.push_back(alone);
        }
        window.runDialog = [&](QDialog& d) {
            auto& a = dynamic_cast<ui::AdjustmentDialog&>(d);
            a.tAktualizuj->setInterval(0);
            for (int i = 0; i < kRounds; ++i) {
                double stall = 0;
                QEventLoop loop;
                const auto c = QObject::connect(&edit, &PhotoEdit::changed, &loop, &QEventLoop::quit);
                win.push_back(throughWindow(
                    [&] {
                        a.sliders[0]->setValue(30 + i);
                        loop.exec();
                    },
                    stall));
                row.stall = std::max(row.stall, stall);
                QObject::disconnect(c);
            }
            return int(QDialog::Rejected);
        };
        window.action("aEdycjaBrightnessContrast")->trigger();
        row.bare = Median(bare);
        row.fn = Median(fn);
        row.window = Median(win);
        rows.push_back(row);
    }

    std::printf("24-megapixel photo (%d x %d), median of %d\n", kPhotoW, kPhotoH, kRounds);
    std::printf("%-28s %7s %9s %9s %7s %9s %7s %9s\n", "", "fn ms", "bare ms", "window ms", "ratio",
                "undo ms", "undo/ed", "stall ms");
    for (const Row& r : rows) {
        std::printf("%-28s %7.1f %9.1f %9.1f %7.2f", r.what, r.fn, r.bare, r.window, r.window / r.bare);
        if (r.undo > 0)
            std::printf(" %9.1f %7.2f", r.undo, r.undo / r.window);
        else
            std::printf(" %9s %7s", "-", "-");
        std::printf(" %9.1f\n", r.stall);
    }
    std::printf("targets: ratio <= 1.3, undo/edit <= 1.3, stall < 50 ms\n");
    window.close();
    return 0;
}
