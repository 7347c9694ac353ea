// The viewer side of the main window: one wiring check per command, and what it shows is always the
// document's photo, also after a failed load or a folder that emptied. What the edit commands do in every
// order, with loads, saves and their answers landing in between, is the model test's; how the document
// keeps its history, the queue's; the zoom steps, the view math's.
#include "document/changes.h"
#include "document/photodocument.h"
#include "imaging/imagefile.h"
#include "imaging/photometadata.h"
#include "imaging/redeye.h"
#include "imaging/resample.h"
#include "ui/common/picturebutton.h"
#include "ui/edit/adjustmentdialog.h"
#include "ui/edit/croptool.h"
#include "ui/edit/tfozapisz.h"
#include "ui/viewer/imageviewcontroller.h"
#include "uitestsupport.h"

#include <libexif/exif-ifd.h>
#include <libexif/exif-tag.h>

namespace {

using Answer = ui::Prompts::Answer;
using ui::TfoZapisz;

struct Editing : uitest::WindowTest {
    QString file(const QString& name) { return h.photoFolder(QStringLiteral("zdjecia")) + '/' + name; }
    PhotoDocument& doc() { return *w().document(); }
    bool buttonShown(const char* name) {
        return w().pObrazToolbar->findChild<QWidget*>(QString::fromLatin1(name))->isVisible();
    }
    void chooseFormat(const char* button) {
        QTest::mouseClick(w().pEdycjaKadrowanie->findChild<QRadioButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }
    // The save dialog's answers: the choice and a new name (empty keeps the proposal); refused when none.
    std::deque<std::pair<int, QString>> saveAnswers;
    QStringList proposals;
    void answerSaveDialogs() {
        w().runDialog = [this](QDialog& d) {
            auto& z = dynamic_cast<TfoZapisz&>(d);
            proposals << z.eNowyPlik->text();
            if (saveAnswers.empty())
                return int(QDialog::Rejected);
            const auto [result, name] = saveAnswers.front();
            saveAnswers.pop_front();
            if (result == TfoZapisz::kExistingFile)
                QTest::mouseClick(z.rbPlikIstniejacy, Qt::LeftButton);
            if (!name.isEmpty())
                z.eNowyPlik->setText(name);
            QTest::mouseClick(result == QDialog::Rejected ? z.iAnuluj : z.iOk, Qt::LeftButton);
            return d.result();
        };
    }
};

TEST_F(Editing, EachChangeCommandQueuesItsOwnChangeAndTheKeysWalkTheHistory) {
    QImage photo = uitest::plain(QSize(60, 40), QColor(200, 120, 40));
    for (int y = 0; y < 10; ++y) // a corner of its own: the turns differ
        for (int x = 0; x < 20; ++x)
            photo.setPixel(x, y, qRgb(20, 40, 220));
    ASSERT_TRUE(imaging::SaveJpeg(photo, file(QStringLiteral("a.jpg")), 95).ok());
    showWindow();
    const QImage loaded = doc().bitmap();
    EXPECT_FALSE(buttonShown("iEdycjaZapisz"));
    const std::pair<const char*, PhotoDocument::Change (*)()> commands[] = {
        {"aEdycjaObrotL", changes::TurnLeft},  {"aEdycjaObrotP", changes::TurnRight},
        {"aEdycjaBW", changes::BlackAndWhite}, {"aEdycjaSepia", changes::Sepia},
        {"aEdycjaBlurr", changes::Blur},       {"aEdycjaSharpen", changes::Sharpen},
    };
    QImage expected = loaded;
    for (const auto& [name, make] : commands) {
        command(name);
        make().apply(expected);
        EXPECT_EQ(doc().bitmap(), expected) << name;
        EXPECT_EQ(view().bitmap(), expected) << name;
        EXPECT_TRUE(buttonShown("iEdycjaZapisz") && buttonShown("iEdycjaAnuluj")) << name;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << name;
    }
    const QImage edited = doc().bitmap();
    for (size_t i = 0; i < std::size(commands); ++i)
        QTest::keyClick(&w(), Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_EQ(doc().bitmap(), loaded);
    EXPECT_FALSE(w().isModified());
    EXPECT_FALSE(buttonShown("iEdycjaZapisz"));
    for (size_t i = 0; i < std::size(commands); ++i) // both keys of redo
        i % 2 ? QTest::keyClick(&w(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier)
              : QTest::keyClick(&w(), Qt::Key_Y, Qt::ControlModifier);
    settle();
    EXPECT_EQ(doc().bitmap(), edited);
    command("aEdycjaAnuluj"); // the photo as its file holds it
    EXPECT_EQ(doc().bitmap(), imaging::LoadPhoto(file(QStringLiteral("a.jpg"))).bitmap);
    EXPECT_FALSE(buttonShown("iEdycjaAnuluj"));
    EXPECT_TRUE(h.prompts.records.isEmpty());
}

TEST_F(Editing, CropLocksTheFrameToTheFormatAndCutsOnlyAfterYes) {
    addPhoto(QStringLiteral("a.jpg"), QSize(1200, 1000), qRgb(90, 90, 200));
    addPhoto(QStringLiteral("b.jpg"), QSize(300, 200), qRgb(200, 90, 90));
    showWindow();
    w().viewer()->zoomTo(0.5f);
    act("aEdycjaKadrowanie")->trigger();
    EXPECT_TRUE(w().pEdycjaKadrowanie->isVisible());
    chooseFormat("rbKadrowanie1015");
    drag({100, 100}, {400, 900});
    ASSERT_EQ(view().layerCount(), 2);
    const BitmapRect frame = view().layer(0)->rect();
    EXPECT_NEAR(double(frame.right - frame.left) / double(frame.bottom - frame.top), 1.5, 0.01);
    EXPECT_EQ(w().laZaznaczenie->text(), QStringLiteral("Wymiar: %1x%2")
                                             .arg(int(frame.right - frame.left))
                                             .arg(int(frame.bottom - frame.top)));
    h.prompts.answers = {Answer::No, Answer::Yes};
    act("aEdycjaKadrowanieZastosuj")->trigger();
    EXPECT_FALSE(w().isModified()); // "No" cuts nothing
    command("aEdycjaKadrowanieZastosuj");
    ASSERT_EQ(h.prompts.records.size(), 2);
    EXPECT_EQ(h.prompts.records[1].text, QStringLiteral("Czy przyciąć obraz do rozmiaru zaznaczenia?"));
    EXPECT_EQ(doc().bitmap().size(), QSize(int(frame.right - frame.left), int(frame.bottom - frame.top)));
    EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible());
    EXPECT_EQ(view().layerCount(), 0);
    // A selection ends when undo changes the bitmap's size; without one, applying asks nothing.
    act("aEdycjaKadrowanie")->trigger();
    drag({20, 20}, {200, 150});
    ASSERT_TRUE(w().cropTool()->hasSelection());
    command("aEdycjaCofnij");
    EXPECT_FALSE(w().cropTool()->hasSelection());
    EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible());
    act("aEdycjaKadrowanie")->trigger();
    act("aEdycjaKadrowanieZastosuj")->trigger();
    EXPECT_EQ(h.prompts.records.size(), 2);
    QTest::keyClick(&view(), Qt::Key_Escape);
    EXPECT_EQ(w().ToolMode, ImageViewController::NoTool);
    EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible());
    // Opening another photo ends either tool with its panel.
    for (const char* tool : {"aEdycjaKadrowanie", "aEdycjaOczy"}) {
        act(tool)->trigger();
        command(w().catalogue().currentIndex() == 0 ? "aPlikNastepny" : "aPlikPoprzedni");
        EXPECT_EQ(w().ToolMode, ImageViewController::NoTool) << tool;
        EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible() || w().pEdycjaRedEye->isVisible()) << tool;
    }
}

TEST_F(Editing, RedEyeRecoloursOnePupilAndNeverWritesOutsideThePhoto) {
    // A grey photo with a red pupil near its right edge.
    QImage img(200, 150, QImage::Format_RGB32);
    img.fill(qRgb(120, 120, 120));
    for (int y = 60; y < 72; ++y)
        for (int x = 186; x < 198; ++x)
            if ((x - 192) * (x - 192) + (y - 66) * (y - 66) <= 30)
                img.setPixel(x, y, qRgb(230, 20, 25));
    ASSERT_TRUE(imaging::SaveJpeg(img, file(QStringLiteral("a.jpg")), 100).ok());
    showWindow();
    w().viewer()->zoomTo(2.0f);
    view().centerOn(QPointF(180, 66));
    for (const QRect region : {QRect(180, 55, 19, 20), QRect(180, 55, 30, 20), QRect(150, 20, 20, 20)}) {
        command("aEdycjaAnuluj");
        const QImage loaded = doc().bitmap();
        act("aEdycjaOczy")->trigger();
        EXPECT_TRUE(w().pEdycjaRedEye->isVisible());
        drag(region.topLeft(), region.topLeft() + QPoint(region.width(), region.height()));
        settle();
        QImage expected = loaded;
        const bool found = imaging::RemoveRedEyeInRegion(expected, region);
        EXPECT_EQ(found, region.x() == 180) << region.x();
        EXPECT_EQ(doc().bitmap(), expected) << region.width();
        EXPECT_EQ(w().isModified(), found) << region.width();
        EXPECT_EQ(w().ToolMode, ImageViewController::NoTool); // one eye per use
        EXPECT_FALSE(w().pEdycjaRedEye->isVisible());
    }
}

TEST_F(Editing, SaveProposesACopyAsksBeforeReplacingAndKeepsTheCameraItems) {
    ASSERT_TRUE(QFile::copy(testsupport::corpusFile(QStringLiteral("canon_40d_II_thumb_jfif.jpg")),
                            file(QStringLiteral("IMG_0001.JPG"))));
    showWindow();
    answerSaveDialogs();
    const QString own = file(QStringLiteral("IMG_0001.JPG"));
    const QSize turned = imaging::LoadPhoto(own).bitmap.size().transposed();
    // A new name: the proposal, written beside the photo with its camera items; the folder read again.
    command("aEdycjaObrotL");
    saveAnswers = {{TfoZapisz::kNewFile, {}}};
    command("aEdycjaZapisz");
    EXPECT_EQ(proposals.value(0), QStringLiteral("IMG_0001_kopia"));
    const QString copy = file(QStringLiteral("IMG_0001_kopia.jpg"));
    EXPECT_EQ(imaging::LoadPhoto(copy).bitmap.size(), turned);
    EXPECT_EQ(imaging::ExifItemText(copy, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF),
              imaging::ExifItemText(own, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF));
    EXPECT_FALSE(w().isModified());
    EXPECT_EQ(w().catalogue().size(), 2);
    // Each save's question names the file it would replace; "No" writes nothing and keeps the edit.
    const struct {
        const char* command;
        int choice;
        QString asked;
    } saves[] = {
        {"aEdycjaZapisz", TfoZapisz::kNewFile,
         QStringLiteral("Plik o wybranej nazwie istnieje. Czy chcesz go zastąpi?\r\n") + copy},
        {"aPlikZapiszJako", TfoZapisz::kNewFile,
         QStringLiteral("Plik o wybranej nazwie istnieje. Czy chcesz go zastąpić\r\n") + copy},
        {"aEdycjaZapisz", TfoZapisz::kExistingFile,
         QStringLiteral("Czy zastąpić istniejący plik?\r\n") + own},
    };
    w().GoToPhoto(0);
    settle();
    ASSERT_EQ(w().document()->path(), QDir::toNativeSeparators(own));
    command("aEdycjaObrotP");
    const QByteArray before = testsupport::ReadFile(copy);
    for (const auto& s : saves) {
        saveAnswers = {{s.choice, {}}};
        h.prompts.answers = {Answer::No};
        h.prompts.records.clear();
        command(s.command);
        ASSERT_EQ(h.prompts.records.size(), 1) << s.command;
        EXPECT_EQ(h.prompts.records[0].text, QDir::toNativeSeparators(s.asked)) << s.command;
        EXPECT_TRUE(w().isModified()) << s.command;
    }
    EXPECT_EQ(testsupport::ReadFile(copy), before);
    // "Yes" replaces the upper-case JPEG itself: no second file beside it.
    saveAnswers = {{TfoZapisz::kExistingFile, {}}};
    h.prompts.answers = {Answer::Yes};
    command("aEdycjaZapisz");
    EXPECT_EQ(imaging::LoadPhoto(own).bitmap.size(), turned);
    EXPECT_EQ(w().catalogue().size(), 2);
}

TEST_F(Editing, TheWindowTakesNoEditsWhileItsSaveIsWritten) {
    addPhoto(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    showWindow();
    answerSaveDialogs();
    command("aEdycjaSepia");
    const QImage edited = doc().bitmap();
    saveAnswers = {{TfoZapisz::kNewFile, {}}};
    act("aEdycjaZapisz")->trigger();
    ASSERT_TRUE(w().isWaiting()); // its outcome comes through the event loop
    EXPECT_FALSE(w().pObrazToolbar->isEnabled() || view().isEnabled());
    for (const char* name : {"aEdycjaObrotL", "aEdycjaCofnij", "aEdycjaBW"})
        act(name)->trigger();
    doc().finish();
    EXPECT_EQ(doc().bitmap(), edited);
    settle();
    EXPECT_TRUE(w().pObrazToolbar->isEnabled() && view().isEnabled());
    EXPECT_FALSE(w().isModified());
}

TEST_F(Editing, AFileCommandWaitsForTheSaveOfItsPhoto) {
    addPhoto(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    const QString other = h.path(QStringLiteral("inne"));
    ASSERT_TRUE(QDir().mkpath(other));
    showWindow();
    answerSaveDialogs();
    command("aEdycjaObrotL");
    saveAnswers = {{TfoZapisz::kExistingFile, {}}};
    h.prompts.answers = {Answer::Yes};
    act("aEdycjaZapisz")->trigger(); // writes a.jpg over itself on the worker
    h.shell.folderAnswer = other;
    act("aPlikPrzeniesDo")->trigger();
    settle();
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("a.jpg")))); // the edit did not land in the old folder
    EXPECT_EQ(imaging::LoadPhoto(other + QStringLiteral("/a.jpg")).bitmap.size(), QSize(60, 80));
}

TEST_F(Editing, TheCloseQuestionsThreeAnswers) {
    const struct {
        Answer answer;
        bool closes;
        bool written;
    } cases[] = {{Answer::Cancel, false, false}, {Answer::No, true, false}, {Answer::Yes, true, true}};
    for (const auto& c : cases) {
        QFile::remove(file(QStringLiteral("a_kopia.jpg")));
        QFile::remove(h.path(QStringLiteral("store.ini")));
        addPhoto(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
        showWindow();
        answerSaveDialogs();
        saveAnswers = {{TfoZapisz::kNewFile, {}}};
        command("aEdycjaBW");
        h.prompts.answers = {c.answer};
        h.prompts.records.clear();
        w().close();
        settle();
        ASSERT_EQ(h.prompts.records.size(), 1);
        EXPECT_EQ(h.prompts.records[0].kind, ui::Prompts::Kind::YesNoCancel);
        EXPECT_EQ(h.prompts.records[0].text, QStringLiteral("Obraz został zmieniony. Zapisać zmiany?"));
        EXPECT_EQ(w().isHidden(), c.closes);
        EXPECT_EQ(QFile::exists(h.path(QStringLiteral("store.ini"))), c.closes); // settings only at a close
        EXPECT_EQ(QFile::exists(file(QStringLiteral("a_kopia.jpg"))), c.written);
        h.prompts.answers = {Answer::No};
        h.close();
    }
}

struct Viewer : uitest::WindowTest {
    QString folder() { return h.photoFolder(QStringLiteral("zdjecia")); }
};

TEST_F(Viewer, ZoomAndToolCommandsReachTheView) {
    addPhoto(QStringLiteral("a.jpg"), QSize(3000, 2000), qRgb(20, 120, 30));
    showWindow();
    EXPECT_EQ(w().laRozmiarPliku->text(), QStringLiteral("3000x2000"));
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("a"));
    const float fitted = view().scale();
    for (const auto& [name, scale] :
         {std::pair{"aWidok300", 3.0f}, std::pair{"aWidok200", 2.0f}, std::pair{"aWidok400", 4.0f},
          std::pair{"aWidokNormalny_", 1.0f}, std::pair{"aWidokDopasuj", fitted},
          std::pair{"aWidokNormalny", 1.0f}}) {
        act(name)->trigger();
        EXPECT_EQ(view().scale(), scale) << name;
        if (scale != fitted) {
            EXPECT_EQ(w().laZoom->text(), QStringLiteral("Widok: %1%").arg(std::nearbyint(scale * 100)))
                << name;
        }
    }
    act("aWidokPowieksz")->trigger();
    EXPECT_GT(view().scale(), 1.0f);
    act("aWidokPomniejsz")->trigger();
    act("aWidokPomniejsz")->trigger();
    EXPECT_LT(view().scale(), 1.0f);
    act("aWidokLupa")->trigger();
    EXPECT_EQ(w().ToolMode, ImageViewController::MagnifierTool);
    command("aEdycjaKadrowanie");
    QTest::keyPress(&view(), Qt::Key_Escape); // ends the tool with its panel
    EXPECT_EQ(w().ToolMode, ImageViewController::NoTool);
    EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible());
    // A right click opens the view's own menu.
    const QPoint at(50, 50);
    QContextMenuEvent e(QContextMenuEvent::Mouse, at, view().viewport()->mapToGlobal(at));
    QApplication::sendEvent(view().viewport(), &e);
    EXPECT_TRUE(w().pmObraz->isVisible());
    w().pmObraz->hide();
}

TEST_F(Viewer, AFailedLoadEmptiesTheViewAndTheBarDescribesOnlyTheFailedFile) {
    addPhoto(QStringLiteral("a.jpg"), QSize(320, 240), qRgb(1, 2, 3));
    // A cut-off photo and a depth the viewer refuses, linked rather than copied.
    ASSERT_TRUE(QFile::link(testsupport::corpusFile(QStringLiteral("damaged_truncated_half_konica_z3.jpg")),
                            folder() + QStringLiteral("/b.jpg")));
    ASSERT_TRUE(QFile::link(testsupport::corpusFile(QStringLiteral("tiff_grey16_must_refuse.tiff")),
                            folder() + QStringLiteral("/c.tif")));
    showWindow();
    act("aWidok200")->trigger();
    const struct {
        int index;
        const char* message;
    } failures[] = {{1, "Błąd odczytu pliku: "},
                    {2, "Tylko obrazy 1, 4, 8, 24 lub 32 BitsPerPixel są obsługiwane w tym programie!"}};
    for (const auto& f : failures) {
        h.prompts.records.clear();
        w().GoToPhoto(f.index);
        settle();
        ASSERT_EQ(h.prompts.records.size(), 1);
        EXPECT_EQ(h.prompts.records[0].kind, ui::Prompts::Kind::Error);
        EXPECT_TRUE(h.prompts.records[0].text.startsWith(QString::fromUtf8(f.message)));
        // Nothing of the photo before is left: neither its picture, its EXIF lines, its zoom nor its size.
        EXPECT_FALSE(view().hasBitmap());
        EXPECT_TRUE(w().document()->exifLines().isEmpty());
        EXPECT_EQ(w().laZoom->text(), QStringLiteral("Widok: 100%"));
        EXPECT_EQ(w().laNazwaPliku->text(), w().catalogue().at(f.index).Nazwa);
        EXPECT_EQ(w().laRozmiarPliku->text(), QString());
        EXPECT_EQ(w().laWagaPliku->text(),
                  QString::number(w().catalogue().at(f.index).Rozmiar) + QStringLiteral(" KB"));
    }
    // A good photo after the failures is shown and described again.
    w().GoToPhoto(0);
    settle();
    EXPECT_EQ(view().bitmap().size(), QSize(320, 240));
    EXPECT_EQ(w().laRozmiarPliku->text(), QStringLiteral("320x240"));
    EXPECT_FALSE(w().document()->exifLines().isEmpty());
}

TEST(BrightnessContrast, OneTableGivesThePixelsOfContrastThenBrightness) {
    QImage values(256, 1, QImage::Format_ARGB32);
    for (int v = 0; v < 256; ++v)
        values.setPixel(v, 0, qRgba(v, 255 - v, (v * 7) & 255, v));
    // Every position of each slider against a few of the other's.
    for (int p = -100; p <= 100; ++p)
        for (const int other : {-100, -37, 0, 55, 100})
            for (const auto& [brightness, contrast] : {std::pair{p, other}, std::pair{other, p}}) {
                QImage twoPasses = values;
                imaging::AdjustContrast(twoPasses, static_cast<double>(contrast / 100.0L));
                imaging::AdjustBrightness(twoPasses, static_cast<double>(brightness / 100.0L));
                QImage oneTable = values;
                ui::TfoJasnoscKontrast::Adjust(oneTable, brightness, contrast);
                ASSERT_EQ(oneTable, twoPasses) << "brightness " << brightness << ", contrast " << contrast;
            }
}

} // namespace
