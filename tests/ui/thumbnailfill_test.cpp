#include "ui/browser/thumbnailfill.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <new>
#include <stdexcept>

namespace {

QStringList names(int n) {
    QStringList list;
    for (int i = 0; i < n; ++i)
        list << QStringLiteral("/photos/%1.jpg").arg(i);
    return list;
}

// Later photos finish first, so the fill has to hold them back.
QImage slowFirst(const QString& path) {
    const int i = QFileInfo(path).baseName().toInt();
    QThread::msleep(static_cast<unsigned long>(qMax(0, 12 - i)));
    QImage cell(116, 116, QImage::Format_ARGB32);
    cell.fill(QColor(i, 0, 0));
    return cell;
}

TEST(ThumbnailFill, CellsArriveInListOrderWithTheirOwnPicture) {
    ui::ThumbnailFill fill(slowFirst);
    QList<int> order;
    bool picturesMatch = true;
    QObject::connect(
        &fill, &ui::ThumbnailFill::cellReady, [&](int index, const QString& path, const QImage& cell) {
            order << index;
            picturesMatch = picturesMatch && path == names(13)[index] && cell.pixelColor(0, 0).red() == index;
        });
    QSignalSpy completed(&fill, &ui::ThumbnailFill::completed);
    fill.start(names(13));
    EXPECT_TRUE(fill.isRunning());
    ASSERT_TRUE(completed.wait(10000));
    QList<int> expected;
    for (int i = 0; i < 13; ++i)
        expected << i;
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(picturesMatch);
    EXPECT_TRUE(fill.isFinished());
    EXPECT_FALSE(fill.isRunning());
}

TEST(ThumbnailFill, NothingArrivesAfterAStop) {
    QSemaphore gate;
    ui::ThumbnailFill fill([&gate](const QString& path) {
        gate.acquire();
        return slowFirst(path);
    });
    QSignalSpy cells(&fill, &ui::ThumbnailFill::cellReady);
    QSignalSpy completed(&fill, &ui::ThumbnailFill::completed);
    fill.start(names(20));
    fill.stop();
    gate.release(100);
    QTest::qWait(200); // long enough for every running decode to post its result
    EXPECT_EQ(cells.count(), 0);
    EXPECT_EQ(completed.count(), 0);
    EXPECT_FALSE(fill.isFinished());
}

TEST(ThumbnailFill, ARestartDropsTheOldGeneration) {
    QSemaphore gate;
    std::atomic<bool> gated{true};
    ui::ThumbnailFill fill([&](const QString& path) {
        if (gated)
            gate.acquire();
        return slowFirst(path);
    });
    QStringList seen;
    QObject::connect(&fill, &ui::ThumbnailFill::cellReady,
                     [&](int, const QString& path, const QImage&) { seen << path; });
    QSignalSpy completed(&fill, &ui::ThumbnailFill::completed);
    fill.start(names(6));
    gated = false;
    const QStringList second = {QStringLiteral("/other/0.jpg"), QStringLiteral("/other/1.jpg")};
    fill.start(second);
    gate.release(100);
    ASSERT_TRUE(completed.wait(10000));
    QTest::qWait(100);
    EXPECT_EQ(seen, second);
    EXPECT_EQ(completed.count(), 1);
}

TEST(ThumbnailFill, AnEmptyListNeverRuns) {
    ui::ThumbnailFill fill(slowFirst);
    QSignalSpy completed(&fill, &ui::ThumbnailFill::completed);
    fill.start({});
    EXPECT_FALSE(fill.isRunning());
    QTest::qWait(20);
    EXPECT_EQ(completed.count(), 0);
}

TEST(ThumbnailFill, DestroyingWhileDecodingWaitsForTheWorkers) {
    QSemaphore gate;
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    auto fill = std::make_unique<ui::ThumbnailFill>([&](const QString& path) {
        ++started;
        gate.acquire();
        QImage cell = slowFirst(path);
        ++finished;
        return cell;
    });
    fill->start(names(8));
    QThread::msleep(20);
    gate.release(100);
    fill.reset(); // must neither hang nor touch freed memory (ASan)
    EXPECT_GT(started.load(), 0);
    EXPECT_EQ(started.load(), finished.load());
    QTest::qWait(50); // the posted results of the gone fill are dropped with it
}

TEST(ThumbnailFill, AMakerThatThrowsGivesANullCellAndTheFillGoesOn) {
    ui::ThumbnailFill fill([](const QString& path) {
        if (path.endsWith(QStringLiteral("/1.jpg")))
            throw std::bad_alloc();
        if (path.endsWith(QStringLiteral("/2.jpg")))
            throw std::runtime_error("damaged");
        return slowFirst(path);
    });
    QList<bool> nulls;
    QObject::connect(&fill, &ui::ThumbnailFill::cellReady,
                     [&](int, const QString&, const QImage& cell) { nulls << cell.isNull(); });
    QSignalSpy completed(&fill, &ui::ThumbnailFill::completed);
    fill.start(names(4));
    ASSERT_TRUE(completed.wait(10000));
    EXPECT_EQ(nulls, (QList<bool>{false, true, true, false}));
}

} // namespace
