// The command line and the open requests of the program; the installed program's --help, --version and
// report are checked from the outside by the installation test.
#include "app/commandline.h"
#include "app/openrequests.h"
#include "core/settingsstore.h"
#include "testsupport.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/main/tfoglowny.h"

using Action = app::CommandLine::Action;

TEST(CommandLine, ActionsAndAbsolutePathsInTheirOrder) {
    const auto parse = [](const QStringList& arguments) {
        return app::parseCommandLine(QStringList{"pixvalelink"} + arguments, "/home/ola/zdjecia");
    };
    const std::pair<QStringList, Action> cases[] = {{{}, Action::Run},
                                                    {{"a.jpg"}, Action::Run},
                                                    {{"--help"}, Action::Help},
                                                    {{"-h"}, Action::Help},
                                                    {{"a.jpg", "--help"}, Action::Help},
                                                    {{"--version"}, Action::Version},
                                                    {{"-v"}, Action::Version},
                                                    {{"--report-and-quit"}, Action::Run},
                                                    {{"--nieznana"}, Action::Error},
                                                    {{"-x"}, Action::Error}};
    for (const auto& [arguments, action] : cases) {
        const app::CommandLine c = parse(arguments);
        EXPECT_EQ(c.action, action) << arguments.join(' ').toStdString();
        EXPECT_EQ(c.reportAndQuit, arguments == QStringList{"--report-and-quit"});
    }
    EXPECT_EQ(parse({"--nieznana"}).text.left(24), "Nieznana opcja: nieznana");
    EXPECT_EQ(
        parse({"lato/a.jpg", "/tmp/b.tif", "file:///tmp/z%20spacja.jpg", "../inne/", "--", "-minus.jpg"})
            .paths,
        QStringList({"/home/ola/zdjecia/lato/a.jpg", "/tmp/b.tif", "/tmp/z spacja.jpg", "/home/ola/inne",
                     "/home/ola/zdjecia/-minus.jpg"}));
    char program[] = "pixvalelink", photo[] = "\xc5\x82\xc4\x85ka.jpg"; // "łąka.jpg" in UTF-8
    char* argv[] = {program, photo};
    EXPECT_EQ(app::argumentsOf(2, argv), QStringList({"pixvalelink", QString::fromUtf8("łąka.jpg")}));
}

TEST(OpenRequests, TheFirstRequestWithAPhotoOpensItAndEndsTheWindow) {
    ui::InitResources();
    testsupport::TempFolder dir;
    const QString folder = dir.path("lato"), photo = folder + "/b.jpg";
    ASSERT_TRUE(QDir().mkpath(folder) &&
                QFile::copy(testsupport::corpusFile("canon_40d_II_thumb_jfif.jpg"), photo) &&
                QFile::copy(photo, folder + "/a.jpg"));
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    shell.documents = dir.dir.path();
    core::SettingsStore store(dir.path("store.ini"));
    ui::TfoGlowny window({&prompts, &shell, &store, dir.path("settings")});
    window.show();
    const QString before = window.folder();
    app::OpenRequests requests(window, true);
    requests.open({});
    EXPECT_EQ(window.folder(), before);
    EXPECT_TRUE(window.isVisible());
    requests.open({folder + "/brak.jpg", photo}); // opened, waited for, reported, and the window closes
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.folder(), folder);
    const QStringList report = app::installationReport(window, "/x/icon.svg").split('\n');
    EXPECT_TRUE(report.contains("photo=" + photo) && report.contains("folder=" + folder))
        << report.join(' ').toStdString();
}
