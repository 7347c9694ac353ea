// The options dialog and the version check, through the main window's commands.
#include "core/settings.h"
#include "core/versioninfo.h"
#include "wizardharness.h"

using namespace uitest;

// The port is checked only with the proxy on; switching the proxy off and on brings back what was typed;
// cancel changes nothing.
TEST_F(WizardTest, OptionsDialog) {
    buildWindow();
    core::Settings& s = w().settings();
    const QString portError = QString::fromUtf8("Błąd: Niepoprawne dane w polu ustawień proxy: \"Port\"");
    const struct {
        bool proxy;
        const char* port;
        bool closes;
    } cases[] = {
        {true, "-1", false}, {true, "", false}, {true, "0", true}, {false, "x", true}, {true, "3128", true}};
    for (const auto& [proxy, port, closes] : cases) {
        SCOPED_TRACE(port);
        h.prompts.records.clear();
        ui::TfoOpcje* dialog = openOptions();
        if (dialog->cbProxyUse->isChecked() != proxy)
            click(dialog->cbProxyUse);
        type(dialog->eProxyServer, "proxy.lan");
        type(dialog->eProxyPort, port);
        click(dialog->iOk);
        EXPECT_EQ(dialog->isVisible(), !closes);
        EXPECT_EQ(prompted(), closes ? QStringList{} : QStringList{portError});
        if (!closes) {
            EXPECT_EQ(dialog->focusWidget(), dialog->eProxyPort);
            click(dialog->iAnuluj);
        }
        EXPECT_EQ(s.proxyUse, proxy && closes);
    }
    EXPECT_EQ(s.proxyPort, 3128);
    s.proxyUsername = "jan";
    s.proxyBasicAuthentication = true;
    ui::TfoOpcje* dialog = openOptions();
    type(dialog->eProxyServer, "nowy.lan");
    click(dialog->cbProxyUse); // off
    EXPECT_FALSE(dialog->eProxyServer->isEnabled());
    EXPECT_TRUE(dialog->eProxyServer->text().isEmpty());
    EXPECT_FALSE(dialog->cbBasicAutentication->isChecked());
    click(dialog->cbProxyUse); // on again
    EXPECT_EQ(dialog->eProxyServer->text(), "nowy.lan");
    EXPECT_EQ(dialog->eProxyUser->text(), "jan");
    EXPECT_TRUE(dialog->cbBasicAutentication->isChecked());
    click(dialog->iAnuluj);
    EXPECT_EQ(s.proxyServer, "proxy.lan");
}

TEST_F(WizardTest, VersionCheckAsksOrTellsByVersionAndWhoAsked) {
    const QString own = core::TVerInfoRes().fileVersion();
    const QString newVersion = QString::fromUtf8(
        "Informacja: Dostępna jest nowa wersja programu PixvaleLink.\n\rCzy chcesz ją teraz pobrać?");
    const struct {
        QString version;
        bool manual;
        Answer answer;
        QStringList prompts;
    } cases[] = {
        {own, true, {}, {QString::fromUtf8("Informacja: Brak dostępnej nowej wersji programu PixvaleLink.")}},
        {own, false, {}, {}},
        {"99.0.0.0", false, Answer::Yes, {newVersion}},
        {"0.0.0.1", true, Answer::No, {newVersion}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version.toStdString() + (c.manual ? " manual" : " automatic"));
        service = std::make_unique<DevServiceProcess>(
            QStringList{}, ("version " + c.version + "\ndownload_url http://pobierz.example/pv\n").toUtf8());
        h.prompts.records.clear();
        h.shell.calls.clear();
        buildWindow();
        h.prompts.answers = {c.answer};
        if (c.manual)
            command("aNarzedziaSprawdzWersje");
        else
            w().tSprawdzWersje->start(0); // as at start-up with automatic checks on, without the wait
        EXPECT_EQ(QApplication::overrideCursor() != nullptr, c.manual);
        ASSERT_TRUE(
            testsupport::waitUntil([&] { return service->bodiesOf("ifver.php").size() == 1; }, 10000));
        ASSERT_TRUE(serviceWorkersEnded());
        EXPECT_EQ(prompted(), c.prompts);
        EXPECT_EQ(h.shell.calls,
                  c.answer == Answer::Yes ? QStringList{"openUrl http://pobierz.example/pv"} : QStringList{});
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_TRUE(handOverThreads.allOnUi());
}
