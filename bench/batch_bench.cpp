// Batch cropping of 40 photos of 12 megapixels to 10x15, written in place at quality 80 with their
// metadata, against ImageMagick's mogrify doing the same cut on copies of the same files in the same
// run; and the automatic alignment (every photo looked at for faces first, as the wizard does, then
// cut) against the plain run. Every round works on fresh copies; the figures are medians of the rounds.
#include "cputime.h"
#include "imaging/batchcrop.h"
#include "imaging/imagefile.h"
#include "imaging/photometadata.h"
#include "imaging/subjectscan.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <libexif/exif-ifd.h>
#include <libexif/exif-tag.h>

namespace {

constexpr int kPhotos = 40;
constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kFormat = 2; // 10x15
constexpr int kQuality = 80;
constexpr int kRounds = 3;
// The automatic run may cost at most this much of the plain run.
constexpr double kAutomaticTarget = 1.3;
const char* const kSourcePhoto = "apple_iphone6_MM_thumb_8mp.jpg";

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One camera photo scaled up to 4000 × 3000, carrying its EXIF block and profile.
QByteArray makePhoto() {
    const QString source = QDir(PIXVALE_CORPUS_DIR).filePath(kSourcePhoto);
    const imaging::PhotoLoad photo = imaging::LoadPhoto(source);
    if (!photo.ok())
        return {};
    const QImage big = photo.bitmap.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return imaging::EncodeJpegWithMetadata(big, 92, imaging::ReadPhotoMetadata(source)).bytes;
}

QStringList freshCopies(const QString& folder, const QByteArray& photo) {
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 1; i <= kPhotos; ++i) {
        const QString path = QDir(folder).filePath(QStringLiteral("photo%1.jpg").arg(i, 2, 10, QChar('0')));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(photo) != photo.size())
            return {};
        paths << path;
    }
    return paths;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

Timing runOurs(const QStringList& paths, const QList<imaging::CropAlignment>& alignments = {}) {
    QList<imaging::BatchCropItem> items;
    for (int i = 0; i < paths.size(); ++i)
        items << imaging::BatchCropItem{paths[i], QFileInfo(paths[i]).fileName(),
                                        alignments.isEmpty() ? imaging::CropAlignment::Centre
                                                             : alignments[i]};
    imaging::BatchCropOptions options;
    options.formatCode = kFormat;
    options.quality = kQuality;
    options.target = imaging::BatchCropTarget::ReplaceInPlace;
    imaging::BatchCropRun run(items, options,
                              [](const QString&) { return imaging::BatchCropRun::Overwrite::No; });
    QEventLoop loop;
    imaging::BatchCropOutcome outcome;
    QObject::connect(&run, &imaging::BatchCropRun::finished, [&](const imaging::BatchCropOutcome& o) {
        outcome = o;
        loop.quit();
    });
    const double cpu = ownCpu();
    QElapsedTimer clock;
    clock.start();
    run.start();
    loop.exec();
    const Timing t{static_cast<double>(clock.nsecsElapsed()) * 1e-9, ownCpu() - cpu};
    if (outcome.written != kPhotos)
        std::printf("our run wrote %d of %d photos\n", outcome.written, kPhotos);
    return t;
}

// The automatic run: every photo looked at on the pool, then the run with the bands chosen.
Timing runAutomatic(const QStringList& paths) {
    const double cpu = ownCpu();
    QElapsedTimer clock;
    clock.start();
    QList<imaging::CropAlignment> alignments(paths.size(), imaging::CropAlignment::Centre);
    imaging::SubjectScan scan;
    QEventLoop loop;
    QObject::connect(&scan, &imaging::SubjectScan::found,
                     [&](int index, const QString&, const imaging::PhotoSubjects& subjects) {
                         alignments[index] = imaging::ChooseAlignment(subjects, kFormat);
                     });
    QObject::connect(&scan, &imaging::SubjectScan::finished, &loop, &QEventLoop::quit);
    scan.start(paths);
    loop.exec();
    const double looking = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    const Timing run = runOurs(paths, alignments);
    std::printf("  automatic: looking at the photos %.2f s, then the run %.2f s\n", looking, run.wall);
    return {looking + run.wall, ownCpu() - cpu};
}

Timing runMogrify(const QString& program, const QStringList& paths, const QString& geometry) {
    const double cpu = childCpu();
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(
        program,
        QStringList{"-gravity", "center", "-crop", geometry, "+repage", "-quality", QString::number(kQuality)}
            << paths);
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        std::printf("mogrify failed: %s\n", p.readAllStandardError().constData());
    return {static_cast<double>(clock.nsecsElapsed()) * 1e-9, childCpu() - cpu};
}

// Every output has the cut size and still names the camera.
int checkOutputs(const QStringList& paths, QSize size, const QString& make) {
    int bad = 0;
    for (const QString& path : paths) {
        const bool sized = QImageReader(path).size() == size;
        const bool exif = imaging::ExifItemText(path, EXIF_TAG_MAKE, EXIF_IFD_0) == make;
        bad += sized && exif ? 0 : 1;
    }
    return bad;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString mogrify = QStandardPaths::findExecutable("mogrify");
    if (mogrify.isEmpty()) {
        std::printf("mogrify not found (Debian package imagemagick)\n");
        return 1;
    }
    const QByteArray photo = makePhoto();
    if (photo.isEmpty()) {
        std::printf("the test photo could not be made from %s\n", kSourcePhoto);
        return 1;
    }
    // The cut CropToFormat makes of a 4000 × 3000 photo: the full width, (4000 div 152) × 102 rows.
    const QSize cut(kWidth, (kWidth / 152) * 102);
    const QString geometry = QStringLiteral("%1x%2+0+0").arg(cut.width()).arg(cut.height());
    const QString make =
        imaging::ExifItemText(QDir(PIXVALE_CORPUS_DIR).filePath(kSourcePhoto), EXIF_TAG_MAKE, EXIF_IFD_0);
    std::printf("%d photos of %dx%d (%.1f MB each, EXIF Make \"%s\"), cut to %s at quality %d\n", kPhotos,
                kWidth, kHeight, static_cast<double>(photo.size()) / 1e6, qPrintable(make),
                qPrintable(geometry), kQuality);

    QTemporaryDir work;
    std::vector<double> oursWall, oursCpu, theirWall, theirCpu, autoWall, autoCpu;
    int bad = 0;
    for (int round = 0; round < kRounds; ++round) {
        const QStringList ours = freshCopies(work.filePath("ours"), photo);
        const Timing a = runOurs(ours);
        bad += checkOutputs(ours, cut, make);
        const QStringList theirs = freshCopies(work.filePath("mogrify"), photo);
        const Timing b = runMogrify(mogrify, theirs, geometry);
        bad += checkOutputs(theirs, cut, make);
        const QStringList automatic = freshCopies(work.filePath("automatic"), photo);
        const Timing c = runAutomatic(automatic);
        bad += checkOutputs(automatic, cut, make);
        std::printf("round %d: ours %.2f s (%.2f s processor), mogrify %.2f s (%.2f s processor), automatic "
                    "%.2f s (%.2f s processor)\n",
                    round + 1, a.wall, a.cpu, b.wall, b.cpu, c.wall, c.cpu);
        autoWall.push_back(c.wall);
        autoCpu.push_back(c.cpu);
        oursWall.push_back(a.wall);
        oursCpu.push_back(a.cpu);
        theirWall.push_back(b.wall);
        theirCpu.push_back(b.cpu);
    }
    const double wall = median(theirWall) / median(oursWall);
    const double cpu = median(theirCpu) / median(oursCpu);
    std::printf(
        "\nbatch crop of %d photos: ours %.2f s (%.0f ms a photo), mogrify %.2f s -> %.2fx by wall clock, "
        "%.2fx by processor time (target >= 1.5x); outputs without the cut size or EXIF: %d\n",
        kPhotos, median(oursWall), median(oursWall) * 1e3 / kPhotos, median(theirWall), wall, cpu, bad);
    const double automaticWall = median(autoWall) / median(oursWall);
    const double automaticCpu = median(autoCpu) / median(oursCpu);
    const bool over = automaticWall > kAutomaticTarget;
    std::printf(
        "automatic alignment of %d photos: %.2f s against the plain run's %.2f s -> %.2fx by wall clock, "
        "%.2fx by processor time (target <= %.1fx)%s\n",
        kPhotos, median(autoWall), median(oursWall), automaticWall, automaticCpu, kAutomaticTarget,
        over ? " OVER" : "");
    return bad == 0 ? 0 : 2;
}
