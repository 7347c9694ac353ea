#include "imaging/imagefile.h"
#include "ui/main/imageview.h"
#include "ui/main/imageviewcontroller.h"
#include "ui/main/photoloader.h"
#include "uitestsupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

namespace {

// A baseline uncompressed TIFF of 16-bit grey samples: a depth the viewer refuses.
QByteArray Grey16Tiff(int w, int h) {
    QByteArray out("II*\0", 4);
    auto u16 = [&](quint16 v) { out.append(reinterpret_cast<const char*>(&v), 2); };
    auto u32 = [&](quint32 v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    const quint32 pixels = 8, bytes = static_cast<quint32>(w * h * 2);
    u32(pixels + bytes);
    out.append(QByteArray(static_cast<int>(bytes), '\x40'));
    const quint16 tags[][3] = {{256, 3, static_cast<quint16>(w)},
                               {257, 3, static_cast<quint16>(h)},
                               {258, 3, 16},
                               {259, 3, 1},
                               {262, 3, 1},
                               {273, 4, 8},
                               {277, 3, 1},
                               {278, 3, static_cast<quint16>(h)},
                               {279, 4, static_cast<quint16>(bytes)}};
    u16(9);
    for (const auto& t : tags) {
        u16(t[0]);
        u16(t[1]);
        u32(1);
        if (t[1] == 3) {
            u16(t[2]);
            u16(0);
        } else {
            u32(t[2]);
        }
    }
    u32(0);
    return out;
}

struct WindowFixture : ::testing::Test {
    uitest::Harness h;
    QString folder;

    void SetUp() override {
        folder = h.path(QStringLiteral("zdjecia"));
        QDir().mkpath(folder);
        h.shell.documents = folder;
    }
    void photo(const QString& name, int w, int hgt, QRgb colour) {
        QImage img(w, hgt, QImage::Format_RGB32);
        img.fill(colour);
        ASSERT_TRUE(img.save(folder + QLatin1Char('/') + name, "JPEG"));
    }
    void file(const QString& name, const QByteArray& bytes) {
        QFile f(folder + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void build() {
        h.build();
        h.window->resize(1000, 700);
        h.window->show();
        settle();
    }
    void settle() {
        h.window->photoLoader()->finish();
        QCoreApplication::processEvents();
    }
    ImageView& view() { return *h.window->ivObraz; }
};

TEST_F(WindowFixture, TheViewLivesInThePaintBoxAndShowsTheFirstPhoto) {
    photo(QStringLiteral("a.jpg"), 640, 480, qRgb(200, 30, 30));
    build();
    ASSERT_NE(h.window->ivObraz, nullptr);
    EXPECT_EQ(h.window->ivObraz->parentWidget(), h.window->pPaintBox);
    EXPECT_EQ(h.window->findChild<ImageView*>(QStringLiteral("ivObraz")), h.window->ivObraz);
    EXPECT_EQ(view().bitmap().size(), QSize(640, 480));
    EXPECT_EQ(h.window->laRozmiarPliku->text(), QStringLiteral("640x480"));
    EXPECT_EQ(h.window->laNazwaPliku->text(), QStringLiteral("a"));
    EXPECT_TRUE(h.window->laWagaPliku->text().endsWith(QStringLiteral(" KB")));
    EXPECT_FALSE(h.window->ExifLines.isEmpty());
    EXPECT_TRUE(h.prompts.records.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowFixture, ZoomCommandsDriveTheViewAndTheLabel) {
    photo(QStringLiteral("a.jpg"), 3000, 2000, qRgb(20, 120, 30));
    build();
    const float fitted = view().scale();
    EXPECT_LT(fitted, 1.0f);
    h.window->action(QStringLiteral("aWidokPowieksz"))->trigger();
    EXPECT_EQ(view().scale(), viewmath::ZoomStepIn(fitted));
    h.window->action(QStringLiteral("aWidok300"))->trigger();
    EXPECT_EQ(h.window->laZoom->text(), QStringLiteral("Widok: 300%"));
    EXPECT_TRUE(view().scrollBarsShown());
    h.window->action(QStringLiteral("aWidokNormalny_"))->trigger();
    EXPECT_EQ(h.window->laZoom->text(), QStringLiteral("Widok: 100%"));
    h.window->action(QStringLiteral("aWidokPomniejsz"))->trigger();
    EXPECT_EQ(h.window->laZoom->text(), QStringLiteral("Widok: 75%"));
    h.window->action(QStringLiteral("aWidokDopasuj"))->trigger();
    EXPECT_EQ(view().scale(), fitted);
    EXPECT_FALSE(view().scrollBarsShown());
    h.window->action(QStringLiteral("aWidokLupa"))->trigger();
    EXPECT_EQ(h.window->ToolMode, ImageViewController::MagnifierTool);
    EXPECT_EQ(h.window->action(QStringLiteral("aWidokLupa"))->property("Tag").toInt(), 1);
    QTest::keyPress(&view(), Qt::Key_Escape);
    EXPECT_EQ(h.window->ToolMode, ImageViewController::NoTool);
}

TEST_F(WindowFixture, EscapeEndsTheCropToolAndHidesItsPanel) {
    photo(QStringLiteral("a.jpg"), 3000, 2000, qRgb(20, 120, 30));
    build();
    h.window->pEdycjaKadrowanie->show();
    h.window->ToolMode = ImageViewController::CropTool;
    h.window->viewer()->zoomTo(2.0f);
    // Space pans and gives the tool back while the panel is up.
    QTest::keyPress(&view(), Qt::Key_Space);
    EXPECT_EQ(h.window->ToolMode, ImageViewController::HandTool);
    QTest::keyRelease(&view(), Qt::Key_Space);
    EXPECT_EQ(h.window->ToolMode, ImageViewController::CropTool);
    QTest::keyPress(&view(), Qt::Key_Escape);
    EXPECT_EQ(h.window->ToolMode, ImageViewController::NoTool);
    EXPECT_FALSE(h.window->pEdycjaKadrowanie->isVisible());
}

TEST_F(WindowFixture, RightClickOnTheViewOpensItsMenu) {
    photo(QStringLiteral("a.jpg"), 300, 200, qRgb(20, 120, 30));
    build();
    const QPoint at(50, 50);
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, view().viewport()->mapToGlobal(at));
    QApplication::sendEvent(view().viewport(), &e);
    EXPECT_TRUE(h.window->pmObraz->isVisible());
    h.window->pmObraz->hide();
}

TEST_F(WindowFixture, ViewCommandsWaitForAPhotoExceptTheFixedZooms) {
    build(); // empty folder
    h.window->action(QStringLiteral("aWidokPowieksz"))->trigger();
    h.window->action(QStringLiteral("aWidokLupa"))->trigger();
    EXPECT_EQ(view().scale(), 1.0f);
    EXPECT_EQ(h.window->ToolMode, ImageViewController::NoTool);
    h.window->action(QStringLiteral("aWidok400"))->trigger();
    EXPECT_EQ(view().scale(), 4.0f);
    EXPECT_FALSE(h.window->viewer()->fitToWindow());
}

TEST_F(WindowFixture, FastClicksThroughPhotosEndOnTheLast) {
    const int count = 6;
    for (int i = 0; i < count; ++i)
        photo(QStringLiteral("p%1.jpg").arg(i), 300 + 40 * i, 200 + 10 * i, qRgb(40 * i, 100, 50));
    build();
    QSignalSpy delivered(h.window->photoLoader(), &PhotoLoader::loaded);
    for (int i = 1; i < count; ++i)
        h.window->catalogue().makeCurrent(i);
    settle();
    EXPECT_EQ(delivered.count(), 1);
    const int last = h.window->catalogue().currentIndex();
    EXPECT_EQ(h.window->catalogue().at(last).Nazwa, QStringLiteral("p5"));
    EXPECT_EQ(view().bitmap().size(), QSize(500, 250));
    EXPECT_EQ(h.window->laRozmiarPliku->text(), QStringLiteral("500x250"));
    EXPECT_EQ(h.window->laNazwaPliku->text(), QStringLiteral("p5"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowFixture, AFailedLoadSaysSoAndKeepsThePhotoOnScreen) {
    photo(QStringLiteral("a.jpg"), 320, 240, qRgb(1, 2, 3));
    file(QStringLiteral("b.jpg"), QByteArray("\xFF\xD8\xFF\xE0 to nie jest zdjecie", 24));
    file(QStringLiteral("c.tif"), Grey16Tiff(4, 4));
    build();
    ASSERT_EQ(h.window->catalogue().at(0).Nazwa, QStringLiteral("a"));
    const qint64 shown = view().bitmap().cacheKey();

    h.window->catalogue().makeCurrent(1);
    settle();
    ASSERT_EQ(h.prompts.records.size(), 1);
    EXPECT_EQ(h.prompts.records[0].kind, ui::Prompts::Kind::Error);
    EXPECT_EQ(h.prompts.records[0].caption, QStringLiteral("Błąd"));
    EXPECT_TRUE(h.prompts.records[0].text.startsWith(QStringLiteral("Błąd odczytu pliku: ")));
    EXPECT_GT(h.prompts.records[0].text.size(), QStringLiteral("Błąd odczytu pliku: ").size());
    EXPECT_EQ(view().bitmap().cacheKey(), shown);
    EXPECT_EQ(h.window->laNazwaPliku->text(), QStringLiteral("b"));
    EXPECT_EQ(h.window->laRozmiarPliku->text(), QStringLiteral("320x240"));

    h.window->catalogue().makeCurrent(2);
    settle();
    ASSERT_EQ(h.prompts.records.size(), 2);
    EXPECT_EQ(h.prompts.records[1].text,
              QStringLiteral("Tylko obrazy 1, 4, 8, 24 lub 32 BitsPerPixel są obsługiwane w tym programie!"));
    EXPECT_EQ(view().bitmap().cacheKey(), shown);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(PhotoLoader, OnlyTheNewestRequestIsDeliveredAndStaleOnesAreSkipped) {
    QMutex mutex;
    QStringList decoded;
    QSemaphore started, gate;
    {
        PhotoLoader loader(nullptr, [&](const QString& path) {
            if (path == QStringLiteral("first")) {
                started.release();
                gate.acquire(); // holds the worker while the other requests queue up
            }
            QMutexLocker lock(&mutex);
            decoded << path;
            imaging::PhotoLoad r;
            r.bitmap = QImage(static_cast<int>(path.size()), 1, QImage::Format_ARGB32);
            return r;
        });
        QSignalSpy spy(&loader, &PhotoLoader::loaded);
        loader.request(QStringLiteral("first"));
        started.acquire();
        loader.request(QStringLiteral("second"));
        const int last = loader.request(QStringLiteral("third!"));
        EXPECT_TRUE(loader.isBusy());
        gate.release();
        loader.finish();
        QCoreApplication::processEvents();
        ASSERT_EQ(spy.count(), 1);
        EXPECT_EQ(spy.at(0).at(0).toInt(), last);
        EXPECT_EQ(spy.at(0).at(1).value<imaging::PhotoLoad>().bitmap.width(), 6);
        EXPECT_FALSE(loader.isBusy());
    } // the loader waits for its worker
    decoded.sort();
    // "first" ran to its end unused; "second" was stale before its turn and never decoded.
    EXPECT_EQ(decoded, QStringList({QStringLiteral("first"), QStringLiteral("third!")}));
}

} // namespace
