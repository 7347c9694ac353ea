// The photo document: its one queue (loads, changes, saves, discards and waits in the order asked for, on
// the worker, every result taken on the UI thread, nothing of a photo left taken afterwards), its history
// and the real save path.
#include "document/bitmapwork.h"
#include "document/changes.h"
#include "document/photodocument.h"
#include "document/savetarget.h"
#include "imaging/colour.h"
#include "imaging/redeye.h"
#include "imaging/resample.h"
#include "imaging/rotate.h"
#include "testsupport.h"

#include <csignal>
#include <sys/resource.h>

namespace {

// A photo whose every pixel differs, so that turns and colour changes show.
QImage gradient(int w, int h, int seed = 0) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 5 + seed) & 255, (x + y) & 255));
    return img;
}

PhotoDocument::Change rowwise(PhotoDocument::Change c) {
    c.rowwise = true;
    return c;
}

// An in-memory disk: photos read from it and saves written to it, failing where told.
struct FakeDisk {
    QMutex mutex;
    QHash<QString, QImage> files;
    QStringList decoded;
    QString failingTarget;
    testsupport::ThreadRecorder writes;
    QSemaphore gate{1000000}; // a test takes permits to hold the worker

    PhotoDocument::Decode decoder() {
        return [this](const QString& path) {
            gate.acquire();
            gate.release();
            QMutexLocker lock(&mutex);
            decoded << path;
            if (path == QStringLiteral("throws"))
                throw std::runtime_error("anything");
            imaging::PhotoLoad r;
            r.bitmap = files.value(path);
            r.exifLines = {QStringLiteral("Plik = ") + path};
            if (!files.contains(path)) {
                r.error = imaging::ImageErrorOpen;
                r.errorText = imaging::ImageErrorText(imaging::ImageErrorOpen);
            }
            return r;
        };
    }
    PhotoDocument::Encode encoder() {
        return [this](const QImage& b, const QString& path, int, const QString&) {
            writes.note();
            QMutexLocker lock(&mutex);
            imaging::SaveResult r;
            if (path == failingTarget) {
                r.error = imaging::ImageErrorWrite;
                r.errorText = QStringLiteral("dysk pełny");
            } else {
                files.insert(path, b);
            }
            return r;
        };
    }
};

struct Queue : ::testing::Test {
    FakeDisk disk;
    PhotoDocument doc{nullptr, disk.decoder(), disk.encoder()};
    QImage photo = gradient(64, 48);
    void SetUp() override {
        disk.files.insert(QStringLiteral("a"), photo);
        disk.files.insert(QStringLiteral("b"), gradient(5, 9, 2));
    }
    void settle() {
        doc.finish();
        QCoreApplication::processEvents();
    }
    void load(const QImage& bitmap) {
        doc.load(bitmap);
        doc.finish();
    }
};

TEST_F(Queue, ChangesRunInOrderOffTheUiThreadAndArriveOnIt) {
    testsupport::ThreadRecorder applied, arrived;
    QObject::connect(&doc, &PhotoDocument::changed, [&] { arrived.note(); });
    load(photo);
    PhotoDocument::Change turn = changes::TurnLeft();
    turn.applyHandingOn = {};
    turn.apply = [&applied](QImage& b) {
        applied.note();
        imaging::RotateLeft(b);
    };
    for (const PhotoDocument::Change& c : {turn, changes::BlackAndWhite(), changes::Sepia()})
        doc.run(c);
    EXPECT_TRUE(doc.isBusy());
    doc.finish();
    EXPECT_FALSE(doc.isBusy());
    QImage expected = photo;
    for (const auto& c : {changes::TurnLeft(), changes::BlackAndWhite(), changes::Sepia()})
        c.apply(expected);
    EXPECT_EQ(doc.bitmap(), expected);
    EXPECT_EQ(doc.undoDepth(), 3);
    EXPECT_TRUE(applied.noneOnUi());
    EXPECT_GE(arrived.count(), 3);
    EXPECT_TRUE(arrived.allOnUi());
}

TEST_F(Queue, HistoryIsBoundedByStepsAndBytesOldestFirst) {
    const qint64 one = photo.sizeInBytes();
    const struct {
        int steps;
        qint64 bytes;
        int edits;
        int depth;
    } cases[] = {
        {PhotoDocument::kMaxSteps, PhotoDocument::kMaxHistoryBytes, 25, 20}, // the step bound
        {20, 3 * one, 10, 3},                                                // the byte bound
        {20, one / 2, 2, 0},                                                 // one step above the bound alone
    };
    for (const auto& c : cases) {
        load(photo);
        doc.setHistoryLimits(c.steps, c.bytes);
        for (int i = 0; i < c.edits; ++i)
            doc.run(i % 2 ? changes::BlackAndWhite() : changes::Sepia());
        doc.finish();
        EXPECT_EQ(doc.undoDepth(), c.depth) << c.edits;
        EXPECT_LE(doc.historyBytes(), c.bytes);
        // The unedited photo can no longer be reached by undo: still modified at the bottom.
        while (doc.canUndo()) {
            doc.undo();
            doc.finish();
        }
        EXPECT_TRUE(doc.isModified());
    }
}

TEST_F(Queue, UndoRecordsAreAsSmallAsTheChangeAllowsAndUndoExactly) {
    const QImage big = gradient(300, 200);
    QImage seeThrough = big;
    seeThrough.setPixel(7, 7, qRgba(1, 2, 3, 4));
    const qint64 whole = big.sizeInBytes();
    const struct {
        const char* name;
        QImage photo;
        std::vector<PhotoDocument::Change> changes;
        qint64 recordBytes;
    } cases[] = {
        {"crop inside", big, {changes::Crop({10, 20, 100, 50})}, whole - 100 * 50 * 4},
        {"crop to a corner", big, {changes::Crop({0, 0, 120, 80})}, whole - 120 * 80 * 4},
        {"crop to the right edge", big, {changes::Crop({180, 10, 120, 190})}, whole - 120 * 190 * 4},
        {"crop reaching outside", big, {changes::Crop({250, 150, 100, 100})}, whole},
        {"sepia, row by row", big, {rowwise(changes::Sepia())}, whole},
        {"turns", big, {changes::TurnLeft(), changes::TurnLeft()}, 0},
        {"a patch",
         big,
         {{QStringLiteral("patch"), [](QImage& b) { b.setPixel(4, 4, 0); }, {}, {4, 4, 8, 8}}},
         8 * 8 * 4},
        // An older whole record is packed to its colour bytes, unless its alpha varies.
        {"two opaque",
         big,
         {rowwise(changes::Sepia()), rowwise(changes::BlackAndWhite())},
         whole + whole * 3 / 4},
        {"two see-through",
         seeThrough,
         {rowwise(changes::Sepia()), rowwise(changes::BlackAndWhite())},
         2 * whole},
    };
    for (const auto& c : cases) {
        load(c.photo);
        std::vector<QImage> states{c.photo};
        for (const auto& change : c.changes) {
            doc.run(change);
            states.push_back(states.back().copy());
            change.apply(states.back());
        }
        doc.finish();
        EXPECT_EQ(doc.bitmap(), states.back()) << c.name;
        EXPECT_EQ(doc.historyBytes(), c.recordBytes) << c.name;
        for (size_t i = states.size() - 1; i > 0; --i) {
            doc.undo();
            doc.finish();
            EXPECT_EQ(doc.bitmap(), states[i - 1]) << c.name; // the exact earlier pixels, alpha included
        }
        doc.redo();
        doc.finish();
        EXPECT_EQ(doc.bitmap(), states[1]) << c.name;
    }
}

TEST(PhotoDocumentViewCopy, IsMadeOnTheWorkerFromTheFinishedRowsAndArrivesWithTheChange) {
    PhotoDocument doc;
    const QImage photo = gradient(700, 450); // spread over the pool
    doc.load(photo);
    doc.finish();
    testsupport::ThreadRecorder planned, sized;
    doc.setViewCopyPlanner([&] {
        planned.note();
        return [&sized](QSize s) {
            sized.note(); // one call per change: no race
            return QSize(s.width() / 3, s.height() / 4);
        };
    });
    std::vector<QImage> shown; // what the window would take when told of the change
    testsupport::ThreadRecorder told;
    QObject::connect(&doc, &PhotoDocument::changed, [&] {
        told.note();
        shown.push_back(doc.viewCopy());
    });
    const auto arrives = [&](const std::string& what, const std::function<void()>& start) {
        shown.clear();
        QSignalSpy arrived(&doc, &PhotoDocument::changed);
        start();
        ASSERT_TRUE(arrived.wait(10000)) << what; // finish() might run the change here
        ASSERT_EQ(shown.size(), 1u) << what;
        QImage copy(doc.bitmap().width() / 3, doc.bitmap().height() / 4, QImage::Format_RGB32);
        imaging::ScaleNearestInto(doc.bitmap(), copy, true);
        EXPECT_EQ(shown[0], copy) << what;
    };
    // Handing their rows on (the turn, a band-by-band colour) or not (grey), and undo, which makes it from
    // the whole bitmap, whether kept (grey), packed (sepia) or worked out again (the turn).
    for (const auto& c : {changes::TurnLeft(), rowwise(changes::Sepia()), changes::BlackAndWhite()})
        arrives(c.name.toStdString(), [&] { doc.run(c); });
    for (const char* step : {"undo grey", "undo sepia", "undo turn"})
        arrives(step, [&] { doc.undo(); });
    EXPECT_EQ(doc.bitmap(), photo);
    EXPECT_EQ(sized.count(), 6) << "one size asked per change and per undo";
    EXPECT_TRUE(sized.noneOnUi()) << "the copy's size is asked on the worker";
    EXPECT_TRUE(planned.allOnUi());
    EXPECT_TRUE(told.allOnUi());
}

TEST_F(Queue, OnlyTheNewestOpenIsTakenAndOnesStaleBeforeTheirTurnAreNeverRead) {
    disk.gate.acquire(1000000); // the first read waits at the gate
    doc.open(QStringLiteral("a"));
    doc.run(changes::TurnLeft()); // dropped with the photo left
    doc.open(QStringLiteral("missing"));
    doc.open(QStringLiteral("b"));
    EXPECT_TRUE(doc.isLoading());
    EXPECT_EQ(doc.path(), QStringLiteral("b"));
    disk.gate.release(1000000);
    settle();
    EXPECT_EQ(doc.loadState(), PhotoDocument::LoadState::Loaded);
    EXPECT_EQ(doc.bitmap(), disk.files.value(QStringLiteral("b")));
    EXPECT_EQ(doc.exifLines(), QStringList{QStringLiteral("Plik = b")});
    EXPECT_EQ(doc.loadedSize(), QSize(5, 9));
    EXPECT_FALSE(doc.isModified() || doc.canUndo());
    // "a" was already being read; "missing" was dropped before its turn.
    EXPECT_EQ(disk.decoded, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST_F(Queue, AFailedOrThrowingReadLeavesNoPhotoAndSaysWhy) {
    QSignalSpy failed(&doc, &PhotoDocument::failed);
    for (const char* path : {"missing", "throws"}) {
        doc.open(QStringLiteral("a"));
        settle();
        doc.open(QString::fromLatin1(path));
        doc.run(changes::TurnLeft()); // asked for the photo that never comes: nothing to change
        settle();
        EXPECT_EQ(doc.loadState(), PhotoDocument::LoadState::Failed) << path;
        EXPECT_TRUE(doc.bitmap().isNull());
        EXPECT_FALSE(doc.isModified() || doc.canUndo());
    }
    ASSERT_EQ(failed.count(), 2);
    imaging::PhotoLoad memory;
    memory.error = imaging::ImageErrorMemory;
    memory.errorText = imaging::ImageErrorText(imaging::ImageErrorMemory);
    EXPECT_EQ(failed.at(1).at(0).toString(), imaging::ViewerLoadMessage(memory));
}

TEST_F(Queue, ASaveWritesWhatTheChangesBeforeItMadeAndClearsModifiedOnlyWhenWritten) {
    QSignalSpy saved(&doc, &PhotoDocument::saved);
    testsupport::ThreadRecorder outcomes;
    QObject::connect(&doc, &PhotoDocument::saved, [&] { outcomes.note(); });
    doc.open(QStringLiteral("a"));
    doc.run(changes::TurnLeft()); // queued behind the load: it turns photo "a"
    disk.failingTarget = QStringLiteral("full");
    const int failing = doc.save(QStringLiteral("full"), 80);
    const int good = doc.save(QStringLiteral("a_kopia"), 80);
    doc.run(changes::Sepia()); // after the save: not in the file
    settle();
    QImage turned = photo;
    imaging::RotateLeft(turned);
    ASSERT_EQ(saved.count(), 2);
    EXPECT_EQ(saved.at(0).at(0).toInt(), failing);
    EXPECT_FALSE(saved.at(0).at(2).value<imaging::SaveResult>().ok());
    EXPECT_EQ(saved.at(1).at(0).toInt(), good);
    EXPECT_EQ(disk.files.value(QStringLiteral("a_kopia")), turned);
    EXPECT_FALSE(disk.files.contains(QStringLiteral("full")));
    EXPECT_TRUE(doc.isModified()); // the sepia after the save
    doc.undo();
    settle();
    EXPECT_FALSE(doc.isModified()); // back at the state written
    EXPECT_TRUE(disk.writes.noneOnUi());
    EXPECT_TRUE(outcomes.allOnUi());
    // A save that fails leaves the edit marked.
    doc.run(changes::Blur());
    doc.save(QStringLiteral("full"), 80);
    settle();
    EXPECT_TRUE(doc.isModified());
}

TEST_F(Queue, ADiscardOfAFileThatHasGoneKeepsTheEdit) {
    doc.open(QStringLiteral("a"));
    doc.run(changes::Sepia());
    settle();
    const QImage edited = doc.bitmap();
    QSignalSpy failed(&doc, &PhotoDocument::failed);
    disk.files.remove(QStringLiteral("a"));
    doc.discard();
    settle();
    EXPECT_EQ(doc.bitmap(), edited);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(failed.count(), 1);
}

TEST_F(Queue, AWaitRunsOnTheUiThreadFromTheEventLoopOnceTheWorkBeforeItLanded) {
    doc.open(QStringLiteral("a"));
    doc.run(changes::TurnLeft());
    QSize seen;
    testsupport::ThreadRecorder ran;
    doc.whenSettled([&] {
        seen = doc.bitmap().size();
        ran.note();
    });
    doc.finish();
    EXPECT_FALSE(seen.isValid()); // never from inside the document
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, QSize(48, 64)); // the turn asked for before it has landed
    EXPECT_TRUE(ran.allOnUi());
}

TEST_F(Queue, ARedEyeChangeThatFindsNoPupilLeavesNoStep) {
    QImage grey(30, 20, QImage::Format_ARGB32);
    grey.fill(qRgb(120, 110, 100));
    load(grey);
    doc.run(changes::RedEye(QRect(-50, -50, 1000, 1000))); // reaching far past the photo
    settle();
    EXPECT_FALSE(doc.canUndo() || doc.isModified());
    QImage eye(40, 40, QImage::Format_ARGB32);
    eye.fill(qRgb(90, 90, 90));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            eye.setPixel(34 + x, 30 + y, qRgb(220, 20, 20)); // a pupil against the photo's right edge
    load(eye);
    doc.run(changes::RedEye(QRect(20, 20, 5000, 5000)));
    settle();
    EXPECT_TRUE(doc.isModified());
    // The same pixels as a region reaching just one pixel past the photo: beyond the edge reads black,
    // so the pupil's pixels on the edge are rim pixels.
    QImage expected = eye;
    ASSERT_TRUE(imaging::RemoveRedEyeInRegion(expected, QRect(20, 20, 21, 21)));
    EXPECT_EQ(doc.bitmap(), expected);
    EXPECT_EQ(qRed(doc.bitmap().pixel(39, 32)), 44); // rim: Round(0.1*220 + 0.7*20 + 0.4*20)
    EXPECT_EQ(qRed(doc.bitmap().pixel(36, 32)), 29); // inside: Round(0.05*220 + 0.6*20 + 0.3*20)
}

// The real save path (with and without camera items to carry over) onto a disk that fills part-way
// through the write: the file size limit stands in for the full disk. The photos are small enough for
// the whole file to wait in the writer's buffer until the end.
TEST(PhotoDocumentSave, AWriteThatFailsPartWayLeavesThePhotoByteForByteAndKeepsTheEdit) {
    testsupport::TempFolder folder;
    QImage noise(90, 60, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 7919 + y * 104729) % 251, (x * y) % 253, (x ^ y) & 255));
    ASSERT_TRUE(imaging::SaveJpeg(noise, folder.path(QStringLiteral("plain.jpg")), 95).ok());
    ASSERT_FALSE(folder
                     .write(QStringLiteral("camera.jpg"), testsupport::ReadFile(testsupport::corpusFile(
                                                              QStringLiteral("canon_40d_II_thumb_jfif.jpg"))))
                     .isEmpty());
    for (const QString& name : {QStringLiteral("plain.jpg"), QStringLiteral("camera.jpg")}) {
        SCOPED_TRACE(name.toStdString());
        const QString path = folder.path(name);
        const QByteArray before = testsupport::ReadFile(path);
        PhotoDocument doc;
        doc.open(path);
        doc.run(changes::Sepia());
        doc.finish();
        ASSERT_EQ(doc.loadState(), PhotoDocument::LoadState::Loaded);
        QSignalSpy saved(&doc, &PhotoDocument::saved);
        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit small = old;
        small.rlim_cur = 1024;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails, not kills
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        doc.save(path, 95);
        doc.finish();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        ASSERT_EQ(saved.count(), 1);
        const auto result = saved.at(0).at(2).value<imaging::SaveResult>();
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(
            imaging::SaveFailureMessage(result).startsWith(QStringLiteral("Błąd podczas zapisu pliku: ")));
        EXPECT_EQ(testsupport::ReadFile(path), before);
        EXPECT_TRUE(doc.isModified());
        // Without the limit the same save goes through, and nothing but the photos is left in the folder.
        doc.save(path, 95);
        doc.finish();
        EXPECT_FALSE(doc.isModified());
        EXPECT_NE(testsupport::ReadFile(path), before);
        EXPECT_EQ(QDir(folder.dir.path()).entryList(QDir::Files).size(), 2);
    }
}

TEST(PhotoDocumentSave, TheTargetIsTheNameAsAJpegOrTheFileThatAlreadyHoldsItInAnotherCase) {
    testsupport::TempFolder folder;
    for (const char* name : {"IMG_0001.JPG", "scan.tif", "b.jpg"})
        ASSERT_FALSE(folder.write(QString::fromLatin1(name), "x").isEmpty());
    const QString dir = folder.dir.path();
    const auto at = [&](const char* name) {
        return QDir::toNativeSeparators(folder.path(QString::fromLatin1(name)));
    };
    // The name typed, the photo's own file (if any) and the file written.
    const char* cases[][3] = {{"kopia", "", "kopia.jpg"},
                              {"img_0001", "", "IMG_0001.JPG"},
                              {"b", "", "b.jpg"},
                              {"IMG_0001", "IMG_0001.JPG", "IMG_0001.JPG"},
                              {"scan", "scan.tif", "scan.jpg"}};
    for (const auto& [name, own, target] : cases)
        EXPECT_EQ(QDir::toNativeSeparators(
                      document::JpegSaveTarget(dir, QString::fromLatin1(name), *own ? at(own) : QString())),
                  at(target))
            << name;
}

} // namespace
