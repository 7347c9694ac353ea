#include "document/photodocument.h"
#include "imaging/colour.h"
#include "imaging/filters.h"
#include "imaging/imagefile.h"
#include "imaging/photometadata.h"
#include "imaging/redeye.h"
#include "imaging/resample.h"
#include "imaging/rotate.h"
#include "testsupport.h"
#include "ui/common/picturebutton.h"
#include "ui/edit/adjustmentdialog.h"
#include "ui/edit/croptool.h"
#include "ui/edit/tfozapisz.h"
#include "ui/viewer/imageview.h"
#include "ui/viewer/imageviewcontroller.h"
#include "uitestsupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <libexif/exif-ifd.h>
#include <libexif/exif-tag.h>

#include <string>
#include <utility>

namespace {

using Answer = ui::Prompts::Answer;
using ui::TfoZapisz;

struct Editing : uitest::WindowTest {
    QString folder;
    void SetUp() override { folder = h.photoFolder(QStringLiteral("zdjecia")); }
    QString file(const QString& name) const { return folder + QLatin1Char('/') + name; }
    void photo(const QString& name, QSize size, QRgb colour) {
        ASSERT_TRUE(uitest::writePhoto(file(name), size, colour));
    }
    void build(QSize window = QSize(1000, 700)) {
        h.build();
        h.show(window);
        settle();
    }
    ImageView& view() { return *w().ivObraz; }
    PhotoDocument& edit() { return *w().document(); }
    QImage bitmap() { return edit().bitmap(); }
    bool buttonShown(const char* name) {
        return w().pObrazToolbar->findChild<QWidget*>(QString::fromLatin1(name))->isVisible();
    }
    // Runs an edit command and waits for its result.
    void command(const char* name) {
        act(name)->trigger();
        edit().finish();
        settle();
        QCoreApplication::processEvents();
    }

    // Mouse events on the view at bitmap points.
    QPoint at(QPointF bitmapPoint) {
        return (view().bitmapToControl(bitmapPoint) - QPointF(view().viewportRect().topLeft())).toPoint();
    }
    void mouse(QEvent::Type type, QPointF bitmapPoint) {
        const QPoint pos = at(bitmapPoint);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, QPointF(pos), view().viewport()->mapToGlobal(QPointF(pos)), button, held, {});
        QApplication::sendEvent(view().viewport(), &e);
    }
    void drag(QPointF from, QPointF to) {
        mouse(QEvent::MouseButtonPress, from);
        mouse(QEvent::MouseMove, (from + to) / 2);
        mouse(QEvent::MouseMove, to);
        mouse(QEvent::MouseButtonRelease, to);
    }
    void chooseFormat(const char* button) {
        QTest::mouseClick(w().pEdycjaKadrowanie->findChild<QRadioButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }

    // The save dialog's answers: the choice, a new name (empty keeps the proposal) and the quality.
    struct SaveAnswer {
        int result;
        QString name;
        int quality = -1;
    };
    std::vector<SaveAnswer> saveAnswers;
    QStringList proposedNames;
    void answerSaveDialogs() {
        w().runDialog = [this](QDialog& d) {
            auto& z = dynamic_cast<TfoZapisz&>(d);
            proposedNames << z.eNowyPlik->text();
            if (saveAnswers.empty())
                return int(QDialog::Rejected);
            const SaveAnswer a = saveAnswers.front();
            saveAnswers.erase(saveAnswers.begin());
            if (a.quality >= 0)
                z.tbQuality->setValue(a.quality);
            if (a.result == TfoZapisz::kExistingFile)
                QTest::mouseClick(z.rbPlikIstniejacy, Qt::LeftButton);
            if (!a.name.isEmpty())
                z.eNowyPlik->setText(a.name);
            if (a.result == QDialog::Rejected)
                QTest::mouseClick(z.iAnuluj, Qt::LeftButton);
            else
                QTest::mouseClick(z.iOk, Qt::LeftButton);
            return d.result();
        };
    }
};

TEST_F(Editing, OneClickCorrectionsChangeThePhotoAndShowSaveAndDiscard) {
    photo(QStringLiteral("a.jpg"), QSize(120, 80), qRgb(200, 120, 40));
    build();
    const QImage loaded = bitmap();
    EXPECT_FALSE(w().isModified());
    EXPECT_FALSE(buttonShown("iEdycjaZapisz"));
    EXPECT_FALSE(buttonShown("iEdycjaAnuluj"));
    const struct {
        const char* action;
        std::function<void(QImage&)> expected;
    } cases[] = {
        {"aEdycjaObrotL", imaging::RotateLeft},
        {"aEdycjaObrotP", imaging::RotateRight},
        {"aEdycjaBW", imaging::ToGreyscale},
        {"aEdycjaSepia", imaging::ToSepia},
        {"aEdycjaBlurr", [](QImage& b) { imaging::ApplyNamedFilter(b, QStringLiteral("BLURMORE")); }},
        {"aEdycjaSharpen", [](QImage& b) { imaging::ApplyNamedFilter(b, QStringLiteral("SHARPEN")); }},
    };
    QImage expected = loaded;
    for (const auto& c : cases) {
        command(c.action);
        c.expected(expected);
        EXPECT_EQ(bitmap(), expected) << c.action;
        EXPECT_EQ(view().bitmap(), expected) << c.action;
        EXPECT_TRUE(w().isModified()) << c.action;
        EXPECT_TRUE(buttonShown("iEdycjaZapisz")) << c.action;
        EXPECT_TRUE(buttonShown("iEdycjaAnuluj")) << c.action;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << c.action;
    }
    // Undo through the view's menu actions, back to the loaded photo.
    for (int i = 0; i < 6; ++i)
        command("aEdycjaCofnij");
    EXPECT_EQ(bitmap(), loaded);
    EXPECT_FALSE(w().isModified());
    EXPECT_FALSE(buttonShown("iEdycjaZapisz"));
    command("aEdycjaPonow");
    EXPECT_TRUE(w().isModified());
    // Discarding reads the photo from its file again.
    command("aEdycjaAnuluj");
    settle();
    EXPECT_EQ(bitmap(), imaging::LoadPhoto(file(QStringLiteral("a.jpg"))).bitmap);
    EXPECT_FALSE(w().isModified());
    EXPECT_FALSE(buttonShown("iEdycjaAnuluj"));
    EXPECT_TRUE(h.prompts.records.isEmpty());
}

TEST_F(Editing, UndoAndRedoKeysReachTheHistory) {
    photo(QStringLiteral("a.jpg"), QSize(60, 40), qRgb(10, 120, 40));
    build();
    const QImage loaded = bitmap();
    command("aEdycjaObrotL");
    command("aEdycjaSepia");
    const QImage edited = bitmap();
    QTest::keyClick(&w(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&w(), Qt::Key_Z, Qt::ControlModifier);
    edit().finish();
    EXPECT_EQ(bitmap(), loaded);
    QTest::keyClick(&w(), Qt::Key_Y, Qt::ControlModifier);
    QTest::keyClick(&w(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    edit().finish();
    EXPECT_EQ(bitmap(), edited);
    EXPECT_NE(w().pmObraz->findChild<QMenu*>(QStringLiteral("miObrazEdycja")), nullptr);
}

TEST_F(Editing, CropDragsLockToTheFormatAndApplyCuts) {
    photo(QStringLiteral("a.jpg"), QSize(1200, 1000), qRgb(90, 90, 200));
    build();
    w().viewer()->zoomTo(0.5f); // bitmap pixels land on whole control pixels
    act("aEdycjaKadrowanie")->trigger();
    EXPECT_TRUE(w().pEdycjaKadrowanie->isVisible());
    EXPECT_EQ(w().ToolMode, ImageViewController::CropTool);
    chooseFormat("rbKadrowanie1015");
    drag({100, 100}, {400, 900});
    ASSERT_EQ(view().layerCount(), 2); // the drag frame and the crop frame above it
    EXPECT_EQ(view().layer(0)->rect(), (BitmapRect{100, 100, 400, 300}));
    EXPECT_EQ(w().laZaznaczenie->text(), QStringLiteral("Wymiar: 300x200"));
    EXPECT_TRUE(w().cropTool()->iRozmiarNieOK->isVisible()); // 300 < 1024
    EXPECT_FALSE(w().cropTool()->iRozmiarOK->isVisible());
    EXPECT_FALSE(static_cast<RubberBandLayer*>(view().layer(1))->sideHandles());
    // "dowolna" gives the side handles and the blank indicator.
    chooseFormat("rbKadrowanieDowolne");
    EXPECT_TRUE(static_cast<RubberBandLayer*>(view().layer(1))->sideHandles());
    EXPECT_TRUE(w().cropTool()->iRozmiarBlank->isVisible());
    // Another format fits the frame to it around the same centre.
    chooseFormat("rbKadrowanie913");
    const imaging::CropFrame fitted =
        imaging::FitCropFrame({100, 100, 400, 300}, *imaging::PrintFormatByCode(1), 1200, 1000);
    EXPECT_EQ(view().layer(0)->rect(), (BitmapRect{fitted.left, fitted.top, fitted.right, fitted.bottom}));
    h.prompts.answers = {Answer::No, Answer::Yes};
    act("aEdycjaKadrowanieZastosuj")->trigger();
    EXPECT_FALSE(w().isModified()); // "No" cuts nothing
    act("aEdycjaKadrowanieZastosuj")->trigger();
    edit().finish();
    ASSERT_EQ(h.prompts.records.size(), 2);
    EXPECT_EQ(h.prompts.records[1].text, QStringLiteral("Czy przyciąć obraz do rozmiaru zaznaczenia?"));
    EXPECT_EQ(bitmap().size(), QSize(int(fitted.right - fitted.left), int(fitted.bottom - fitted.top)));
    EXPECT_TRUE(w().isModified());
    EXPECT_EQ(w().ToolMode, ImageViewController::NoTool);
    EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible());
    EXPECT_EQ(view().layerCount(), 0);
}

TEST_F(Editing, NineXThirteenStopsAtTheBottomAndATinyDragLeavesNoSelection) {
    photo(QStringLiteral("a.jpg"), QSize(1200, 1200), qRgb(90, 90, 200));
    build();
    w().viewer()->zoomTo(0.5f);
    act("aEdycjaKadrowanie")->trigger();
    chooseFormat("rbKadrowanie913");
    drag({100, 700}, {1100, 1100});
    ASSERT_EQ(view().layerCount(), 2);
    EXPECT_EQ(view().layer(0)->rect(), (BitmapRect{100, 700, 822, 1200}));
    EXPECT_TRUE(w().cropTool()->iRozmiarOK->isVisible()); // 722 >= 640
    // A 9-pixel drag: no selection, and applying asks nothing.
    drag({100, 100}, {109, 300});
    EXPECT_EQ(view().layerCount(), 0);
    EXPECT_TRUE(w().laZaznaczenie->text().isEmpty());
    act("aEdycjaKadrowanieZastosuj")->trigger();
    EXPECT_TRUE(h.prompts.records.isEmpty());
    // Escape ends the tool.
    QTest::keyClick(&view(), Qt::Key_Escape);
    EXPECT_EQ(w().ToolMode, ImageViewController::NoTool);
    EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible());
}

TEST_F(Editing, OpeningAnotherPhotoEndsTheToolWithItsPanel) {
    photo(QStringLiteral("a.jpg"), QSize(300, 200), qRgb(90, 90, 200));
    photo(QStringLiteral("b.jpg"), QSize(300, 200), qRgb(200, 90, 90));
    build();
    for (const char* tool : {"aEdycjaKadrowanie", "aEdycjaOczy"}) {
        act(tool)->trigger();
        act("aPlikNastepny")->trigger();
        settle();
        EXPECT_EQ(w().ToolMode, ImageViewController::NoTool) << tool;
        EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible()) << tool;
        EXPECT_FALSE(w().pEdycjaRedEye->isVisible()) << tool;
        act("aPlikPoprzedni")->trigger();
        settle();
    }
}

TEST_F(Editing, RedEyeRecoloursTheRegionAndNeverWritesOutsideThePhoto) {
    // A grey photo with a red pupil near its right edge.
    QImage img(200, 150, QImage::Format_RGB32);
    img.fill(qRgb(120, 120, 120));
    for (int y = 60; y < 72; ++y)
        for (int x = 186; x < 198; ++x)
            if ((x - 192) * (x - 192) + (y - 66) * (y - 66) <= 30)
                img.setPixel(x, y, qRgb(230, 20, 25));
    ASSERT_TRUE(imaging::SaveJpeg(img, file(QStringLiteral("a.jpg")), 100).ok());
    build();
    w().viewer()->zoomTo(2.0f);
    view().centerOn(QPointF(180, 66));
    struct Case {
        const char* what;
        QRect region;
    };
    const Case cases[] = {
        {"inside", QRect(180, 55, 19, 20)},
        {"partly outside", QRect(180, 55, 30, 20)},
    };
    for (const Case& c : cases) {
        act("aEdycjaAnuluj")->trigger();
        settle();
        const QImage loaded = bitmap();
        act("aEdycjaOczy")->trigger();
        EXPECT_TRUE(w().pEdycjaRedEye->isVisible());
        EXPECT_EQ(w().ToolMode, ImageViewController::RedEyeTool);
        drag(c.region.topLeft(), c.region.topLeft() + QPoint(c.region.width(), c.region.height()));
        edit().finish();
        QImage expected = loaded;
        ASSERT_TRUE(imaging::RemoveRedEyeInRegion(expected, c.region)) << c.what;
        EXPECT_EQ(bitmap(), expected) << c.what;
        EXPECT_EQ(bitmap().size(), loaded.size()) << c.what;
        EXPECT_LT(qRed(bitmap().pixel(192, 66)), 100) << c.what;
        EXPECT_TRUE(w().isModified()) << c.what;
        EXPECT_EQ(w().ToolMode, ImageViewController::NoTool) << c.what; // one eye per use
        EXPECT_FALSE(w().pEdycjaRedEye->isVisible()) << c.what;
    }
    // A region without red changes nothing.
    act("aEdycjaAnuluj")->trigger();
    settle();
    act("aEdycjaOczy")->trigger();
    drag({150, 20}, {170, 40});
    edit().finish();
    EXPECT_FALSE(w().isModified());
}

TEST_F(Editing, SavingWithNewAndExistingNames) {
    photo(QStringLiteral("IMG_0001.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    ASSERT_TRUE(QFile::copy(testsupport::corpusFile(QStringLiteral("tiff_rgb8_lzw.tiff")),
                            file(QStringLiteral("scan.tif"))));
    build();
    answerSaveDialogs();
    // New name: the proposal, written beside the photo; the folder is then read again.
    command("aEdycjaObrotL");
    saveAnswers = {{TfoZapisz::kNewFile, {}, 55}};
    command("aEdycjaZapisz");
    EXPECT_EQ(proposedNames.last(), QStringLiteral("IMG_0001_kopia"));
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("IMG_0001_kopia.jpg"))));
    EXPECT_EQ(imaging::LoadPhoto(file(QStringLiteral("IMG_0001_kopia.jpg"))).bitmap.size(), QSize(60, 80));
    EXPECT_FALSE(w().isModified());
    EXPECT_EQ(edit().jpegQuality(), 55);
    EXPECT_EQ(w().catalogue().size(), 3);
    settle();
    // The same new name again: asked before replacing; "No" writes nothing and keeps the edit.
    w().GoToPhoto(0);
    settle(); // IMG_0001
    settle();
    command("aEdycjaObrotP");
    saveAnswers = {{TfoZapisz::kNewFile, {}}};
    h.prompts.answers = {Answer::No};
    h.prompts.records.clear();
    w().SaveEdits(false, false);
    settle();
    ASSERT_FALSE(h.prompts.records.isEmpty());
    EXPECT_EQ(h.prompts.records[0].text,
              QStringLiteral("Plik o wybranej nazwie istnieje. Czy chcesz go zastąpi?\r\n") +
                  QDir::toNativeSeparators(file(QStringLiteral("IMG_0001_kopia.jpg"))));
    EXPECT_EQ(imaging::LoadPhoto(file(QStringLiteral("IMG_0001_kopia.jpg"))).bitmap.size(), QSize(60, 80));
    // The refused question writes nothing and the edit stays, asked about by nobody.
    EXPECT_TRUE(w().isModified());
    EXPECT_EQ(h.prompts.records.size(), 1);
    // Existing name: asked, then written over the photo itself.
    saveAnswers = {{TfoZapisz::kExistingFile, {}}};
    h.prompts.answers = {Answer::Yes};
    h.prompts.records.clear();
    EXPECT_TRUE(w().SaveEdits(false, false));
    settle();
    ASSERT_EQ(h.prompts.records.size(), 1);
    EXPECT_EQ(h.prompts.records[0].text, QStringLiteral("Czy zastąpić istniejący plik?\r\n") +
                                             QDir::toNativeSeparators(file(QStringLiteral("IMG_0001.jpg"))));
    EXPECT_EQ(imaging::LoadPhoto(file(QStringLiteral("IMG_0001.jpg"))).bitmap.size(), QSize(60, 80));
    settle();
    // A TIFF saved under its own name becomes a JPEG beside it; the TIFF stays.
    int tiff = -1;
    for (int i = 0; i < w().catalogue().size(); ++i)
        if (w().catalogue().at(i).Nazwa == QStringLiteral("scan"))
            tiff = i;
    ASSERT_GE(tiff, 0);
    w().GoToPhoto(tiff);
    settle();
    settle();
    command("aEdycjaBW");
    saveAnswers = {{TfoZapisz::kExistingFile, {}}};
    h.prompts.records.clear();
    EXPECT_TRUE(w().SaveEdits(false, false));
    settle();
    EXPECT_TRUE(h.prompts.records.isEmpty()); // scan.jpg did not exist
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("scan.jpg"))));
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("scan.tif"))));
}

TEST_F(Editing, CancelledSaveKeepsOrDropsTheEditAsAsked) {
    photo(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    photo(QStringLiteral("b.jpg"), QSize(80, 60), qRgb(10, 20, 230));
    build();
    answerSaveDialogs();
    command("aEdycjaSepia");
    command("aEdycjaZapisz"); // cancelled: the edit and its buttons stay
    EXPECT_TRUE(w().isModified());
    EXPECT_TRUE(buttonShown("iEdycjaZapisz"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
    // Leaving the photo: "No" drops the edit and opens the next one.
    h.prompts.answers = {Answer::No};
    act("aPlikNastepny")->trigger();
    settle();
    EXPECT_EQ(h.prompts.records.last().text, QStringLiteral("Obraz został zmieniony. Zapisać zmiany?"));
    EXPECT_FALSE(w().isModified());
    EXPECT_EQ(w().catalogue().currentIndex(), 1);
    // "Yes" then a cancelled dialog also drops it.
    command("aEdycjaSepia");
    h.prompts.answers = {Answer::Yes};
    act("aPlikPoprzedni")->trigger();
    settle();
    EXPECT_FALSE(w().isModified());
    EXPECT_EQ(w().catalogue().currentIndex(), 0);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
}

TEST_F(Editing, TheCloseQuestionsThreeAnswers) {
    struct Case {
        Answer answer;
        bool closes;
        bool written;
    };
    const Case cases[] = {
        {Answer::Cancel, false, false}, {Answer::No, true, false}, {Answer::Yes, true, true}};
    for (const Case& c : cases) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        photo(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
        build();
        answerSaveDialogs();
        saveAnswers = {{TfoZapisz::kNewFile, {}}};
        command("aEdycjaBW");
        h.prompts.answers = {c.answer};
        w().show();
        w().close();
        settle();
        EXPECT_EQ(w().isHidden(), c.closes);
        EXPECT_EQ(QFile::exists(file(QStringLiteral("a_kopia.jpg"))), c.written);
        h.prompts.answers = {Answer::No};
        h.close();
    }
}

TEST_F(Editing, AFailedSaveKeepsTheEditAndTheFolder) {
    photo(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    photo(QStringLiteral("b.jpg"), QSize(80, 60), qRgb(10, 20, 230));
    // Something that cannot be replaced by a file stands at the proposed name.
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("b_kopia.jpg")));
    build();
    w().GoToPhoto(1);
    settle();
    settle();
    answerSaveDialogs();
    command("aEdycjaSepia");
    const QImage edited = bitmap();
    saveAnswers = {{TfoZapisz::kNewFile, {}}, {TfoZapisz::kNewFile, QStringLiteral("b_inna")}};
    h.prompts.answers = {Answer::Yes};
    h.prompts.records.clear();
    EXPECT_FALSE(w().SaveEdits(false, false));
    settle();
    ASSERT_EQ(h.prompts.records.size(), 2);
    EXPECT_EQ(h.prompts.records[1].kind, ui::Prompts::Kind::Error);
    EXPECT_TRUE(h.prompts.records[1].text.startsWith(QStringLiteral("Błąd podczas zapisu pliku: ")));
    EXPECT_TRUE(w().isModified());
    EXPECT_EQ(w().catalogue().currentIndex(), 1); // not refreshed away
    EXPECT_EQ(bitmap(), edited);
    // Saved elsewhere, it is kept.
    command("aEdycjaZapisz");
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("b_inna.jpg"))));
    EXPECT_FALSE(w().isModified());
}

TEST_F(Editing, ASavedPhotoKeepsItsExifAndColourProfile) {
    ASSERT_TRUE(QFile::copy(testsupport::corpusFile(QStringLiteral("canon_40d_II_thumb_jfif.jpg")),
                            file(QStringLiteral("IMG_0002.jpg"))));
    build();
    answerSaveDialogs();
    command("aEdycjaObrotP");
    saveAnswers = {{TfoZapisz::kNewFile, {}}};
    command("aEdycjaZapisz");
    const QString saved = file(QStringLiteral("IMG_0002_kopia.jpg"));
    const QString source = file(QStringLiteral("IMG_0002.jpg"));
    EXPECT_EQ(imaging::ExifItemText(saved, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF),
              imaging::ExifItemText(source, EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF));
    EXPECT_EQ(imaging::ExifItemText(saved, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_IFD_EXIF), QStringLiteral("68"));
    EXPECT_FALSE(imaging::ReadPhotoMetadata(saved).icc.isEmpty());
    EXPECT_EQ(imaging::ReadPhotoMetadata(saved).icc, imaging::ReadPhotoMetadata(source).icc);
}

TEST_F(Editing, AnEditedTiffSavedAsJpegKeepsItsCameraItems) {
    const QString source = testsupport::corpusFile(QStringLiteral("tiff_rgba8_none_MM_exif.tiff"));
    ASSERT_TRUE(QFile::copy(source, file(QStringLiteral("scan.tif"))));
    build();
    answerSaveDialogs();
    command("aEdycjaObrotL");
    saveAnswers = {{TfoZapisz::kExistingFile, {}}};
    command("aEdycjaZapisz");
    const QString saved = file(QStringLiteral("scan.jpg"));
    ASSERT_TRUE(QFile::exists(saved));
    for (const auto& [tag, ifd] :
         {std::pair{EXIF_TAG_MODEL, EXIF_IFD_0}, std::pair{EXIF_TAG_MAKE, EXIF_IFD_0},
          std::pair{EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF}}) {
        EXPECT_FALSE(imaging::ExifItemText(saved, tag, ifd).isEmpty()) << tag;
        EXPECT_EQ(imaging::ExifItemText(saved, tag, ifd), imaging::ExifItemText(source, tag, ifd)) << tag;
    }
    EXPECT_EQ(imaging::ExifItemText(saved, EXIF_TAG_ORIENTATION, EXIF_IFD_0), QStringLiteral("Top-left"));
}

TEST_F(Editing, TheWindowTakesNoEditsWhileItsSaveIsWritten) {
    photo(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    build();
    answerSaveDialogs();
    command("aEdycjaSepia");
    const QImage edited = bitmap();
    saveAnswers = {{TfoZapisz::kNewFile, {}}};
    act("aEdycjaZapisz")->trigger();
    ASSERT_TRUE(w().isWaiting()); // its outcome comes through the event loop
    EXPECT_FALSE(w().pObrazToolbar->isEnabled());
    EXPECT_FALSE(view().isEnabled());
    for (const char* name : {"aEdycjaObrotL", "aEdycjaCofnij", "aEdycjaBW"}) {
        act(name)->trigger();
        edit().finish();
        EXPECT_EQ(bitmap(), edited) << name;
    }
    for (int i = 0; i < 500 && w().isWaiting(); ++i)
        QTest::qWait(10);
    EXPECT_FALSE(w().isWaiting());
    EXPECT_TRUE(w().pObrazToolbar->isEnabled());
    EXPECT_TRUE(view().isEnabled());
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("a_kopia.jpg"))));
    EXPECT_FALSE(w().isModified());
    settle(); // the folder is read again after the save
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Editing, AnOpenToolPanelHidesTheButtonsItReaches) {
    photo(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    for (const QSize size : {QSize(800, 600), QSize(1000, 700), QSize(1280, 860)}) {
        build(size);
        for (const char* tool : {"aEdycjaKadrowanie", "aEdycjaOczy"}) {
            act(tool)->trigger();
            settle();
            QWidget* panel = w().pEdycjaKadrowanie->isVisible() ? w().pEdycjaKadrowanie : w().pEdycjaRedEye;
            ASSERT_TRUE(panel->isVisible()) << tool;
            for (QWidget* b : w().pObrazToolbar->findChildren<ui::PictureButton*>()) {
                if (b->parentWidget() != w().pObrazToolbar || !b->isVisible())
                    continue;
                const QRect r = b->geometry();
                // Either wholly under the panel or wholly beside it.
                EXPECT_TRUE(panel->geometry().contains(r) || !panel->geometry().intersects(r))
                    << tool << " " << b->objectName().toStdString() << " " << size.width();
            }
            act(tool == std::string("aEdycjaKadrowanie") ? "aEdycjaKadrowanieAnuluj" : "aEdycjaRedEyeAnuluj")
                ->trigger();
            settle();
        }
        h.close();
    }
}

struct Dialogs : Editing {
    // Moves the dialog's first slider, presses OK or cancel after `wait` ms, and notes the dialog.
    void drive(const char* command, int position, int waitMs, bool ok, QPoint moveTo = {}) {
        w().runDialog = [=, this](QDialog& d) {
            auto& a = dynamic_cast<ui::AdjustmentDialog&>(d);
            positions.push_back(a.pos());
            if (!moveTo.isNull())
                a.move(moveTo);
            a.sliders[0]->setValue(position);
            EXPECT_EQ(a.valueLabels[0]->text(), QString::number(position));
            QTest::qWait(waitMs);
            a.waitForPreview();
            QTest::mouseClick(ok ? a.iOk : a.iAnuluj, Qt::LeftButton);
            return a.result();
        };
        act(command)->trigger();
    }
    std::vector<QPoint> positions;
};

TEST_F(Dialogs, PreviewAfterThePauseOkKeepsTheLastCompletedOne) {
    photo(QStringLiteral("a.jpg"), QSize(90, 60), qRgb(100, 150, 200));
    build();
    const QImage loaded = bitmap();
    // OK at once: no preview was completed, the photo is as it was but counts as changed.
    drive("aEdycjaBrightnessContrast", 50, 0, true);
    EXPECT_EQ(bitmap(), loaded);
    EXPECT_TRUE(w().isModified());
    command("aEdycjaCofnij");
    EXPECT_FALSE(w().isModified());
    // After the pause: the preview of the position is kept.
    drive("aEdycjaBrightnessContrast", 50, 900, true);
    QImage expected = loaded;
    ui::TfoJasnoscKontrast::Adjust(expected, 50, 0);
    EXPECT_EQ(bitmap(), expected);
    EXPECT_TRUE(w().isModified());
}

TEST_F(Dialogs, CancelRestoresExactlyAndTheSecondOpeningIsWhereItWasLeft) {
    photo(QStringLiteral("a.jpg"), QSize(90, 60), qRgb(100, 150, 200));
    build();
    const QImage loaded = bitmap();
    drive("aEdycjaHSL", 120, 900, false, QPoint(40, 50));
    EXPECT_EQ(bitmap(), loaded);
    EXPECT_FALSE(w().isModified());
    drive("aEdycjaHSL", 0, 0, false);
    ASSERT_EQ(positions.size(), 2u);
    EXPECT_EQ(positions[0], QPoint(w().x() + (w().width() - 380) / 2, w().y() + (w().height() - 290) / 2));
    EXPECT_EQ(positions[1], QPoint(40, 50));
    // The other dialog has its own place.
    drive("aEdycjaBrightnessContrast", 0, 0, false);
    EXPECT_EQ(positions[2], QPoint(w().x() + (w().width() - 380) / 2, w().y() + (w().height() - 235) / 2));
}

TEST(BrightnessContrast, OneTableGivesThePixelsOfContrastThenBrightness) {
    QImage values(256, 1, QImage::Format_ARGB32);
    for (int v = 0; v < 256; ++v)
        values.setPixel(v, 0, qRgba(v, 255 - v, (v * 7) & 255, v));
    // Every position of each slider against a few of the other's.
    std::vector<std::pair<int, int>> positions; // brightness, contrast
    for (int p = -100; p <= 100; ++p)
        for (const int other : {-100, -37, 0, 55, 100}) {
            positions.emplace_back(p, other);
            positions.emplace_back(other, p);
        }
    for (const auto& [brightness, contrast] : positions) {
        QImage twoPasses = values;
        // The slider position / 100 as the dialog works it out.
        imaging::AdjustContrast(twoPasses, static_cast<double>(contrast / 100.0L));
        imaging::AdjustBrightness(twoPasses, static_cast<double>(brightness / 100.0L));
        QImage oneTable = values;
        ui::TfoJasnoscKontrast::Adjust(oneTable, brightness, contrast);
        ASSERT_EQ(oneTable, twoPasses) << "brightness " << brightness << ", contrast " << contrast;
    }
}

TEST(BrightnessContrast, ThePreviewComesWithTheViewersCopyWhenOneIsWanted) {
    const QImage photo = uitest::plain(QSize(700, 450), QColor(90, 140, 200));
    std::vector<std::pair<QImage, QImage>> previews;
    ui::TfoJasnoscKontrast dialog(
        photo, [&](const QImage& p, const QImage& copy) { previews.emplace_back(p, copy); });
    dialog.tAktualizuj->setInterval(0);
    dialog.sliders[0]->setValue(40);
    QTest::qWait(20);
    dialog.waitForPreview();
    dialog.setViewCopySize([](QSize s) { return s / 3; });
    dialog.sliders[1]->setValue(-30);
    QTest::qWait(20);
    dialog.waitForPreview();
    ASSERT_EQ(previews.size(), 2u);
    EXPECT_TRUE(previews[0].second.isNull()) << "no copy asked for";
    QImage expected = photo.copy();
    ui::TfoJasnoscKontrast::Adjust(expected, 40, -30);
    EXPECT_EQ(previews[1].first, expected);
    QImage copy(QSize(700, 450) / 3, QImage::Format_RGB32);
    imaging::ScaleNearestInto(expected, copy, true);
    EXPECT_EQ(previews[1].second, copy);
}

// Where loading, changes and saves meet: each case once failed a customer.
TEST_F(Editing, LeavingWithYesWaitsForTheSaveAndAFailedSaveStays) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
        photo(QString::fromLatin1(name), QSize(80, 60), qRgb(10, 200, 30));
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("a_kopia.jpg"))); // cannot be replaced by a file
    build();
    answerSaveDialogs();
    command("aEdycjaSepia");
    const QImage edited = bitmap();
    saveAnswers = {{TfoZapisz::kNewFile, {}}};
    h.prompts.answers = {Answer::Yes, Answer::Yes}; // save, and replace what stands at the name
    act("aPlikNastepny")->trigger();
    settle();
    EXPECT_EQ(w().catalogue().currentIndex(), 0); // stayed
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("a"));
    EXPECT_EQ(bitmap(), edited);
    EXPECT_TRUE(w().isModified());
    ASSERT_FALSE(h.prompts.records.isEmpty());
    EXPECT_EQ(h.prompts.records.last().kind, ui::Prompts::Kind::Error);
    // Written this time: the photo asked for opens, not the folder's first.
    ASSERT_TRUE(QDir(folder).rmdir(QStringLiteral("a_kopia.jpg")));
    w().GoToPhoto(2);
    saveAnswers = {{TfoZapisz::kNewFile, {}}};
    h.prompts.answers = {Answer::Yes};
    settle();
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("c"));
    EXPECT_EQ(w().document()->path(), QDir::toNativeSeparators(file(QStringLiteral("c.jpg"))));
    EXPECT_EQ(imaging::LoadPhoto(file(QStringLiteral("a_kopia.jpg"))).bitmap.size(), QSize(80, 60));
}

TEST_F(Editing, NothingStartsOnAPhotoStillLoadingAndSelectionsEndWithTheirBitmap) {
    photo(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    photo(QStringLiteral("b.jpg"), QSize(40, 30), qRgb(200, 10, 30));
    build();
    int dialogs = 0;
    w().runDialog = [&](QDialog&) { return ++dialogs, int(QDialog::Accepted); };
    w().GoToPhoto(1);
    QCoreApplication::processEvents(); // left: "b" is asked for, not yet read
    ASSERT_TRUE(edit().isLoading());
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++dialogs;
            modal->close();
        }
    });
    for (const char* name : {"aEdycjaBrightnessContrast", "aEdycjaHSL", "aPlikInfo", "aEdycjaKadrowanie"})
        act(name)->trigger();
    settle();
    EXPECT_EQ(dialogs, 0);
    EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible());
    EXPECT_FALSE(w().isModified());
    // A crop selection on screen ends when undo changes the bitmap's size.
    command("aEdycjaObrotL");
    act("aEdycjaKadrowanie")->trigger();
    drag({2, 2}, {25, 35});
    ASSERT_TRUE(w().cropTool()->hasSelection());
    command("aEdycjaCofnij");
    EXPECT_FALSE(w().cropTool()->hasSelection());
    EXPECT_FALSE(w().pEdycjaKadrowanie->isVisible());
    EXPECT_EQ(view().layerCount(), 0);
    EXPECT_EQ(bitmap().size(), QSize(40, 30));
}

TEST_F(Editing, DiscardIsAStepAndAnEditMadeWhileItReadsIsKept) {
    photo(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    build();
    const QImage stored = bitmap();
    command("aEdycjaSepia");
    const QImage edited = bitmap();
    act("aEdycjaAnuluj")->trigger();
    act("aEdycjaObrotP")->trigger(); // while the file is read again
    settle();
    QImage turned = stored;
    imaging::RotateRight(turned);
    EXPECT_EQ(bitmap(), turned);
    EXPECT_TRUE(w().isModified());
    command("aEdycjaCofnij");
    EXPECT_EQ(bitmap(), stored);
    EXPECT_FALSE(w().isModified());
    command("aEdycjaCofnij"); // the discarded edit comes back
    EXPECT_EQ(bitmap(), edited);
    EXPECT_TRUE(w().isModified());
    EXPECT_TRUE(h.prompts.records.isEmpty()); // no question, as before
}

TEST_F(Editing, AFileCommandWaitsForTheSaveOfItsPhoto) {
    photo(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    const QString other = h.path(QStringLiteral("inne"));
    ASSERT_TRUE(QDir().mkpath(other));
    build();
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

TEST_F(Editing, TheCurrentNameOfAnUpperCaseJpegReplacesThatFileAfterTheQuestion) {
    photo(QStringLiteral("IMG_0001.JPG"), QSize(80, 60), qRgb(10, 200, 30));
    build();
    answerSaveDialogs();
    command("aEdycjaObrotL");
    saveAnswers = {{TfoZapisz::kExistingFile, {}}};
    h.prompts.answers = {Answer::Yes};
    act("aEdycjaZapisz")->trigger();
    settle();
    ASSERT_EQ(h.prompts.records.size(), 1);
    EXPECT_EQ(h.prompts.records[0].text, QStringLiteral("Czy zastąpić istniejący plik?\r\n") +
                                             QDir::toNativeSeparators(file(QStringLiteral("IMG_0001.JPG"))));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("IMG_0001.JPG")});
    EXPECT_EQ(imaging::LoadPhoto(file(QStringLiteral("IMG_0001.JPG"))).bitmap.size(), QSize(60, 80));
    EXPECT_EQ(w().catalogue().size(), 1);
}

TEST_F(Editing, SaveAsLeavesNothingToAskAboutAndShowsTheFileWritten) {
    photo(QStringLiteral("a.jpg"), QSize(80, 60), qRgb(10, 200, 30));
    photo(QStringLiteral("b.jpg"), QSize(80, 60), qRgb(10, 20, 230));
    build();
    w().GoToPhoto(1);
    settle();
    answerSaveDialogs();
    command("aEdycjaBW");
    saveAnswers = {{TfoZapisz::kNewFile, {}}};
    act("aPlikZapiszJako")->trigger();
    settle();
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("b_kopia"));
    EXPECT_FALSE(w().isModified());
    act("aPlikPoprzedni")->trigger();
    settle();
    EXPECT_TRUE(h.prompts.records.isEmpty());
    // A refused overwrite still reads the folder again, and keeps the edit.
    command("aEdycjaSepia");
    saveAnswers = {{TfoZapisz::kNewFile, QStringLiteral("b")}};
    h.prompts.answers = {Answer::No};
    act("aPlikZapiszJako")->trigger();
    settle();
    EXPECT_EQ(h.prompts.records.size(), 1);
    EXPECT_TRUE(w().isModified());
}

TEST_F(Editing, EnteringTheNewNameFieldChoosesIt) {
    TfoZapisz d(h.prompts);
    d.prepare(QStringLiteral("a_kopia"), QStringLiteral("a"), folder, 80);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    QTest::mouseClick(d.rbPlikIstniejacy, Qt::LeftButton);
    ASSERT_FALSE(d.rbPlikNowy->isChecked());
    QTest::mouseClick(d.eNowyPlik, Qt::LeftButton);
    EXPECT_TRUE(d.rbPlikNowy->isChecked());
    EXPECT_FALSE(d.eStaryPlik->isEnabled());
}

} // namespace
