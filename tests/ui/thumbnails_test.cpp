// The cells of the photo list: one picture composed, and the fill that makes them on worker threads
// and hands them to the UI thread in list order.
#include "ui/browser/thumbnailcell.h"
#include "ui/browser/thumbnailfill.h"
#include "uitestsupport.h"

namespace {

using testsupport::deliverQueued;

TEST(ThumbnailCell, ACameraPreviewIsUsedAndDamagedOrMissingFilesGiveNoPicture) {
    EXPECT_EQ(ui::decodeThumbnail(testsupport::corpusFile(QStringLiteral("canon_s40_II_thumb.jpg"))).size(),
              QSize(160, 120)); // the EXIF preview, not a reduction of the 480 × 360 photo
    const QImage reduced =
        ui::decodeThumbnail(testsupport::corpusFile(QStringLiteral("jolla_II_nothumb_8mp.jpg")));
    EXPECT_TRUE(!reduced.isNull() && reduced.width() <= 96 && reduced.height() <= 83);
    for (const char* name : {"damaged_truncated_half_rgb8_lzw.tiff", "no_such_file.jpg"})
        EXPECT_TRUE(ui::decodeThumbnail(testsupport::corpusFile(QString::fromLatin1(name))).isNull()) << name;
}

QStringList names(const QString& folder, int n) {
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QStringLiteral("/%1/%2.jpg").arg(folder).arg(i);
    return list;
}

// A cell that tells its photo: red = the number, green = 255 for the folder "other". Later photos
// finish first, so the fill has to hold them back.
QImage cellOf(const QString& path) {
    QImage cell(116, 116, QImage::Format_ARGB32);
    cell.fill(
        QColor(QFileInfo(path).baseName().toInt(), path.startsWith(QStringLiteral("/other/")) ? 255 : 0, 0));
    return cell;
}
QImage slowFirst(const QString& path) {
    QThread::msleep(static_cast<unsigned long>(qMax(0, 12 - QFileInfo(path).baseName().toInt())));
    return cellOf(path);
}

// The cells as they arrive: the path, and " null" or " wrong" when the picture is not its own.
struct Arrivals {
    QStringList cells;
    testsupport::ThreadRecorder threads;
    explicit Arrivals(ui::ThumbnailFill& fill) {
        QObject::connect(&fill, &ui::ThumbnailFill::cellReady,
                         [this](int, const QString& path, const QImage& cell) {
                             threads.note();
                             cells << path + (cell.isNull() ? " null" : cellOf(path) == cell ? "" : " wrong");
                         });
    }
};

TEST(ThumbnailFill, CellsArriveOnTheUiThreadInListOrderWithTheirOwnPicture) {
    ui::ThumbnailFill fill(slowFirst);
    Arrivals got(fill);
    QSignalSpy completed(&fill, &ui::ThumbnailFill::completed);
    fill.start(names(QStringLiteral("photos"), 13));
    ASSERT_TRUE(completed.wait(10000));
    EXPECT_EQ(got.cells, names(QStringLiteral("photos"), 13));
    EXPECT_TRUE(got.threads.allOnUi() && fill.isFinished() && !fill.isRunning());
}

// Decodes held at a gate until the test lets them go, counting those that ran to the end.
struct Gated {
    QSemaphore gate;
    std::atomic<bool> gated{true};
    std::atomic<int> started{0}, finished{0};
    ui::ThumbnailFill::CellMaker maker() {
        return [this](const QString& path) {
            ++started;
            if (gated)
                gate.acquire();
            QImage cell = slowFirst(path);
            ++finished;
            return cell;
        };
    }
    // Lets the held decodes finish and proves that whatever they posted has been delivered.
    bool drain(const QObject& fill) {
        gated = false;
        gate.release(1000);
        const bool done =
            testsupport::waitUntil([this] { return started == finished; }) && deliverQueued(&fill);
        gate.tryAcquire(gate.available()); // the next run is held again
        return done;
    }
};

TEST(ThumbnailFill, NothingArrivesAfterAStopAndARestartDropsTheOldRun) {
    Gated decodes;
    ui::ThumbnailFill fill(decodes.maker());
    Arrivals got(fill);
    QSignalSpy completed(&fill, &ui::ThumbnailFill::completed);
    fill.start(names(QStringLiteral("photos"), 20));
    ASSERT_TRUE(testsupport::waitUntil([&] { return decodes.started > 0; }));
    fill.stop();
    ASSERT_TRUE(decodes.drain(fill));
    EXPECT_TRUE(got.cells.isEmpty());
    EXPECT_EQ(completed.count(), 0);
    EXPECT_FALSE(fill.isFinished());

    decodes.gated = true;
    fill.start(names(QStringLiteral("photos"), 6));
    ASSERT_TRUE(testsupport::waitUntil([&] { return decodes.started > decodes.finished; }));
    fill.start(names(QStringLiteral("other"), 2));
    ASSERT_TRUE(decodes.drain(fill));
    ASSERT_TRUE(testsupport::waitUntil([&] { return completed.count() > 0; }));
    ASSERT_TRUE(decodes.drain(fill));
    EXPECT_EQ(got.cells, names(QStringLiteral("other"), 2));
    EXPECT_EQ(completed.count(), 1);
}

TEST(ThumbnailFill, DestroyedWhileDecodingItWaitsForItsWorkers) {
    Gated decodes;
    auto fill = std::make_unique<ui::ThumbnailFill>(decodes.maker());
    fill->start(names(QStringLiteral("photos"), 8));
    ASSERT_TRUE(testsupport::waitUntil([&] { return decodes.started > 0; }));
    decodes.gated = false;
    decodes.gate.release(1000);
    fill.reset(); // neither hangs nor lets a worker touch the freed fill (ASan)
    EXPECT_EQ(decodes.started, decodes.finished);
}

TEST(ThumbnailFill, AnEmptyListNeverRunsAndAThrowingMakerGivesANullCell) {
    ui::ThumbnailFill fill([](const QString& path) {
        if (path.endsWith(QStringLiteral("/1.jpg")))
            throw std::bad_alloc();
        if (path.endsWith(QStringLiteral("/2.jpg")))
            throw std::runtime_error("damaged");
        return slowFirst(path);
    });
    Arrivals got(fill);
    QSignalSpy completed(&fill, &ui::ThumbnailFill::completed);
    fill.start({});
    EXPECT_TRUE(!fill.isRunning() && deliverQueued(&fill) && completed.isEmpty());
    fill.start(names(QStringLiteral("photos"), 4));
    ASSERT_TRUE(completed.wait(10000));
    EXPECT_EQ(got.cells,
              (QStringList{"/photos/0.jpg", "/photos/1.jpg null", "/photos/2.jpg null", "/photos/3.jpg"}));
}

} // namespace
