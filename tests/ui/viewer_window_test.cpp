#include "document/photodocument.h"
#include "imaging/imagefile.h"
#include "testsupport.h"
#include "ui/viewer/imageview.h"
#include "ui/viewer/imageviewcontroller.h"
#include "uitestsupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <new>
#include <stdexcept>

namespace {

struct WindowFixture : uitest::WindowTest {
    QString folder;

    void SetUp() override { folder = h.photoFolder(QStringLiteral("zdjecia")); }
    void photo(const QString& name, int w, int hgt, QRgb colour) {
        ASSERT_TRUE(uitest::writePhoto(folder + QLatin1Char('/') + name, QSize(w, hgt), colour));
    }
    void build() {
        h.build();
        h.show(QSize(1000, 700));
        settle();
    }
    ImageView& view() { return *w().ivObraz; }
};

TEST_F(WindowFixture, TheViewLivesInThePaintBoxAndShowsTheFirstPhoto) {
    photo(QStringLiteral("a.jpg"), 640, 480, qRgb(200, 30, 30));
    build();
    ASSERT_NE(w().ivObraz, nullptr);
    EXPECT_EQ(w().ivObraz->parentWidget(), w().pPaintBox);
    EXPECT_EQ(view().bitmap().size(), QSize(640, 480));
    EXPECT_EQ(w().laRozmiarPliku->text(), QStringLiteral("640x480"));
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("a"));
    EXPECT_TRUE(w().laWagaPliku->text().endsWith(QStringLiteral(" KB")));
    EXPECT_FALSE(w().document()->exifLines().isEmpty());
    EXPECT_TRUE(h.prompts.records.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowFixture, ZoomCommandsDriveTheViewAndTheLabel) {
    photo(QStringLiteral("a.jpg"), 3000, 2000, qRgb(20, 120, 30));
    build();
    const float fitted = view().scale();
    EXPECT_LT(fitted, 1.0f);
    act("aWidokPowieksz")->trigger();
    EXPECT_EQ(view().scale(), viewmath::ZoomStepIn(fitted));
    act("aWidok300")->trigger();
    EXPECT_EQ(w().laZoom->text(), QStringLiteral("Widok: 300%"));
    EXPECT_TRUE(view().scrollBarsShown());
    act("aWidokNormalny_")->trigger();
    EXPECT_EQ(w().laZoom->text(), QStringLiteral("Widok: 100%"));
    act("aWidokPomniejsz")->trigger();
    EXPECT_EQ(w().laZoom->text(), QStringLiteral("Widok: 75%"));
    act("aWidokDopasuj")->trigger();
    EXPECT_EQ(view().scale(), fitted);
    EXPECT_FALSE(view().scrollBarsShown());
    act("aWidokLupa")->trigger();
    EXPECT_EQ(w().ToolMode, ImageViewController::MagnifierTool);
    EXPECT_EQ(act("aWidokLupa")->property("Tag").toInt(), 1);
    QTest::keyPress(&view(), Qt::Key_Escape);
    EXPECT_EQ(w().ToolMode, ImageViewController::NoTool);
}

TEST_F(WindowFixture, EscapeEndsTheCropToolAndHidesItsPanel) {
    photo(QStringLiteral("a.jpg"), 3000, 2000, qRgb(20, 120, 30));
    build();
    w().pEdycjaKadrowanie->show();
    w().ToolMode = ImageViewController::CropTool;
    w().viewer()->zoomTo(2.0f);
    // Space pans and gives the tool back while the panel is up.
    QTest::keyPress(&view(), Qt::Key_Space);
    EXPECT_EQ(w().ToolMode, ImageViewController::HandTool);
    QTest::keyRelease(&view(), Qt::Key_Space);
    EXPECT_EQ(w().ToolMode, ImageViewController::CropTool);
    QTest::keyPress(&view(), Qt::Key_Escape);
    EXPECT_EQ(w().ToolMode, ImageViewController::NoTool);
    EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible());
}

TEST_F(WindowFixture, RightClickOnTheViewOpensItsMenu) {
    photo(QStringLiteral("a.jpg"), 300, 200, qRgb(20, 120, 30));
    build();
    const QPoint at(50, 50);
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, view().viewport()->mapToGlobal(at));
    QApplication::sendEvent(view().viewport(), &e);
    EXPECT_TRUE(w().pmObraz->isVisible());
    w().pmObraz->hide();
}

TEST_F(WindowFixture, AnEmptyFolderHasNoCurrentPhotoAndViewCommandsWaitExceptTheFixedZooms) {
    build();
    EXPECT_EQ(w().catalogue().currentIndex(), -1);
    EXPECT_TRUE(w().laNazwaPliku->text().isEmpty());
    act("aPlikNastepny")->trigger();
    settle();
    act("aWidokSortujRozmiar")->trigger();
    EXPECT_EQ(w().catalogue().currentIndex(), -1);
    act("aWidokPowieksz")->trigger();
    act("aWidokLupa")->trigger();
    EXPECT_EQ(view().scale(), 1.0f);
    EXPECT_EQ(w().ToolMode, ImageViewController::NoTool);
    act("aWidok400")->trigger();
    EXPECT_EQ(view().scale(), 4.0f);
    EXPECT_FALSE(w().viewer()->fitToWindow());
    EXPECT_TRUE(w().close()); // unmodified: asks nothing
    EXPECT_TRUE(h.prompts.records.isEmpty());
}

TEST_F(WindowFixture, FastClicksThroughPhotosEndOnTheLast) {
    const int count = 6;
    for (int i = 0; i < count; ++i)
        photo(QStringLiteral("p%1.jpg").arg(i), 300 + 40 * i, 200 + 10 * i, qRgb(40 * i, 100, 50));
    build();
    for (int i = 1; i < count; ++i)
        w().GoToPhoto(i);
    settle();
    const int last = w().catalogue().currentIndex();
    EXPECT_EQ(w().catalogue().at(last).Nazwa, QStringLiteral("p5"));
    EXPECT_EQ(view().bitmap().size(), QSize(500, 250));
    EXPECT_EQ(w().laRozmiarPliku->text(), QStringLiteral("500x250"));
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("p5"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowFixture, AFailedLoadEmptiesTheViewAndTheBarDescribesOnlyTheFailedFile) {
    photo(QStringLiteral("a.jpg"), 320, 240, qRgb(1, 2, 3));
    // A cut-off photo and a depth the viewer refuses, linked rather than copied.
    ASSERT_TRUE(QFile::link(testsupport::corpusFile(QStringLiteral("damaged_truncated_half_konica_z3.jpg")),
                            folder + QStringLiteral("/b.jpg")));
    ASSERT_TRUE(QFile::link(testsupport::corpusFile(QStringLiteral("tiff_grey16_must_refuse.tiff")),
                            folder + QStringLiteral("/c.tif")));
    build();
    ASSERT_EQ(w().catalogue().at(0).Nazwa, QStringLiteral("a"));
    ASSERT_EQ(w().laRozmiarPliku->text(), QStringLiteral("320x240"));
    act("aWidok200")->trigger();

    w().GoToPhoto(1);
    settle();
    settle();
    ASSERT_EQ(h.prompts.records.size(), 1);
    EXPECT_EQ(h.prompts.records[0].kind, ui::Prompts::Kind::Error);
    EXPECT_EQ(h.prompts.records[0].caption, QStringLiteral("Błąd"));
    EXPECT_TRUE(h.prompts.records[0].text.startsWith(QStringLiteral("Błąd odczytu pliku: ")));
    EXPECT_GT(h.prompts.records[0].text.size(), QStringLiteral("Błąd odczytu pliku: ").size());
    // Nothing of "a" is left: neither its picture, its EXIF lines, its zoom nor its dimensions.
    EXPECT_FALSE(view().hasBitmap());
    EXPECT_TRUE(w().document()->exifLines().isEmpty());
    EXPECT_EQ(w().laZoom->text(), QStringLiteral("Widok: 100%"));
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("b"));
    EXPECT_EQ(w().laRozmiarPliku->text(), QString());
    EXPECT_EQ(w().laWagaPliku->text(),
              QString::number(w().catalogue().at(1).Rozmiar) + QStringLiteral(" KB"));

    w().GoToPhoto(2);
    settle();
    settle();
    ASSERT_EQ(h.prompts.records.size(), 2);
    EXPECT_EQ(h.prompts.records[1].text,
              QStringLiteral("Tylko obrazy 1, 4, 8, 24 lub 32 BitsPerPixel są obsługiwane w tym programie!"));
    EXPECT_FALSE(view().hasBitmap());
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("c"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A good photo after the failures is shown and described again.
    w().GoToPhoto(0);
    settle();
    settle();
    EXPECT_EQ(view().bitmap().size(), QSize(320, 240));
    EXPECT_EQ(w().laRozmiarPliku->text(), QStringLiteral("320x240"));
    EXPECT_FALSE(w().document()->exifLines().isEmpty());
}

TEST_F(WindowFixture, RefreshIntoAnEmptyFolderEmptiesTheViewAndNoDecodeArrivesLater) {
    photo(QStringLiteral("a.jpg"), 640, 480, qRgb(200, 30, 30));
    build();
    act("aWidok300")->trigger();
    ASSERT_TRUE(view().hasBitmap());
    ASSERT_FALSE(w().document()->exifLines().isEmpty());
    // A new decode of the photo is under way when the folder empties and the user refreshes.
    w().ShowPhoto();
    ASSERT_TRUE(w().document()->isLoading());
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/a.jpg")));
    act("aWidokOdswiez")->trigger();
    settle();
    EXPECT_EQ(w().catalogue().currentIndex(), -1);
    EXPECT_FALSE(view().hasBitmap());
    EXPECT_EQ(view().layerCount(), 0);
    EXPECT_TRUE(w().document()->exifLines().isEmpty());
    EXPECT_EQ(w().laZoom->text(), QStringLiteral("Widok: 100%"));
    EXPECT_TRUE(w().laNazwaPliku->text().isEmpty());
    EXPECT_TRUE(w().laRozmiarPliku->text().isEmpty());
    EXPECT_TRUE(w().laWagaPliku->text().isEmpty());
    EXPECT_TRUE(h.prompts.records.isEmpty());
    EXPECT_FALSE(w().document()->isBusy());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The zoom commands have nothing to act on.
    act("aWidokPowieksz")->trigger();
    EXPECT_EQ(w().laZoom->text(), QStringLiteral("Widok: 100%"));
}

} // namespace
