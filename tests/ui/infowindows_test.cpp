// The texts about a file and the window of its properties, and the help.
#include "core/datapaths.h"
#include "ui/common/filepropertieswindow.h"
#include "ui/common/phototype.h"
#include "ui/main/informationactions.h"
#include "uitestsupport.h"

namespace {

using testsupport::ReadFile;

TEST(InfoTexts, PhotoTypesAndByteCountsInPolish) {
    const char* cases[][2] = {{".Jpg", "Obraz JPEG"}, {".JPEG", "Obraz JPEG"}, {".TIFF", "Obraz TIFF"},
                              {"jpg", "<nieznany>"},  {".jpgx", "<nieznany>"}, {"", "<nieznany>"}};
    for (const auto& c : cases)
        EXPECT_EQ(ui::photoTypeText(QString::fromUtf8(c[0])), QString::fromUtf8(c[1])) << c[0];
    const qint64 counts[] = {0, 1, 2, 4, 5, 12, 14, 22, 112, 1234, 12345};
    const char* texts[] = {"0 bajtów",   "1 bajt",     "2 bajty",           "4 bajty",
                           "5 bajtów",   "12 bajtów",  "14 bajtów",         "22 bajty",
                           "112 bajtów", "1234 bajty", "12\u00A0345 bajtów"};
    for (size_t i = 0; i < std::size(counts); ++i)
        EXPECT_EQ(ui::bytesText(counts[i]), QString::fromUtf8(texts[i])) << counts[i];
}

class InfoWindows : public uitest::WindowTest {};

// Every text of the program's sources: the contents of their string literals, trimmed, without the
// accelerator mark, hints also in their two parts ("Wyślij zdjęcia|Wysyła ...").
QSet<QString> programTexts() {
    QSet<QString> texts;
    const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
    for (QDirIterator it(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../src"), {"*.cpp", "*.h"}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString source = QString::fromUtf8(ReadFile(it.next()));
        for (auto m = literal.globalMatch(source); m.hasNext();) {
            const QString text =
                m.next().captured(1).replace(QStringLiteral("\\\""), QStringLiteral("\"")).remove('&');
            texts.insert(text.trimmed());
            for (const QString& part : text.split('|'))
                texts.insert(part.trimmed());
        }
    }
    return texts;
}

// Whether `path` ("Plik › Zaznacz pliki", or one caption) is a way through the window's menus.
bool inMenus(const QList<QMenu*>& menus, const QStringList& path) {
    const auto plain = [](QString text) { return text.remove('&'); };
    for (const QMenu* menu : menus) {
        if (path.size() == 1 && plain(menu->title()) == path[0])
            return true;
        for (const QAction* action : menu->actions()) {
            if (plain(action->text()) != path.last())
                continue;
            if (path.size() == 1)
                return true;
            if (plain(menu->title()) == path[path.size() - 2] &&
                (path.size() == 2 || inMenus(menus, path.mid(0, path.size() - 1))))
                return true;
        }
    }
    return false;
}

// What the help pages call the buttons and menu commands is what the program shows.
TEST_F(InfoWindows, TheHelpPagesNameButtonsAndMenusAsTheProgramShowsThem) {
    h.build();
    const QRegularExpression span(QStringLiteral("<span class=\"(menu|przycisk)\">(.*?)</span>"),
                                  QRegularExpression::DotMatchesEverythingOption);
    const QDir pages = QFileInfo(core::helpIndexPath()).dir();
    const QSet<QString> texts = programTexts();
    ASSERT_TRUE(texts.contains(QStringLiteral("Wykonaj")));
    const QList<QMenu*> menus = w().findChildren<QMenu*>();
    int claims = 0;
    for (const QString& name : pages.entryList({"*.html"}, QDir::Files, QDir::Name)) {
        const QString html = QString::fromUtf8(ReadFile(pages.filePath(name)));
        for (auto m = span.globalMatch(html); m.hasNext(); ++claims) {
            const QRegularExpressionMatch c = m.next();
            const QString text = c.captured(2).simplified();
            SCOPED_TRACE((name + ": " + text).toStdString());
            if (c.captured(1) == QLatin1String("menu"))
                EXPECT_TRUE(inMenus(menus, text.split(QStringLiteral(" › "))));
            else
                EXPECT_TRUE(texts.contains(text));
        }
    }
    EXPECT_GE(claims, 20);
}

TEST_F(InfoWindows, FilePropertiesTellTheFactsOfOneFileTheDimensionsFromAWorker) {
    const QString path = h.path(QStringLiteral("p.jpg"));
    ASSERT_TRUE(uitest::writeBytes(path, 2500));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ReadOther);
    const ui::FileProperties p = ui::readFileProperties(path);
    EXPECT_EQ(p.folder + '/' + p.name, path);
    EXPECT_EQ(p.size + " / " + p.permissions,
              QStringLiteral("2500 bajtów (2 KB) / odczyt i zapis (rw-r--r--)"));
    EXPECT_EQ(ui::imageDimensionsText(path), QStringLiteral("<nieznane>"));
    // TIFF has no reader in the system here: the program's own decoder tells.
    EXPECT_EQ(
        ui::imageDimensionsText(testsupport::corpusFile(QStringLiteral("tiff_rgb8_lzw_make_model_xmp.tiff"))),
        QStringLiteral("282 x 212 pikseli"));

    ui::DesktopShell shell;
    ASSERT_TRUE(shell.showProperties(nullptr, testsupport::corpusFile(QStringLiteral("grey_noexif.jpg"))));
    ui::FilePropertiesWindow* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* shown = qobject_cast<ui::FilePropertiesWindow*>(top); shown && shown->isVisible())
            window = shown;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->valueOf(QStringLiteral("Nazwa:")), QStringLiteral("grey_noexif.jpg"));
    EXPECT_TRUE(window->valueOf(QStringLiteral("Rozmiar:")).endsWith(QStringLiteral("bajty (5 KB)")));
    EXPECT_TRUE(testsupport::waitUntil([&] {
        return window->valueOf(QStringLiteral("Wymiary:")) == QStringLiteral("128 x 128 pikseli");
    })) << window->valueOf(QStringLiteral("Wymiary:")).toStdString();
    window->close(); // deletes itself
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(shell.showProperties(nullptr, h.path(QStringLiteral("none.jpg"))));
}

} // namespace
