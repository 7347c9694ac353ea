#include "uitestsupport.h"

#include "core/datapaths.h"
#include "ui/common/help.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>

#include "testsupport.h"

namespace {

const QString kCaption = QStringLiteral("Pomoc");
const QString kMissing = QStringLiteral("Nie można odnaleźć pliku pomocy.");

TEST(Help, OpenedThroughTheShellOrReportedMissing) {
    for (const bool found : {true, false}) {
        ui::RecordingShell shell;
        ui::RecordingPrompts prompts;
        shell.helpResult = found;
        ui::ShowHelp(nullptr, shell, prompts, QStringLiteral("/x/pomoc/index.html"));
        EXPECT_EQ(shell.calls, QStringList{QStringLiteral("openHelp /x/pomoc/index.html")});
        ASSERT_EQ(prompts.records.size(), found ? 0 : 1);
        if (!found) {
            EXPECT_EQ(prompts.records[0].kind, ui::Prompts::Kind::Error);
            EXPECT_EQ(prompts.records[0].caption, kCaption);
            EXPECT_EQ(prompts.records[0].text, kMissing);
        }
    }
}

TEST(Help, TheDesktopShellReportsAMissingFileOnly) {
    ui::DesktopShell shell;
    ui::RecordingPrompts prompts;
    ui::ShowHelp(nullptr, shell, prompts, QStringLiteral("/nonexistent/pomoc/index.html"));
    ASSERT_EQ(prompts.records.size(), 1);
    EXPECT_EQ(prompts.records[0].text, kMissing);
}

class HelpCommand : public uitest::WindowTest {};

// F1 opens the pages the build put beside the program.
TEST_F(HelpCommand, OpensTheHelpIndexBesideTheProgram) {
    h.build();
    act("aPomocPomoc")->trigger();
    ASSERT_EQ(h.shell.calls.size(), 1);
    const QString path = h.shell.calls[0].mid(QStringLiteral("openHelp ").size());
    EXPECT_EQ(path, core::helpIndexPath());
    EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_TRUE(h.prompts.records.isEmpty());

    h.shell.helpResult = false;
    act("aPomocPomoc")->trigger();
    ASSERT_EQ(h.prompts.records.size(), 1);
    EXPECT_EQ(h.prompts.records[0].caption, kCaption);
    EXPECT_EQ(h.prompts.records[0].text, kMissing);
}

} // namespace

namespace {

// Every text of the program's sources: the contents of their string literals, trimmed, without the
// accelerator mark, hints also in their two parts.
QSet<QString> programTexts() {
    QSet<QString> texts;
    const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
    for (QDirIterator it(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../src"), {"*.cpp", "*.h"}, QDir::Files,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString source = QString::fromUtf8(testsupport::ReadFile(it.next()));
        for (auto m = literal.globalMatch(source); m.hasNext();) {
            const QString text =
                m.next().captured(1).replace(QStringLiteral("\\\""), QStringLiteral("\"")).remove('&');
            texts.insert(text.trimmed());
            // A hint's short and long forms ("Wyślij zdjęcia|Wysyła ...").
            for (const QString& part : text.split('|'))
                texts.insert(part.trimmed());
        }
    }
    return texts;
}

struct Claim {
    QString page;
    QString kind; // "menu" or "przycisk"
    QString text;
};

QList<Claim> helpClaims() {
    QList<Claim> claims;
    const QRegularExpression span(QStringLiteral("<span class=\"(menu|przycisk)\">(.*?)</span>"),
                                  QRegularExpression::DotMatchesEverythingOption);
    const QDir pages = QFileInfo(core::helpIndexPath()).dir();
    for (const QString& name : pages.entryList({"*.html"}, QDir::Files, QDir::Name)) {
        const QString html = QString::fromUtf8(testsupport::ReadFile(pages.filePath(name)));
        for (auto m = span.globalMatch(html); m.hasNext();) {
            const QRegularExpressionMatch c = m.next();
            claims.append({name, c.captured(1), c.captured(2).simplified()});
        }
    }
    return claims;
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
            // The caption above must be this menu's title, and so on upwards.
            if (plain(menu->title()) == path[path.size() - 2] &&
                (path.size() == 2 || inMenus(menus, path.mid(0, path.size() - 1))))
                return true;
        }
    }
    return false;
}

} // namespace

// What the help pages call the buttons and menu commands is what the program shows.
TEST_F(HelpCommand, ThePagesNameButtonsAndMenusAsTheProgramShowsThem) {
    h.build();
    const QList<Claim> claims = helpClaims();
    ASSERT_GE(claims.size(), 20);
    const QSet<QString> texts = programTexts();
    ASSERT_TRUE(texts.contains(QStringLiteral("Wykonaj")));
    const QList<QMenu*> menus = w().findChildren<QMenu*>();
    for (const Claim& c : claims) {
        SCOPED_TRACE((c.page + ": " + c.text).toStdString());
        if (c.kind == QLatin1String("menu"))
            EXPECT_TRUE(inMenus(menus, c.text.split(QStringLiteral(" › "))));
        else
            EXPECT_TRUE(texts.contains(c.text));
    }
}

// The stages are named alike on the contents page and in the how-it-works picture.
TEST(HelpPages, TheContentsNameTheStagesAsTheHowItWorksPicture) {
    const QString picture =
        QString::fromUtf8(testsupport::ReadFile(QStringLiteral(":/pictures/jakdziala.svg")));
    const QString index = QString::fromUtf8(testsupport::ReadFile(core::helpIndexPath()));
    ASSERT_FALSE(picture.isEmpty());
    for (const char* stage : {"Wybierz", "Popraw", "Wyślij", "Zamów"}) {
        const QString name = QString::fromUtf8(stage);
        EXPECT_TRUE(picture.contains(">" + name + "<")) << stage;
        EXPECT_TRUE(index.contains("<b>" + name + "</b>")) << stage;
    }
}
