#include "uitestsupport.h"

#include "core/versioninfo.h"
#include "document/photodocument.h"
#include "testsupport.h"
#include "ui/common/filepropertieswindow.h"
#include "ui/common/phototype.h"
#include "ui/common/picturebutton.h"
#include "ui/info/tfoabout.h"
#include "ui/info/tfoexif.h"
#include "ui/info/tfojakdziala.h"
#include "ui/main/informationactions.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `inspect` on the next modal window that opens, then closes it with OK.
void onNextModal(std::function<void(QDialog&)> inspect) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        inspect(*dialog);
        dialog->accept();
    });
    timer->start();
}

void clickPicture(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, w->height() / 2));
}

TEST(PhotoType, FollowsTheExtensionInAnyCase) {
    const struct {
        const char* extension;
        const char* type;
    } cases[] = {{".jpg", "Obraz JPEG"}, {".JPEG", "Obraz JPEG"}, {".Jpg", "Obraz JPEG"},
                 {".tif", "Obraz TIFF"}, {".TIFF", "Obraz TIFF"}, {".png", "<nieznany>"},
                 {"", "<nieznany>"},     {"jpg", "<nieznany>"},   {".jpgx", "<nieznany>"}};
    for (const auto& c : cases)
        EXPECT_EQ(ui::photoTypeText(QString::fromUtf8(c.extension)), QString::fromUtf8(c.type))
            << c.extension;
}

TEST(BytesText, CountsInPolish) {
    const QString nb(QChar(0x00A0));
    const struct {
        qint64 bytes;
        QString text;
    } cases[] = {{0, QStringLiteral("0 bajtów")},
                 {1, QStringLiteral("1 bajt")},
                 {2, QStringLiteral("2 bajty")},
                 {4, QStringLiteral("4 bajty")},
                 {5, QStringLiteral("5 bajtów")},
                 {12, QStringLiteral("12 bajtów")},
                 {14, QStringLiteral("14 bajtów")},
                 {22, QStringLiteral("22 bajty")},
                 {112, QStringLiteral("112 bajtów")},
                 {1234, QStringLiteral("1234 bajty")},
                 {12345, QStringLiteral("12") + nb + QStringLiteral("345 bajtów")}};
    for (const auto& c : cases)
        EXPECT_EQ(ui::bytesText(c.bytes), c.text) << c.bytes;
}

// The details window over real photos of the corpus, opened from the main window.
class DetailsWindow : public uitest::WindowTest {
protected:
    // The folder holds one corpus photo (linked, not copied); the window opens it as the current photo.
    void open(const char* corpusName) {
        const QString folder = h.photoFolder(QStringLiteral("zdjecia"));
        name = QString::fromUtf8(corpusName);
        ASSERT_TRUE(QFile::link(testsupport::corpusFile(name), folder + QLatin1Char('/') + name));
        h.build();
        settle();
        ASSERT_EQ(w().catalogue().currentIndex(), 0);
    }
    struct Shown {
        QString nazwa, folderTip, typ, wielkosc, rozmiar, data, dane;
        QSize size;
        int result = -1;
    };
    Shown showDetails() {
        Shown s;
        onNextModal([&s](QDialog& d) {
            auto text = [&d](const char* n) { return d.findChild<QLabel*>(QString::fromLatin1(n))->text(); };
            s.nazwa = text("laNazwa");
            s.folderTip = d.findChild<QLabel*>(QStringLiteral("laFolder"))->toolTip();
            s.typ = text("laTyp");
            s.wielkosc = text("laWielkosc");
            s.rozmiar = text("laRozmiar");
            s.data = text("laData");
            s.dane = d.findChild<QPlainTextEdit*>(QStringLiteral("mDane"))->toPlainText();
            s.size = d.size();
        });
        act("aPlikInfo")->trigger();
        return s;
    }
    QString name;
};

TEST_F(DetailsWindow, ShowsTheFactsAndExifLinesOfThePhoto) {
    const struct {
        const char* name;
        const char* type;
        const char* dimensions;
        const char* size;
        const char* exif; // a piece of the EXIF lines
    } cases[] = {{"canon_40d_II_thumb_jfif.jpg", "Obraz JPEG", "100x68", "8 KB", "Canon EOS 40D"},
                 {"tiff_rgb8_lzw_make_model_xmp.tiff", "Obraz TIFF", "282x212", "197 KB", ""},
                 {"grey_noexif.jpg", "Obraz JPEG", "128x128", "5 KB", "<brak danych>"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        h.close();
        QDir(h.path(QStringLiteral("zdjecia"))).removeRecursively();
        open(c.name);
        const Shown s = showDetails();
        EXPECT_EQ(s.nazwa, name);
        EXPECT_EQ(s.folderTip, h.shell.documents);
        EXPECT_EQ(s.typ, QString::fromUtf8(c.type));
        EXPECT_EQ(s.wielkosc, QString::fromUtf8(c.dimensions));
        EXPECT_EQ(s.rozmiar, QString::fromUtf8(c.size));
        EXPECT_EQ(s.data, w().catalogue().at(0).Data);
        EXPECT_EQ(s.dane, w().document()->exifLines().join(QLatin1Char('\n')));
        EXPECT_FALSE(s.dane.isEmpty());
        EXPECT_TRUE(s.dane.contains(QString::fromUtf8(c.exif))) << s.dane.toStdString();
        EXPECT_GE(s.size.width(), 500);
        EXPECT_GE(s.size.height(), 385);
    }
}

TEST(DetailsWindowKeys, EscapeAndTheButtonCloseWithOk) {
    uitest::Harness h; // resources
    const ui::PhotoDetails details{QStringLiteral("a.jpg"),          QStringLiteral("/x"),
                                   QStringLiteral(".jpg"),           QStringLiteral("1x1"),
                                   QStringLiteral("1 KB"),           QStringLiteral("2020-01-01 10:00"),
                                   {QStringLiteral("<brak danych>")}};
    for (int how = 0; how < 2; ++how) {
        ui::TfoEXIF window(details);
        window.show();
        if (how == 0)
            QTest::keyClick(&window, Qt::Key_Escape);
        else
            clickPicture(window.iOk);
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(window.result(), QDialog::Accepted);
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Szczegóły zdjęcia"));
    }
}

TEST(DetailsWindowFolder, ALongFolderIsShortenedToTheLabel) {
    uitest::Harness h;
    const QString folder =
        QDir::toNativeSeparators(QStringLiteral("/") + QString(30, QLatin1Char('k')) + QStringLiteral("/") +
                                 QString(60, QLatin1Char('m')) + QStringLiteral("/zdjecia"));
    ui::TfoEXIF window({QStringLiteral("a.jpg"), folder, QStringLiteral(".jpg"), {}, {}, {}, {}});
    window.show();
    EXPECT_TRUE(window.laFolder->text().endsWith(QStringLiteral("zdjecia")));
    EXPECT_TRUE(window.laFolder->text().contains(QStringLiteral("...")));
    EXPECT_LE(window.laFolder->fontMetrics().horizontalAdvance(window.laFolder->text()),
              window.laFolder->width());
    EXPECT_EQ(window.laFolder->toolTip(), folder);
}

TEST(AboutWindow, ShowsTheProgramAndTheMachine) {
    uitest::Harness h;
    const ui::AboutTexts texts = ui::AboutTexts::current();
    EXPECT_EQ(texts.product, QStringLiteral("PixvaleLink"));
    EXPECT_EQ(texts.version, core::TVerInfoRes().fileVersion());
    EXPECT_FALSE(texts.copyright.isEmpty());
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Pamięć fizyczna [1-9][0-9]* KB$")).match(texts.memory).hasMatch())
        << texts.memory.toStdString();
    ui::TfoAbout window(texts);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("O programie"));
    EXPECT_EQ(window.laProdukt->text(), texts.product);
    EXPECT_EQ(window.laWersja->text(), texts.version);
    EXPECT_EQ(window.laMemStat->text(), texts.memory);
    EXPECT_EQ(window.laSystem->toolTip(), texts.system);
    window.show();
    clickPicture(window.iOk);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST(AboutWindow, ALongSystemLineKeepsToItsWidth) {
    uitest::Harness h;
    ui::TfoAbout window({QStringLiteral("PixvaleLink"),
                         QStringLiteral("1.0.0.0"),
                         {},
                         QString(200, QLatin1Char('w')),
                         core::memoryLine(1024)});
    EXPECT_EQ(window.laSystem->width(), 320);
    EXPECT_TRUE(window.laSystem->text().endsWith(QStringLiteral("...")));
    EXPECT_LE(window.laSystem->fontMetrics().horizontalAdvance(window.laSystem->text()), 320);
}

TEST(HowItWorks, EscapeClosesWhenLetGoAndAClickCloses) {
    uitest::Harness h;
    {
        ui::TfoJakDziala window;
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Jak to dziala?"));
        EXPECT_FALSE(window.iJakDziala->pixmap().isNull());
        window.show();
        QTest::keyPress(&window, Qt::Key_Escape);
        EXPECT_TRUE(window.isVisible());
        QTest::keyRelease(&window, Qt::Key_Escape);
        EXPECT_FALSE(window.isVisible());
    }
    {
        ui::TfoJakDziala window;
        window.show();
        clickPicture(window.iJakDziala);
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(window.result(), QDialog::Accepted);
    }
}

TEST(HelpMenu, OpensTheAboutAndHowItWorksWindows) {
    uitest::Harness h;
    h.photoFolder(QStringLiteral("pusty"));
    h.build();
    QString about, how;
    onNextModal([&about](QDialog& d) { about = d.objectName(); });
    h.window->action(QStringLiteral("aPomocProgram"))->trigger();
    onNextModal([&how](QDialog& d) { how = d.objectName(); });
    h.window->action(QStringLiteral("aPomocJakDziala"))->trigger();
    EXPECT_EQ(about, QStringLiteral("foAbout"));
    EXPECT_EQ(how, QStringLiteral("foJakDziala"));
}

TEST(FileProperties, TheFactsOfOneFile) {
    uitest::Harness h;
    const QString path = h.path(QStringLiteral("p.jpg"));
    ASSERT_TRUE(uitest::writeBytes(path, 2500));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther);
    const ui::FileProperties p = ui::readFileProperties(path);
    EXPECT_EQ(p.name, QStringLiteral("p.jpg"));
    EXPECT_EQ(p.folder, QDir::toNativeSeparators(h.dir.path()));
    EXPECT_EQ(p.type, QStringLiteral("Obraz JPEG"));
    EXPECT_EQ(p.size, QStringLiteral("2500 bajtów (2 KB)"));
    EXPECT_EQ(p.permissions, QStringLiteral("odczyt i zapis (rw-r--r--)"));
    EXPECT_FALSE(p.modified.isEmpty());
    EXPECT_EQ(ui::imageDimensionsText(path), QStringLiteral("<nieznane>"));
    EXPECT_EQ(ui::imageDimensionsText(testsupport::corpusFile(QStringLiteral("canon_40d_II_thumb_jfif.jpg"))),
              QStringLiteral("100 x 68 pikseli"));
    // TIFF has no reader in the system here: the program's own decoder tells.
    EXPECT_EQ(
        ui::imageDimensionsText(testsupport::corpusFile(QStringLiteral("tiff_rgb8_lzw_make_model_xmp.tiff"))),
        QStringLiteral("282 x 212 pikseli"));
}

TEST(FileProperties, TheWindowGetsItsDimensionsFromAWorker) {
    uitest::Harness h;
    const QString path = testsupport::corpusFile(QStringLiteral("grey_noexif.jpg"));
    ui::DesktopShell shell;
    ASSERT_TRUE(shell.showProperties(nullptr, path));
    ui::FilePropertiesWindow* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QStringLiteral("foWlasciwosci") && top->isVisible())
            window = qobject_cast<ui::FilePropertiesWindow*>(top);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->valueOf(QStringLiteral("Nazwa:")), QStringLiteral("grey_noexif.jpg"));
    EXPECT_EQ(window->valueOf(QStringLiteral("Typ:")), QStringLiteral("Obraz JPEG"));
    EXPECT_TRUE(window->valueOf(QStringLiteral("Rozmiar:")).endsWith(QStringLiteral("bajty (5 KB)")));
    for (int i = 0;
         i < 500 && window->valueOf(QStringLiteral("Wymiary:")).startsWith(QStringLiteral("odczyt")); ++i)
        QTest::qWait(10);
    EXPECT_EQ(window->valueOf(QStringLiteral("Wymiary:")), QStringLiteral("128 x 128 pikseli"));
    window->close(); // deletes itself
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(shell.showProperties(nullptr, h.path(QStringLiteral("none.jpg"))));
}

} // namespace
