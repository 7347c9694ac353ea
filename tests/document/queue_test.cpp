// The photo document's one queue: loads, changes, saves, discards and waits in the order asked for, on
// the worker, with every result taken on the UI thread and nothing of a photo left taken afterwards.
#include "document/changes.h"
#include "document/photodocument.h"
#include "imaging/redeye.h"
#include "imaging/rotate.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHash>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <atomic>

namespace {

QImage photoOf(int w, int h, int seed) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7 + seed) & 255, (y * 5 + seed) & 255, (x + y) & 255));
    return img;
}

// An in-memory disk: photos read from it and saves written to it, failing where told.
struct FakeDisk {
    QMutex mutex;
    QHash<QString, QImage> files;
    QStringList decoded;
    QString failingTarget;
    std::atomic<bool> writerOffUi{true};
    QSemaphore gate{1000000}; // a test takes permits to hold the worker

    PhotoDocument::Decode decoder() {
        return [this](const QString& path) {
            gate.acquire();
            gate.release();
            QMutexLocker lock(&mutex);
            decoded << path;
            imaging::PhotoLoad r;
            if (path == QStringLiteral("throws"))
                throw std::runtime_error("anything");
            if (!files.contains(path)) {
                r.error = imaging::ImageErrorOpen;
                r.errorText = imaging::ImageErrorText(imaging::ImageErrorOpen);
                return r;
            }
            r.bitmap = files.value(path);
            r.exifLines = {QStringLiteral("Plik = ") + path};
            return r;
        };
    }
    PhotoDocument::Encode encoder() {
        return [this](const QImage& b, const QString& path, int, const QString&) {
            writerOffUi = writerOffUi && QThread::currentThread() != qApp->thread();
            QMutexLocker lock(&mutex);
            imaging::SaveResult r;
            if (path == failingTarget) {
                r.error = imaging::ImageErrorWrite;
                r.errorText = QStringLiteral("dysk pełny");
                return r;
            }
            files.insert(path, b);
            return r;
        };
    }
};

struct Queue : ::testing::Test {
    FakeDisk disk;
    PhotoDocument doc{nullptr, disk.decoder(), disk.encoder()};
    void SetUp() override {
        disk.files.insert(QStringLiteral("a"), photoOf(8, 6, 1));
        disk.files.insert(QStringLiteral("b"), photoOf(5, 9, 2));
    }
    void settle() {
        doc.finish();
        QCoreApplication::processEvents();
    }
};

TEST_F(Queue, OnlyTheNewestOpenIsTakenAndOnesStaleBeforeTheirTurnAreNeverRead) {
    QSignalSpy changed(&doc, &PhotoDocument::changed);
    disk.gate.acquire(1000000); // the first read waits at the gate
    doc.open(QStringLiteral("a"));
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
        EXPECT_FALSE(doc.isModified());
        EXPECT_FALSE(doc.canUndo());
    }
    ASSERT_EQ(failed.count(), 2);
    imaging::PhotoLoad memory;
    memory.error = imaging::ImageErrorMemory;
    memory.errorText = imaging::ImageErrorText(imaging::ImageErrorMemory);
    EXPECT_EQ(failed.at(1).at(0).toString(), imaging::ViewerLoadMessage(memory));
}

TEST_F(Queue, ASaveWritesWhatTheChangesBeforeItMadeAndClearsModifiedOnlyWhenWritten) {
    QSignalSpy saved(&doc, &PhotoDocument::saved);
    std::vector<bool> onUi;
    QObject::connect(&doc, &PhotoDocument::saved,
                     [&] { onUi.push_back(QThread::currentThread() == qApp->thread()); });
    doc.open(QStringLiteral("a"));
    doc.run(changes::TurnLeft()); // queued behind the load: it turns photo "a"
    disk.failingTarget = QStringLiteral("full");
    const int failing = doc.save(QStringLiteral("full"), 80);
    const int good = doc.save(QStringLiteral("a_kopia"), 80);
    doc.run(changes::Sepia()); // after the save: not in the file
    settle();
    QImage turned = disk.files.value(QStringLiteral("a"));
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
    EXPECT_TRUE(disk.writerOffUi);
    EXPECT_EQ(onUi, (std::vector<bool>{true, true}));
    // A save that fails leaves the edit marked.
    doc.run(changes::Blur());
    doc.save(QStringLiteral("full"), 80);
    settle();
    EXPECT_TRUE(doc.isModified());
}

TEST_F(Queue, ASaveOfAPhotoLeftStillEndsButMarksNothingOfTheNextPhoto) {
    QSignalSpy saved(&doc, &PhotoDocument::saved);
    doc.open(QStringLiteral("a"));
    doc.run(changes::Sepia());
    settle();
    disk.gate.acquire(1000000);
    doc.open(QStringLiteral("b")); // waits at the gate
    doc.save(QStringLiteral("late"), 80);
    doc.run(changes::TurnRight()); // for photo "b"
    disk.gate.release(1000000);
    settle();
    ASSERT_EQ(saved.count(), 1);
    EXPECT_TRUE(disk.files.contains(QStringLiteral("late")));
    EXPECT_TRUE(doc.isModified()); // "b" turned, not saved
}

TEST_F(Queue, DiscardReadsTheFileAgainAsAStepThatUndoTakesBack) {
    doc.open(QStringLiteral("a"));
    doc.run(changes::Sepia());
    settle();
    const QImage edited = doc.bitmap();
    doc.discard();
    doc.run(changes::TurnLeft()); // made after the discard: kept, on the photo as stored
    settle();
    QImage expected = disk.files.value(QStringLiteral("a"));
    imaging::RotateLeft(expected);
    EXPECT_EQ(doc.bitmap(), expected);
    EXPECT_TRUE(doc.isModified());
    doc.undo();
    settle();
    EXPECT_EQ(doc.bitmap(), disk.files.value(QStringLiteral("a")));
    EXPECT_FALSE(doc.isModified());
    doc.undo(); // the discarded edit comes back
    settle();
    EXPECT_EQ(doc.bitmap(), edited);
    EXPECT_TRUE(doc.isModified());
    // A file that has gone keeps the edit.
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
    bool onUi = false;
    doc.whenSettled([&] {
        seen = doc.bitmap().size();
        onUi = QThread::currentThread() == qApp->thread();
    });
    doc.finish();
    EXPECT_FALSE(seen.isValid()); // never from inside the document
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, QSize(6, 8)); // the turn asked for before it has landed
    EXPECT_TRUE(onUi);
}

TEST_F(Queue, ARedEyeChangeThatFindsNoPupilLeavesNoStep) {
    QImage grey(30, 20, QImage::Format_ARGB32);
    grey.fill(qRgb(120, 110, 100));
    doc.load(grey);
    doc.run(changes::RedEye(QRect(-50, -50, 1000, 1000))); // reaching far past the photo
    settle();
    EXPECT_FALSE(doc.canUndo());
    EXPECT_FALSE(doc.isModified());
    QImage eye(40, 40, QImage::Format_ARGB32);
    eye.fill(qRgb(90, 90, 90));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            eye.setPixel(34 + x, 30 + y, qRgb(220, 20, 20)); // a pupil against the photo's right edge
    doc.load(eye);
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

} // namespace
