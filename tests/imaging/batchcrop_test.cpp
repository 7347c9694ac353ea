#include "imagefixtures.h"
#include "testsupport.h"

#include "imaging/batchcrop.h"
#include "imaging/batchcropwork.h"
#include "imaging/imagefile.h"
#include "imaging/photometadata.h"
#include "imaging/rasterconvert.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>
#include <libexif/exif-ifd.h>
#include <libexif/exif-tag.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace imaging;

namespace {

using Answer = BatchCropRun::Overwrite;

BatchCropItem Item(const QString& path, const QString& fileName = {},
                   CropAlignment alignment = DefaultCropAlignment) {
    return {path, fileName.isEmpty() ? QFileInfo(path).fileName() : fileName, alignment};
}

BatchCropItem Corpus(const char* name, CropAlignment alignment = DefaultCropAlignment) {
    return Item(testsupport::corpusFile(QString::fromLatin1(name)), {}, alignment);
}

// Items p1.jpg .. pN.jpg, all of one corpus photo; with `oldIn`, a file "old" already stands under each
// name in that folder.
QList<BatchCropItem> Numbered(int count, const char* photo, const QString& oldIn = {}) {
    QList<BatchCropItem> items;
    for (int i = 1; i <= count; ++i) {
        const QString name = QStringLiteral("p%1.jpg").arg(i);
        if (!oldIn.isEmpty()) {
            EXPECT_TRUE(fixtures::WriteFile(QDir(oldIn).filePath(name), "old"));
        }
        items << Item(testsupport::corpusFile(QString::fromLatin1(photo)), name);
    }
    return items;
}

BatchCropOptions Options(BatchCropTarget target, const QString& folder = {}, int formatCode = 2,
                         int quality = 80) {
    BatchCropOptions options;
    options.formatCode = formatCode;
    options.quality = quality;
    options.target = target;
    options.folder = folder;
    return options;
}

// Everything a run tells its owner, with the thread it was told on.
struct Recorder {
    std::vector<int> positions;
    std::vector<QString> questions;
    std::vector<Answer> answers; // given in turn; No once they run out
    int finishedCount = 0;
    std::optional<BatchCropOutcome> outcome;
    bool offThread = false; // something arrived on a thread other than the test's
    std::function<void(int)> onProgress;
    std::function<void()> onQuestion;
    std::unique_ptr<BatchCropRun> run;

    int count = 0;

    void make(QList<BatchCropItem> items, BatchCropOptions options, bool withQuestion = true) {
        count = static_cast<int>(items.size());
        BatchCropRun::OverwriteQuestion question = [this](const QString& target) {
            offThread |= QThread::currentThread() != qApp->thread();
            questions.push_back(target);
            if (onQuestion)
                onQuestion();
            return questions.size() <= answers.size() ? answers[questions.size() - 1] : Answer::No;
        };
        run = std::make_unique<BatchCropRun>(std::move(items), std::move(options),
                                             withQuestion ? question : BatchCropRun::OverwriteQuestion{});
        QObject::connect(run.get(), &BatchCropRun::progress, [this](int position, int total) {
            offThread |= QThread::currentThread() != qApp->thread();
            EXPECT_EQ(total, count);
            positions.push_back(position);
            if (onProgress)
                onProgress(position);
        });
        QObject::connect(run.get(), &BatchCropRun::finished, [this](const BatchCropOutcome& o) {
            offThread |= QThread::currentThread() != qApp->thread();
            ++finishedCount;
            outcome = o;
        });
    }

    // Starts the run and lets the event loop turn until it ends, then a little longer so that a second
    // `finished` would be seen.
    BatchCropOutcome runToEnd() {
        run->start();
        const QDeadlineTimer deadline(120000);
        while (!outcome && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        spin(100);
        EXPECT_TRUE(outcome.has_value());
        EXPECT_EQ(finishedCount, 1);
        EXPECT_FALSE(offThread);
        return outcome.value_or(BatchCropOutcome{});
    }

    static void spin(int ms) {
        const QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
};

// The pixels the plain path gives: LoadPhotoRaster, CropToFormat, SaveJpeg at the same quality.
QImage PlainPathPixels(const QString& photo, int formatCode, CropAlignment alignment, int quality,
                       const QString& scratch) {
    RasterLoad load = LoadPhotoRaster(photo);
    if (!load.ok() || !CropToFormat(load.raster, formatCode, alignment) ||
        !SaveJpeg(load.raster, scratch, quality).ok())
        return {};
    return LoadPhoto(scratch).bitmap;
}

TEST(BatchCropTargetPath, FollowsTheTargetAndGivesTiffPhotosAJpegName) {
    const QString dir = QDir::toNativeSeparators(QStringLiteral("/photos/"));
    const QString out = QStringLiteral("/out");
    struct Case {
        const char* file;
        BatchCropTarget target;
        QString folder;
        QString expected;
    };
    const Case cases[] = {
        {"a.jpg", BatchCropTarget::ReplaceInPlace, {}, dir + "a.jpg"},
        {"B.JPEG", BatchCropTarget::ReplaceInPlace, out, dir + "B.JPEG"},
        {"c.tif", BatchCropTarget::ReplaceInPlace, {}, dir + "c.jpg"},
        {"d.e.TIFF", BatchCropTarget::ReplaceInPlace, {}, dir + "d.e.jpg"},
        {"a.jpg", BatchCropTarget::OtherFolder, out, QDir::toNativeSeparators("/out/a.jpg")},
        {"a.jpg", BatchCropTarget::OtherFolder, out + "/", QDir::toNativeSeparators("/out/a.jpg")},
        {"c.tif", BatchCropTarget::OtherFolder, out, QDir::toNativeSeparators("/out/c.jpg")},
        {"a.jpg", BatchCropTarget::OtherFolder, {}, {}}, // no folder: nothing can be written
    };
    for (const Case& c : cases) {
        const BatchCropItem item = Item(dir + c.file);
        EXPECT_EQ(BatchCropTargetPath(item, Options(c.target, c.folder)), c.expected) << c.file;
    }
}

TEST(BatchCropSummaryText, CountsEachKindAndSaysWhenTheRunWasCutShort) {
    const QString counts = QStringLiteral("Zapisane zdjęcia: 38, pominięte: 2, nieudane: 1.");
    const struct {
        bool cancelled, stopped;
        const char* tail;
    } cases[] = {{false, false, ""}, {true, false, " Przerwano."}, {false, true, " Przerwano."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cancelled << c.stopped);
        EXPECT_EQ(BatchCropSummaryText({38, 2, 1, c.cancelled, c.stopped, {}}),
                  counts + QString::fromUtf8(c.tail));
    }
}

// In place, on copies: each written file holds exactly the plain path's pixels (format, alignment,
// upright turn of EXIF-rotated photos), keeps its EXIF with Orientation 1, and a TIFF gets name.jpg.
TEST(BatchCropRun, InPlaceWritesThePlainPathsPixelsWithTheSourcesExif) {
    struct Case {
        const char* file;
        int orientation; // > 0: a picture made here with this EXIF Orientation, else the corpus file
        CropAlignment alignment;
        QSize size; // of the written photo
    };
    const Case cases[] = {
        {"canon_sx60_II_thumb_3mp.jpg", 0, CropAlignment::Top, {1536, 1020}}, // turned upright (6)
        {"canon_s40_II_thumb.jpg", 0, CropAlignment::Centre, {480, 306}},     // JFIF and EXIF
        {"sony_xperia_MM_nothumb.jpg", 0, CropAlignment::Bottom, {720, 408}}, // big-endian EXIF
        {"nikon_d300_MM_thumb_progressive.jpg", 0, CropAlignment::Top, {200, 102}},
        {"tiff_rgb8_lzw.tiff", 0, CropAlignment::Top, {436, 204}}, // becomes name.jpg, the TIFF stays
        {"turned8.jpg", 8, CropAlignment::Bottom, {200, 102}},     // 300 × 200 stored, upright 200 × 300
        {"mirrored3.jpg", 3, CropAlignment::Centre, {600, 400}},   // 1000 × 400: the width cut
    };
    QTemporaryDir dir;
    QList<BatchCropItem> items;
    for (const Case& c : cases) {
        const QString copy = dir.filePath(QString::fromLatin1(c.file));
        if (c.orientation > 0) {
            fixtures::ExifSpec exif;
            exif.orientation = c.orientation;
            const QImage picture =
                fixtures::Quadrants(c.orientation == 8 ? 300 : 1000, c.orientation == 8 ? 200 : 400);
            ASSERT_TRUE(fixtures::WriteFile(
                copy, fixtures::InsertAfterSoi(fixtures::JpegBytes(picture),
                                               {fixtures::Segment(0xE1, fixtures::ExifPayload(exif))})));
        } else {
            ASSERT_TRUE(QFile::copy(testsupport::corpusFile(QString::fromLatin1(c.file)), copy));
        }
        items << Item(copy, {}, c.alignment);
    }
    const QTemporaryDir sources; // the untouched originals, for comparison
    for (const BatchCropItem& item : items)
        ASSERT_TRUE(QFile::copy(item.path, QDir(sources.path()).filePath(item.fileName)));

    Recorder recorder;
    recorder.make(items, Options(BatchCropTarget::ReplaceInPlace, {}, 2, 90));
    const BatchCropOutcome outcome = recorder.runToEnd();
    EXPECT_EQ(outcome.written, static_cast<int>(std::size(cases)));
    EXPECT_EQ(outcome.failed + outcome.skipped, 0);
    EXPECT_TRUE(recorder.questions.empty());
    EXPECT_EQ(recorder.positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));

    for (const Case& c : cases) {
        const QString source = QDir(sources.path()).filePath(QString::fromLatin1(c.file));
        const QString written = BatchCropTargetPath(Item(dir.filePath(QString::fromLatin1(c.file))),
                                                    Options(BatchCropTarget::ReplaceInPlace));
        const QImage expected = PlainPathPixels(source, 2, c.alignment, 90, dir.filePath("plain.jpg"));
        const QImage got = LoadPhoto(written).bitmap;
        EXPECT_EQ(got.size(), c.size) << c.file;
        EXPECT_EQ(fixtures::MaxChannelDiff(got, expected), 0) << c.file;
        const QString make = ExifItemText(source, EXIF_TAG_MAKE, EXIF_IFD_0);
        EXPECT_EQ(ExifItemText(written, EXIF_TAG_MAKE, EXIF_IFD_0), make) << c.file;
        if (make.isEmpty())
            continue;
        EXPECT_EQ(ExifItemText(written, EXIF_TAG_ORIENTATION, EXIF_IFD_0), QStringLiteral("Top-left"))
            << c.file;
        EXPECT_EQ(ExifItemText(written, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_IFD_EXIF),
                  QString::number(c.size.width()))
            << c.file;
    }
    EXPECT_FALSE(
        ExifItemText(dir.filePath("canon_sx60_II_thumb_3mp.jpg"), EXIF_TAG_MAKE, EXIF_IFD_0).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("tiff_rgb8_lzw.tiff")));
}

// In place a photo replaces itself unasked, but a TIFF's name.jpg may be another photo: that is asked about.
TEST(BatchCropRun, InPlaceATiffAsksBeforeReplacingAJpegOfItsName) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(testsupport::corpusFile("tiff_rgb8_none.tiff"), dir.filePath("x.tif")));
    ASSERT_TRUE(fixtures::WriteFile(dir.filePath("x.jpg"), "old"));
    Recorder recorder;
    recorder.make({Item(dir.filePath("x.tif"))}, Options(BatchCropTarget::ReplaceInPlace));
    EXPECT_EQ(recorder.runToEnd().skipped, 1);
    EXPECT_EQ(recorder.questions, std::vector<QString>{QDir::toNativeSeparators(dir.filePath("x.jpg"))});
    EXPECT_EQ(fixtures::ReadFile(dir.filePath("x.jpg")), QByteArray("old"));
}

TEST(BatchCropRun, NoToEveryQuestionWritesNothing) {
    QTemporaryDir dir;
    const QList<BatchCropItem> items = Numbered(4, "canon_s40_II_thumb.jpg", dir.path());
    Recorder recorder;
    recorder.make(items, Options(BatchCropTarget::OtherFolder, dir.path()));
    const BatchCropOutcome outcome = recorder.runToEnd();
    ASSERT_EQ(recorder.questions.size(), 4u);
    Recorder unasked; // a run without a question replaces nothing either
    unasked.make(items, Options(BatchCropTarget::OtherFolder, dir.path()), false);
    EXPECT_EQ(unasked.runToEnd().skipped, 4);
    for (int i = 1; i <= 4; ++i) {
        const QString path = dir.filePath(QStringLiteral("p%1.jpg").arg(i));
        EXPECT_EQ(recorder.questions[std::size_t(i - 1)], QDir::toNativeSeparators(path));
        EXPECT_EQ(fixtures::ReadFile(path), QByteArray("old"));
    }
    EXPECT_EQ(outcome.skipped, 4);
    EXPECT_EQ(outcome.written, 0);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4); // no temporary file left behind
}

TEST(BatchCropRun, CancelAtTheFourthOfTenEndsTheRunThere) {
    QTemporaryDir dir;
    const QList<BatchCropItem> items = Numbered(10, "nintendo_3ds_MM_thumb_mpo.jpg", dir.path());
    Recorder recorder;
    recorder.answers = {Answer::Yes, Answer::No, Answer::Yes, Answer::Cancel, Answer::Yes};
    recorder.make(items, Options(BatchCropTarget::OtherFolder, dir.path()));
    const BatchCropOutcome outcome = recorder.runToEnd();
    EXPECT_EQ(recorder.positions, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(recorder.questions.size(), 4u);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.written, 2);
    EXPECT_EQ(outcome.skipped, 1);
    for (int i = 1; i <= 10; ++i) {
        const bool rewritten = i == 1 || i == 3;
        EXPECT_EQ(fixtures::ReadFile(dir.filePath(QStringLiteral("p%1.jpg").arg(i))) == "old", !rewritten)
            << i;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 10);
}

// Photos that cannot be read or written are counted with their reason, one too small for the format is
// skipped, and the run goes on to the next.
TEST(BatchCropRun, FailuresAndTooSmallPhotosAreCountedAndTheRunGoesOn) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("blocked.jpg")); // a folder where the file would go
    Recorder recorder;
    recorder.answers = {Answer::Yes};
    recorder.make({Corpus("damaged_truncated_half_casio_exm2.jpg"), Corpus("canon_s40_II_thumb.jpg"),
                   Corpus("tiff_rgb16_must_refuse.tiff"), Item(dir.filePath("missing.jpg")),
                   Item(testsupport::corpusFile("canon_s40_II_thumb.jpg"), "blocked.jpg"),
                   Corpus("grey_noexif.jpg"), Corpus("nintendo_3ds_MM_thumb_mpo.jpg")},
                  Options(BatchCropTarget::OtherFolder, dir.path()));
    const BatchCropOutcome outcome = recorder.runToEnd();
    EXPECT_EQ(outcome.written, 2);
    EXPECT_EQ(outcome.failed, 4);
    EXPECT_EQ(outcome.skipped, 1); // 128 pixels are too narrow for 10x15
    EXPECT_EQ(
        outcome.failures,
        (QStringList{
            "damaged_truncated_half_casio_exm2.jpg: File not readable: " + ImageErrorText(ImageErrorCorrupt),
            "tiff_rgb16_must_refuse.tiff: Only 1, 4, 8, 24 or 32 BitsPerPixel are supported in this demo !",
            "missing.jpg: File not readable: " + ImageErrorText(ImageErrorOpen),
            "blocked.jpg: Błąd podczas zapisu pliku: " + ImageErrorText(ImageErrorWrite)}));
    EXPECT_TRUE(QFileInfo(dir.filePath("blocked.jpg")).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{"canon_s40_II_thumb.jpg", "nintendo_3ds_MM_thumb_mpo.jpg"}));
}

TEST(BatchCropRun, StopBetweenPhotosWritesNothingFurther) {
    QTemporaryDir dir;
    const QList<BatchCropItem> items = Numbered(6, "canon_s40_II_thumb.jpg");
    Recorder recorder;
    recorder.make(items, Options(BatchCropTarget::OtherFolder, dir.path()));
    recorder.onProgress = [&](int position) {
        if (position == 3)
            recorder.run->stop();
    };
    const BatchCropOutcome outcome = recorder.runToEnd();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.written, 2);
    EXPECT_EQ(recorder.positions, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"p1.jpg", "p2.jpg"}));
}

// The work runs on pool threads, two photos at most between their start and their handling, even
// while a question waits for a slow answer; every signal and question reaches the owner's thread
// (Recorder checks that).
TEST(BatchCropRun, WorkRunsOnThePoolTwoPhotosAtMost) {
    QTemporaryDir dir;
    const QList<BatchCropItem> items = Numbered(6, "canon_s40_II_thumb.jpg", dir.path());
    Recorder recorder;
    recorder.answers = std::vector<Answer>(6, Answer::Yes);
    recorder.make(items, Options(BatchCropTarget::OtherFolder, dir.path()));
    std::atomic<int> entered{0}, running{0}, peak{0}, onOwner{0};
    std::vector<int> enteredAtQuestion;
    recorder.onQuestion = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150)); // time for the pool to run ahead
        enteredAtQuestion.push_back(entered);
    };
    BatchCropRunProbe::setWorker(
        *recorder.run,
        [&](const BatchCropItem& item, const BatchCropOptions& options, const std::atomic<bool>& cancelled) {
            ++entered;
            onOwner += QThread::currentThread() == qApp->thread() ? 1 : 0;
            const int now = ++running;
            peak = std::max(peak.load(), now);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            detail::BatchCropProduct product = detail::CropAndEncode(item, options, cancelled);
            --running;
            return product;
        });
    const BatchCropOutcome outcome = recorder.runToEnd();
    EXPECT_EQ(outcome.written, 6);
    EXPECT_EQ(onOwner, 0);
    // While photo p is asked about, no photo after p + 1 has been started.
    ASSERT_EQ(enteredAtQuestion.size(), 6u);
    for (std::size_t p = 1; p <= enteredAtQuestion.size(); ++p)
        EXPECT_LE(enteredAtQuestion[p - 1], static_cast<int>(p) + 1) << p;
    EXPECT_LE(peak, 2);
    if (QThreadPool::globalInstance()->maxThreadCount() >= 2) {
        EXPECT_EQ(peak, 2);
    }
}

TEST(BatchCropRun, DestroyedMidRunItWaitsAndWritesNothingMore) {
    QTemporaryDir dir;
    const QList<BatchCropItem> items = Numbered(4, "canon_sd300_II_thumb_2mp.jpg");
    Recorder recorder;
    recorder.make(items, Options(BatchCropTarget::OtherFolder, dir.path()));
    recorder.onProgress = [&](int) { recorder.run.reset(); }; // photo 1 announced, not yet written
    recorder.run->start();
    Recorder::spin(1500);
    EXPECT_EQ(recorder.positions, std::vector<int>{1});
    EXPECT_EQ(recorder.finishedCount, 0);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(BatchCropRun, AnEmptyListFinishesAtOnceAndStopBeforeStartEndsIt) {
    Recorder empty;
    empty.make({}, Options(BatchCropTarget::ReplaceInPlace));
    EXPECT_EQ(empty.runToEnd().written, 0);
    EXPECT_TRUE(empty.positions.empty());

    Recorder stopped;
    stopped.make({Corpus("canon_s40_II_thumb.jpg")}, Options(BatchCropTarget::OtherFolder, "/nonexistent"));
    stopped.run->stop();
    const BatchCropOutcome outcome = stopped.runToEnd();
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(stopped.positions.empty());
}

// Whatever a photo's work throws is that photo's failure; the run counts it and goes on.
TEST(BatchCropRun, AnyExceptionOfAPhotosWorkIsAFailedPhoto) {
    QTemporaryDir dir;
    const QList<BatchCropItem> items = Numbered(4, "canon_s40_II_thumb.jpg");
    Recorder recorder;
    recorder.make(items, Options(BatchCropTarget::OtherFolder, dir.path()));
    BatchCropRunProbe::setWorker(*recorder.run, [](const BatchCropItem& item, const BatchCropOptions& options,
                                                   const std::atomic<bool>& cancelled) {
        if (item.fileName == "p2.jpg")
            throw std::runtime_error("zepsute");
        if (item.fileName == "p3.jpg")
            throw 42;
        return detail::CropAndEncode(item, options, cancelled);
    });
    const BatchCropOutcome outcome = recorder.runToEnd();
    EXPECT_EQ(outcome.written, 2);
    EXPECT_EQ(outcome.failed, 2);
    EXPECT_EQ(outcome.failures, (QStringList{"p2.jpg: " + detail::kUnexpectedFailure + " (zepsute)",
                                             "p3.jpg: " + detail::kUnexpectedFailure}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"p1.jpg", "p4.jpg"}));
}

// An owner going away mid-run does not wait for the photos in flight: the run leaves it, drops them as
// they come back, writes nothing more and deletes itself.
TEST(BatchCropRun, LeftToItselfItNeverMakesItsOwnerWait) {
    QTemporaryDir dir;
    const QList<BatchCropItem> items = Numbered(4, "canon_s40_II_thumb.jpg");
    auto owner = std::make_unique<QObject>();
    auto* run = new BatchCropRun(items, Options(BatchCropTarget::OtherFolder, dir.path()), {}, owner.get());
    const QPointer<BatchCropRun> alive(run);
    std::atomic<bool> release{false};
    std::atomic<int> entered{0};
    BatchCropRunProbe::setWorker(*run, [&](const BatchCropItem& item, const BatchCropOptions& options,
                                           const std::atomic<bool>& cancelled) {
        ++entered;
        while (!release.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return detail::CropAndEncode(item, options, cancelled);
    });
    bool finished = false;
    QObject::connect(run, &BatchCropRun::finished, [&] { finished = true; });
    // Should the owner wait after all, the work is let go after a while, so the test fails rather than hangs.
    std::thread watchdog([&] {
        for (int i = 0; i < 600 && !release.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        release = true;
    });
    run->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return entered.load() >= 1; }, 10000));
    run->DeleteWhenDone();
    owner.reset(); // would wait for the photo in flight if the run were still its child
    EXPECT_TRUE(alive);
    EXPECT_FALSE(release.load());
    release = true;
    watchdog.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, 10000));
    EXPECT_TRUE(finished);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

} // namespace
