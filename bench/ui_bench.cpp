// The browser's thumbnail fill on a folder of 1,000 two-megapixel JPEG photos (half of them carry an
// EXIF preview): the time from the window being shown to the last cell applied, as a ratio to decoding
// the same thumbnails one after another on one thread (the thumbnail throughput of the image layer),
// and the longest the event loop was kept from running while the fill went on.
//
// The photos are made once under the build tree (bench-photos/).
#include "core/settingsstore.h"
#include "imaging/imagefile.h"
#include "ui/browser/thumbnailcell.h"
#include "ui/browser/thumbnailfill.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/main/tfoglowny.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int kPhotos = 1000;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// JPEG bytes without their APPn segments, so that the stream goes FF D8 FF DB like a camera preview.
QByteArray bareJpeg(const QByteArray& jpeg) {
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xFF && (quint8(jpeg[at + 1]) & 0xF0) == 0xE0)
        at += 2 + ((quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]));
    return jpeg.left(2) + jpeg.mid(at);
}

void put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void put32(QByteArray& b, quint32 v) {
    put16(b, int(v & 0xFFFF));
    put16(b, int(v >> 16));
}

// An APP1 EXIF segment with an orientation entry and a JPEG preview in the thumbnail directory.
QByteArray exifSegment(const QByteArray& preview) {
    QByteArray tiff("II\x2A\x00", 4);
    put32(tiff, 8);
    put16(tiff, 1); // IFD0: Orientation = 1
    put16(tiff, 274);
    put16(tiff, 3);
    put32(tiff, 1);
    put32(tiff, 1);
    put32(tiff, 26); // IFD1 follows
    put16(tiff, 3);
    const quint32 data = 26 + 2 + 3 * 12 + 4;
    put16(tiff, 259), put16(tiff, 3), put32(tiff, 1), put32(tiff, 6);
    put16(tiff, 513), put16(tiff, 4), put32(tiff, 1), put32(tiff, data);
    put16(tiff, 514), put16(tiff, 4), put32(tiff, 1), put32(tiff, quint32(preview.size()));
    put32(tiff, 0);
    tiff.append(preview);
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(((body.size() + 2) >> 8) & 0xFF));
    segment.append(char((body.size() + 2) & 0xFF));
    return segment + body;
}

QImage scene(int i, QSize size) {
    QImage image(size, QImage::Format_ARGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor::fromHsv((i * 37) % 360, 160, 230));
    g.setColorAt(1, QColor::fromHsv((i * 37 + 120) % 360, 200, 90));
    p.fillRect(image.rect(), g);
    p.setPen(QPen(Qt::white, 9));
    for (int k = 0; k < 12; ++k)
        p.drawEllipse(QPoint((k * 211 + i * 13) % size.width(), (k * 137 + i * 7) % size.height()),
                      60 + k * 9, 40 + k * 5);
    return image;
}

bool makePhotos(const QString& folder) {
    if (QFile::exists(folder + "/.complete"))
        return true;
    QDir().mkpath(folder);
    std::printf("making %d photos in %s ...\n", kPhotos, qPrintable(folder));
    std::fflush(stdout);
    const QString tmp = folder + "/.tmp.jpg";
    for (int i = 0; i < kPhotos; ++i) {
        const QImage photo = scene(i, QSize(1632, 1224)); // 2 megapixels
        const QString path = folder + QString::asprintf("/foto%04d.jpg", i);
        if (!imaging::SaveJpeg(photo, path, 85).ok())
            return false;
        if (i % 2 == 0) {
            if (!imaging::SaveJpeg(photo.scaled(160, 120), tmp, 80).ok())
                return false;
            QByteArray whole = readAll(path);
            whole.insert(2, exifSegment(bareJpeg(readAll(tmp))));
            QFile out(path);
            if (!out.open(QIODevice::WriteOnly) || out.write(whole) != whole.size())
                return false;
        }
    }
    QFile::remove(tmp);
    QFile done(folder + "/.complete");
    return done.open(QIODevice::WriteOnly);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ui::InitResources();
    const QString folder = QStringLiteral(PIXVALE_BINARY_DIR) + "/bench-photos";
    if (!makePhotos(folder)) {
        std::fprintf(stderr, "could not make the photos\n");
        return 1;
    }
    QStringList files;
    for (const QString& name : QDir(folder).entryList({"*.jpg"}, QDir::Files, QDir::Name))
        files << folder + "/" + name;
    int previews = 0;

    // Baseline: the same thumbnails decoded one after another on this thread.
    QElapsedTimer t;
    t.start();
    for (const QString& f : files) {
        const QImage thumb = ui::decodeThumbnail(f);
        previews += thumb.width() > 96 ? 1 : 0; // previews are 160 wide, reductions at most 96
    }
    const double serialMs = double(t.nsecsElapsed()) / 1e6;

    // The window: shown, its 500 ms timer, then the fill until the last cell is applied.
    QTemporaryDir dir;
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    shell.documents = QDir::toNativeSeparators(folder);
    core::SettingsStore store(dir.filePath("store.ini"));
    ui::TfoGlowny window({&prompts, &shell, &store, dir.filePath("settings")});
    QAction* done = window.action("aEdycjaKreatorKadrowania");
    QElapsedTimer shown, tick;
    qint64 fillStartNs = 0, lastTickNs = 0, worstGapNs = 0;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = tick.nsecsElapsed();
        if (fillStartNs && lastTickNs)
            worstGapNs = std::max(worstGapNs, now - lastTickNs);
        lastTickNs = now;
    });
    QObject::connect(window.tMiniatury, &QTimer::timeout, [&] { fillStartNs = shown.nsecsElapsed(); });
    double totalMs = 0;
    QObject::connect(done, &QAction::changed, [&] {
        if (done->isEnabled() && totalMs == 0) {
            totalMs = double(shown.nsecsElapsed()) / 1e6;
            QTimer::singleShot(0, &app, &QApplication::quit);
        }
    });
    window.resize(1000, 700);
    shown.start();
    tick.start();
    probe.start();
    window.show();
    app.exec();
    probe.stop();
    const double fillMs = totalMs - double(fillStartNs) / 1e6;

    std::printf("photos: %lld (%d with an EXIF preview), pool threads: %d\n", (long long)files.size(),
                previews, window.thumbnailFill()->threadCount());
    std::printf("%-46s %10.1f ms\n", "serial thumbnail decode (baseline)", serialMs);
    std::printf("%-46s %10.1f ms   ratio %.3f (target <= 1.3)\n", "window shown -> last cell applied",
                totalMs, totalMs / serialMs);
    std::printf("%-46s %10.1f ms   ratio %.3f\n", "  of which the fill after the 500 ms timer", fillMs,
                fillMs / serialMs);
    std::printf("%-46s %10.1f ms   (target < 50)\n", "longest event-loop stall during the fill",
                double(worstGapNs) / 1e6);
    return 0;
}
