#include "imaging/imagefile.h"
#include "imaging/photometadata.h"
#include "testsupport.h"
#include "document/photosaver.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <libexif/exif-ifd.h>
#include <libexif/exif-tag.h>

#include <memory>

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(PhotoSaver, WritesOnAWorkerAndDeliversOnTheUiThread) {
    QTemporaryDir dir;
    const QString source = testsupport::corpusFile(QStringLiteral("canon_40d_II_thumb_jfif.jpg"));
    const imaging::PhotoLoad photo = imaging::LoadPhoto(source);
    ASSERT_TRUE(photo.ok());
    PhotoSaver saver;
    QSignalSpy busy(&saver, &PhotoSaver::busyChanged);
    int calls = 0;
    bool onUiThread = false;
    imaging::SaveResult outcome;
    const QString target = dir.filePath(QStringLiteral("out.jpg"));
    saver.start(photo.bitmap, target, 80, source, [&](const imaging::SaveResult& r) {
        ++calls;
        onUiThread = QThread::currentThread() == qApp->thread();
        outcome = r;
    });
    EXPECT_TRUE(saver.isBusy());
    EXPECT_EQ(calls, 0); // not before the event loop runs
    for (int i = 0; i < 500 && busy.count() < 2; ++i)
        busy.wait(10);
    ASSERT_EQ(busy.count(), 2);
    EXPECT_TRUE(busy[0][0].toBool());
    EXPECT_FALSE(busy[1][0].toBool());
    EXPECT_FALSE(saver.isBusy());
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(onUiThread);
    EXPECT_TRUE(outcome.ok());
    EXPECT_EQ(imaging::LoadPhoto(target).bitmap.size(), photo.bitmap.size());
    EXPECT_EQ(imaging::ExifItemText(target, EXIF_TAG_MODEL, EXIF_IFD_0),
              imaging::ExifItemText(source, EXIF_TAG_MODEL, EXIF_IFD_0));
}

TEST(PhotoSaver, AFailedSaveLeavesTheFileItReplacesAsItWas) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("photo.jpg"));
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the photo as it was");
    }
    PhotoSaver saver;
    imaging::SaveResult outcome;
    saver.start(QImage(), target, 80, target, [&](const imaging::SaveResult& r) { outcome = r; });
    saver.finish();
    EXPECT_FALSE(outcome.ok());
    EXPECT_FALSE(outcome.errorText.isEmpty());
    EXPECT_EQ(contents(target), QByteArray("the photo as it was"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary file left behind
}

TEST(PhotoSaver, ASaveOnItsWayIsFinishedWhenTheSaverGoes) {
    QTemporaryDir dir;
    QImage img(1500, 1000, QImage::Format_ARGB32);
    img.fill(qRgb(30, 60, 90));
    const QString target = dir.filePath(QStringLiteral("late.jpg"));
    bool called = false;
    {
        auto saver = std::make_unique<PhotoSaver>();
        saver->start(img, target, 90, QString(), [&](const imaging::SaveResult&) { called = true; });
    }
    EXPECT_FALSE(called); // the window is gone: nothing to tell
    EXPECT_EQ(imaging::LoadPhoto(target).bitmap.size(), img.size());
}

} // namespace
