#include "document/bitmapwork.h"
#include "document/photodocument.h"
#include "imaging/colour.h"
#include "imaging/filters.h"
#include "imaging/redeye.h"
#include "imaging/resample.h"
#include "imaging/rotate.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>

#include <functional>
#include <random>

namespace {

// A photo whose every pixel differs, so that turns and colour changes show.
QImage gradient(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, (x + y) & 255));
    return img;
}

PhotoDocument::Change turnLeft() {
    return {QStringLiteral("lewo"), imaging::RotateLeft, imaging::RotateRight, {}};
}
PhotoDocument::Change grey() {
    return {QStringLiteral("szary"), imaging::ToGreyscale, {}, {}};
}
PhotoDocument::Change sepia() {
    return {QStringLiteral("sepia"), imaging::ToSepia, {}, {}};
}

struct PhotoDocumentTest : ::testing::Test {
    PhotoDocument edit;
    QImage photo = gradient(64, 48);
    void SetUp() override {
        edit.load(photo);
        edit.finish();
    }
};

TEST_F(PhotoDocumentTest, ChangesRunInOrderOffTheUiThreadAndArriveOnIt) {
    std::vector<bool> onUiThread;
    QObject::connect(&edit, &PhotoDocument::changed,
                     [&] { onUiThread.push_back(QThread::currentThread() == qApp->thread()); });
    QThread* worker = nullptr;
    edit.run({QStringLiteral("x"),
              [&worker](QImage& b) {
                  worker = QThread::currentThread();
                  imaging::RotateLeft(b);
              },
              {},
              {}});
    edit.run(grey());
    edit.run(sepia());
    EXPECT_TRUE(edit.isBusy());
    edit.finish();
    EXPECT_FALSE(edit.isBusy());
    EXPECT_NE(worker, qApp->thread());
    QImage expected = photo;
    imaging::RotateLeft(expected);
    imaging::ToGreyscale(expected);
    imaging::ToSepia(expected);
    EXPECT_EQ(edit.bitmap(), expected);
    EXPECT_TRUE(edit.isModified());
    EXPECT_EQ(edit.undoDepth(), 3);
    ASSERT_EQ(onUiThread.size(), 3u);
    for (bool b : onUiThread)
        EXPECT_TRUE(b);
}

TEST_F(PhotoDocumentTest, UndoAndRedoAcrossMixedEditsRestoreEachStateExactly) {
    const QRect eye(10, 10, 12, 12);
    QImage red = photo;
    for (int y = 12; y < 20; ++y)
        for (int x = 12; x < 20; ++x)
            red.setPixel(x, y, qRgb(230, 20, 20));
    edit.load(red);
    edit.finish();
    std::vector<QImage> states{red};
    const PhotoDocument::Change changes[] = {
        turnLeft(),
        grey(),
        {QStringLiteral("crop"), [](QImage& b) { b = b.copy(5, 5, 30, 20); }, {}, {}},
        {QStringLiteral("eye"), [eye](QImage& b) { imaging::RemoveRedEyeInRegion(b, eye); }, {}, eye},
    };
    // The red eye first, while it is still red.
    edit.run(changes[3]);
    edit.finish();
    states.push_back(edit.bitmap());
    EXPECT_NE(states[1], states[0]);
    for (int i = 0; i < 3; ++i) {
        edit.run(changes[i]);
        edit.finish();
        states.push_back(edit.bitmap());
    }
    for (int i = 4; i > 0; --i) {
        edit.undo();
        edit.finish();
        EXPECT_EQ(edit.bitmap(), states[i - 1]) << i;
        EXPECT_EQ(edit.isModified(), i - 1 != 0) << i;
    }
    EXPECT_FALSE(edit.canUndo());
    for (int i = 1; i <= 4; ++i) {
        edit.redo();
        edit.finish();
        EXPECT_EQ(edit.bitmap(), states[i]) << i;
    }
    EXPECT_FALSE(edit.canRedo());
}

TEST_F(PhotoDocumentTest, HistoryKeepsOnlyWhatUndoNeeds) {
    const qint64 photoBytes = photo.sizeInBytes();
    edit.run(turnLeft());
    edit.run(turnLeft());
    edit.finish();
    EXPECT_EQ(edit.historyBytes(), 0); // turns have an exact inverse
    const QRect patch(4, 4, 8, 8);
    edit.run({QStringLiteral("patch"),
              [patch](QImage& b) { b.setPixel(patch.topLeft(), qRgb(1, 2, 3)); },
              {},
              patch});
    edit.finish();
    EXPECT_EQ(edit.historyBytes(), 8 * 8 * 4);
    edit.run(grey());
    edit.finish();
    EXPECT_EQ(edit.historyBytes(), 8 * 8 * 4 + photoBytes);
}

TEST_F(PhotoDocumentTest, HistoryIsBoundedByStepsAndBytesOldestFirst) {
    struct Case {
        int steps;
        qint64 bytes;
        int edits;
        int depth;
    };
    const qint64 one = photo.sizeInBytes();
    const Case cases[] = {
        {PhotoDocument::kMaxSteps, PhotoDocument::kMaxHistoryBytes, 25, 20}, // the step bound
        {20, 3 * one, 10, 3},                                                // the byte bound
        {20, one / 2, 2, 0},                                                 // one step above the bound alone
    };
    for (const Case& c : cases) {
        edit.load(photo);
        edit.finish();
        edit.setHistoryLimits(c.steps, c.bytes);
        for (int i = 0; i < c.edits; ++i)
            edit.run(i % 2 ? grey() : sepia());
        edit.finish();
        EXPECT_EQ(edit.undoDepth(), c.depth) << c.edits;
        EXPECT_LE(edit.historyBytes(), c.bytes);
        // The unedited photo can no longer be reached by undo: still modified at the bottom.
        while (edit.canUndo()) {
            edit.undo();
            edit.finish();
        }
        EXPECT_TRUE(edit.isModified());
    }
}

TEST_F(PhotoDocumentTest, ModifiedFollowsTheSavedState) {
    QSignalSpy changed(&edit, &PhotoDocument::changed);
    edit.run(sepia());
    edit.finish();
    EXPECT_TRUE(edit.isModified());
    edit.setModified(false); // saved
    edit.run(grey());
    edit.finish();
    edit.undo();
    edit.finish();
    EXPECT_FALSE(edit.isModified()); // back at the saved state
    edit.undo();
    edit.finish();
    EXPECT_TRUE(edit.isModified());
    // A new edit after undoing past the saved state: that state is gone.
    edit.run(turnLeft());
    edit.finish();
    EXPECT_TRUE(edit.isModified());
    EXPECT_FALSE(edit.canRedo());
    EXPECT_GE(changed.count(), 6);
}

TEST_F(PhotoDocumentTest, LoadingAnotherPhotoDropsQueuedWork) {
    edit.run(turnLeft());
    edit.run(grey());
    const QImage other = gradient(10, 10);
    edit.load(other);
    edit.finish();
    QCoreApplication::processEvents();
    EXPECT_EQ(edit.bitmap(), other);
    EXPECT_FALSE(edit.isModified());
    EXPECT_FALSE(edit.canUndo());
}

TEST_F(PhotoDocumentTest, CommitAndPreviewForTheDialogs) {
    const QImage before = edit.bitmap();
    QImage after = before;
    imaging::ToSepia(after);
    edit.preview(after);
    EXPECT_FALSE(edit.isModified());
    EXPECT_FALSE(edit.canUndo());
    edit.commit(QStringLiteral("dialog"), after, before);
    EXPECT_TRUE(edit.isModified());
    EXPECT_EQ(edit.undoName(), QStringLiteral("dialog"));
    edit.undo();
    edit.finish();
    EXPECT_EQ(edit.bitmap(), before);
    EXPECT_FALSE(edit.isModified());
    edit.redo();
    edit.finish();
    EXPECT_EQ(edit.bitmap(), after);
}

TEST(PhotoDocumentRows, ABandByBandChangeGivesThePixelsOfTheWholeChange) {
    using Fn = std::function<void(QImage&)>;
    const struct {
        const char* name;
        Fn fn;
    } changes[] = {
        {"grey", imaging::ToGreyscale},
        {"sepia", imaging::ToSepia},
        {"hsl", [](QImage& b) { imaging::AdjustHsl(b, 40, -30, 20); }},
        {"contrast+brightness",
         [](QImage& b) {
             imaging::AdjustContrast(b, 0.3);
             imaging::AdjustBrightness(b, -0.2);
         }},
    };
    // Sizes with one band, several bands and a short last band, and a row wider than a band.
    for (const QSize size : {QSize(64, 48), QSize(600, 500), QSize(200000, 2)}) {
        QImage source = gradient(size.width(), size.height());
        source.setPixel(0, 0, qRgba(10, 20, 30, 40)); // alpha that varies
        for (const auto& c : changes) {
            QImage whole = source.copy();
            c.fn(whole);
            const QImage banded = document::MapRows(source, c.fn);
            EXPECT_EQ(banded, whole) << c.name << " " << size.width();
            EXPECT_EQ(source.pixel(0, 0), qRgba(10, 20, 30, 40)) << "the source stays as it was";
        }
    }
}

TEST_F(PhotoDocumentTest, UndoRecordsAreAsSmallAsTheChangeAllows) {
    const QImage big = gradient(300, 200);
    const qint64 whole = big.sizeInBytes();
    struct Case {
        const char* name;
        PhotoDocument::Change change;
        qint64 recordBytes;
    };
    const auto crop = [](QRect r) {
        PhotoDocument::Change c{QStringLiteral("crop"), [r](QImage& b) { b = b.copy(r); }, {}, {}};
        c.crop = r;
        return c;
    };
    const auto rowwise = [](PhotoDocument::Change c) {
        c.rowwise = true;
        return c;
    };
    const Case cases[] = {
        {"crop inside", crop({10, 20, 100, 50}), whole - 100 * 50 * 4},
        {"crop to a corner", crop({0, 0, 120, 80}), whole - 120 * 80 * 4},
        {"crop to the right edge", crop({180, 10, 120, 190}), whole - 120 * 190 * 4},
        {"crop reaching outside", crop({250, 150, 100, 100}), whole}, // the whole photo is kept
        {"sepia, row by row", rowwise(sepia()), whole},
        {"turn", turnLeft(), 0},
    };
    for (const Case& c : cases) {
        edit.load(big);
        edit.finish();
        edit.run(c.change);
        edit.finish();
        QImage expected = big.copy();
        c.change.apply(expected);
        EXPECT_EQ(edit.bitmap(), expected) << c.name;
        EXPECT_EQ(edit.historyBytes(), c.recordBytes) << c.name;
        edit.undo();
        edit.finish();
        EXPECT_EQ(edit.bitmap(), big) << c.name; // the exact earlier pixels
        edit.redo();
        edit.finish();
        EXPECT_EQ(edit.bitmap(), expected) << c.name;
    }
}

TEST_F(PhotoDocumentTest, OlderWholeRecordsShrinkAndStillUndoExactly) {
    const auto rowwise = [](PhotoDocument::Change c) {
        c.rowwise = true;
        return c;
    };
    struct Case {
        const char* name;
        QImage photo;
        qint64 expectedBytes; // of two colour steps
    };
    QImage seeThrough = gradient(300, 200);
    seeThrough.setPixel(7, 7, qRgba(1, 2, 3, 4));
    const qint64 whole = seeThrough.sizeInBytes();
    const Case cases[] = {
        {"opaque", gradient(300, 200), whole + whole * 3 / 4}, // the lower one packed
        {"alpha that varies", seeThrough, 2 * whole},          // kept as it is
    };
    for (const Case& c : cases) {
        edit.load(c.photo);
        edit.finish();
        edit.run(rowwise(sepia()));
        edit.run(rowwise(grey()));
        EXPECT_TRUE(edit.isBusy()) << c.name;
        edit.finish();
        EXPECT_FALSE(edit.isBusy()) << c.name;
        EXPECT_EQ(edit.historyBytes(), c.expectedBytes) << c.name;
        QImage sepiaOnly = c.photo.copy();
        imaging::ToSepia(sepiaOnly);
        edit.undo();
        edit.finish();
        EXPECT_EQ(edit.bitmap(), sepiaOnly) << c.name;
        edit.undo();
        edit.finish();
        EXPECT_EQ(edit.bitmap(), c.photo) << c.name; // the exact earlier pixels, alpha included
        edit.redo();
        edit.redo();
        edit.finish();
        QImage both = sepiaOnly.copy();
        imaging::ToGreyscale(both);
        EXPECT_EQ(edit.bitmap(), both) << c.name;
    }
}

} // namespace

namespace {

TEST(PhotoDocumentViewCopy, IsMadeOnTheWorkerFromTheFinishedRowsAndArrivesWithTheChange) {
    PhotoDocument edit;
    const QImage photo = gradient(700, 450); // spread over the pool
    edit.load(photo);
    edit.finish();
    std::vector<const QThread*> planned, sized;
    edit.setViewCopyPlanner([&] {
        planned.push_back(QThread::currentThread());
        return [&sized](QSize s) {
            sized.push_back(QThread::currentThread()); // one call per change: no race
            return QSize(s.width() / 3, s.height() / 4);
        };
    });
    std::vector<QImage> shown; // what the window would take when told of the change
    QObject::connect(&edit, &PhotoDocument::changed, [&] {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        shown.push_back(edit.viewCopy());
    });
    PhotoDocument::Change turn = turnLeft();
    turn.applyHandingOn = [](QImage& b, const imaging::FinishedRows& f) {
        imaging::Rotate(b, imaging::QuarterTurn::Left, f);
    };
    PhotoDocument::Change rowwiseSepia = sepia();
    rowwiseSepia.rowwise = true;
    const auto viewersCopy = [](const QImage& b) {
        QImage copy(b.width() / 3, b.height() / 4, QImage::Format_RGB32);
        imaging::ScaleNearestInto(b, copy, true);
        return copy;
    };
    for (const PhotoDocument::Change& c : {turn, rowwiseSepia}) {
        shown.clear();
        QSignalSpy arrived(&edit, &PhotoDocument::changed);
        edit.run(c);
        ASSERT_TRUE(arrived.wait(10000)) << c.name.toStdString(); // finish() might run the change here
        ASSERT_EQ(shown.size(), 1u) << c.name.toStdString();
        EXPECT_EQ(shown[0], viewersCopy(edit.bitmap())) << c.name.toStdString();
    }
    ASSERT_EQ(sized.size(), 2u);
    // A change that cannot hand its rows on, and undo, make it from the whole bitmap, whether kept
    // (grey), packed (sepia) or worked out again (the turn).
    const auto arrives = [&](const char* what, const std::function<void()>& start) {
        shown.clear();
        QSignalSpy arrived(&edit, &PhotoDocument::changed);
        start();
        ASSERT_TRUE(arrived.wait(10000)) << what;
        ASSERT_EQ(shown.size(), 1u) << what;
        EXPECT_EQ(shown[0], viewersCopy(edit.bitmap())) << what;
    };
    arrives("grey", [&] { edit.run(grey()); });
    for (const char* step : {"undo grey", "undo sepia", "undo turn"})
        arrives(step, [&] { edit.undo(); });
    EXPECT_EQ(edit.bitmap(), photo);
    EXPECT_EQ(sized.size(), 6u) << "one size asked per change and per undo";
    for (const QThread* t : sized)
        EXPECT_NE(t, qApp->thread()) << "the copy's size is asked on the worker";
    for (const QThread* t : planned)
        EXPECT_EQ(t, qApp->thread());
}

} // namespace
