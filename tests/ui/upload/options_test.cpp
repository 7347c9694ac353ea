// The options dialog and the version check, through the main window's commands.
#include "wizardharness.h"

#include "core/settings.h"
#include "core/versioninfo.h"
#include "ui/common/framedwindow.h"
#include "ui/upload/tfoopcje.h"
#include "ui/upload/wordpicture.h"
#include "ui/viewer/imageviewcontroller.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace uitest;

namespace {

const QString kPortMessage = QString::fromUtf8("Błąd: Niepoprawne dane w polu ustawień proxy: \"Port\"");

class OptionsTest : public WizardTest {
protected:
    // Clicks ok; true when the dialog closed.
    bool accept(ui::TfoOpcje* dialog) {
        QPointer<ui::TfoOpcje> alive(dialog);
        click(dialog->iOk);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return alive.isNull() || !alive->isVisible();
    }
};

} // namespace

TEST_F(OptionsTest, PortIsCheckedOnlyWithTheProxyOn) {
    buildWindow();
    struct Case {
        bool proxy;
        QString port;
        bool closes;
        qint32 stored; // the record's port afterwards
    };
    const Case cases[] = {
        {true, "abc", false, 0}, {true, "-1", false, 0},     {true, "", false, 0},
        {true, "0", true, 0},    {true, "3128", true, 3128}, {false, "abc", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port.toStdString());
        w().settings() = core::Settings{};
        h.prompts.records.clear();
        ui::TfoOpcje* dialog = openOptions();
        dialog->cbProxyUse->setChecked(c.proxy);
        dialog->ProxyUseChanged();
        type(dialog->eProxyServer, "proxy.lan");
        type(dialog->eProxyPort, c.port);
        EXPECT_EQ(accept(dialog), c.closes);
        EXPECT_EQ(prompted(), c.closes ? QStringList{} : QStringList{kPortMessage});
        if (!c.closes) {
            EXPECT_EQ(dialog->eProxyPort->selectedText(), c.port);
            EXPECT_EQ(dialog->focusWidget(), dialog->eProxyPort);
            click(dialog->iAnuluj);
        }
        EXPECT_EQ(w().settings().proxyUse, c.proxy && c.closes);
        EXPECT_EQ(w().settings().proxyPort, c.stored);
        EXPECT_EQ(w().settings().proxyServer, c.proxy && c.closes ? QStringLiteral("proxy.lan") : QString());
    }
}

TEST_F(OptionsTest, SwitchingTheProxyOffAndOnBringsBackWhatWasTyped) {
    buildWindow();
    core::Settings& s = w().settings();
    s.proxyUse = true;
    s.proxyServer = "stary.lan";
    s.proxyPort = 8080;
    s.proxyUsername = "jan";
    s.proxyPassword = "tajne";
    s.proxyBasicAuthentication = true;
    ui::TfoOpcje* dialog = openOptions();
    EXPECT_EQ(dialog->eProxyServer->text(), "stary.lan");
    EXPECT_EQ(dialog->eProxyPort->text(), "8080");
    EXPECT_TRUE(dialog->cbBasicAutentication->isChecked());
    EXPECT_EQ(dialog->eProxyPort->focusPolicy(), Qt::ClickFocus);
    type(dialog->eProxyServer, "nowy.lan");
    click(dialog->cbProxyUse); // off
    EXPECT_FALSE(dialog->eProxyServer->isEnabled());
    EXPECT_TRUE(dialog->eProxyServer->text().isEmpty());
    EXPECT_FALSE(dialog->cbBasicAutentication->isChecked());
    click(dialog->cbProxyUse); // on again
    EXPECT_EQ(dialog->eProxyServer->text(), "nowy.lan");
    EXPECT_EQ(dialog->eProxyUser->text(), "jan");
    EXPECT_EQ(dialog->eProxyPassword->text(), "tajne");
    EXPECT_TRUE(dialog->cbBasicAutentication->isChecked());
    EXPECT_TRUE(accept(dialog));
    EXPECT_EQ(s.proxyServer, "nowy.lan");
    EXPECT_EQ(s.proxyPort, 8080);

    // Opened with the proxy off: empty, disabled fields, and they stay empty when switched on.
    s.proxyUse = false;
    dialog = openOptions();
    EXPECT_TRUE(dialog->eProxyServer->text().isEmpty());
    EXPECT_FALSE(dialog->eProxyServer->isEnabled());
    click(dialog->cbProxyUse);
    EXPECT_TRUE(dialog->eProxyServer->text().isEmpty());
    click(dialog->iAnuluj);
    EXPECT_FALSE(s.proxyUse);
    EXPECT_EQ(s.proxyServer, "nowy.lan"); // cancel changes nothing
}

TEST_F(OptionsTest, ViewQualityAndAutomaticCheckAreStored) {
    buildWindow();
    for (const bool high : {true, false}) {
        ui::TfoOpcje* dialog = openOptions();
        checkLook(*dialog, ui::kOrange, "opcje");
        EXPECT_EQ(dialog->rbJakoscWysoka->isChecked(), !high);
        click(high ? dialog->rbJakoscWysoka : dialog->rbJakoscNormalna);
        click(dialog->cbAutoUpdate);
        EXPECT_TRUE(accept(dialog));
        EXPECT_EQ(w().settings().viewQuality, high);
        EXPECT_EQ(w().viewer()->viewQuality(), high); // the viewer follows at once
        EXPECT_EQ(w().settings().autoUpdate, high);
    }
}

TEST_F(OptionsTest, VersionCheckAsksOrTellsByVersionAndWhoAsked) {
    const QString own = core::TVerInfoRes().fileVersion();
    const QString newVersion =
        QString::fromUtf8("Informacja: Dostępna jest nowa wersja programu PixvaleLink.\n\rCzy "
                          "chcesz ją teraz pobrać?");
    const QString noVersion =
        QString::fromUtf8("Informacja: Brak dostępnej nowej wersji programu PixvaleLink.");
    struct Case {
        QString version;
        bool manual;
        ui::Prompts::Answer answer;
        QStringList prompts;
        bool opens;
    };
    const Case cases[] = {
        {own, true, {}, {noVersion}, false},
        {own, false, {}, {}, false},
        {"0.0.0.1", true, ui::Prompts::Answer::Yes, {newVersion}, true},
        {"99.0.0.0", false, ui::Prompts::Answer::Yes, {newVersion}, true},
        {"99.0.0.0", true, ui::Prompts::Answer::No, {newVersion}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version.toStdString() + (c.manual ? " manual" : " automatic"));
        service = std::make_unique<DevServiceProcess>(
            QStringList{}, ("version " + c.version + "\ndownload_url http://pobierz.example/pv\n").toUtf8());
        ASSERT_TRUE(service->started());
        h.prompts.records.clear();
        h.shell.calls.clear();
        handOvers.clear();
        buildWindow();
        h.prompts.answers = {c.answer};
        if (c.manual) {
            w().action("aNarzedziaSprawdzWersje")->trigger();
            EXPECT_NE(QApplication::overrideCursor(), nullptr);
        } else {
            w().tSprawdzWersje->start(); // as at start-up with automatic checks on
            EXPECT_EQ(w().tSprawdzWersje->interval(), 2000);
        }
        QTest::qWait(c.prompts.isEmpty() ? 3500 : 0);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return h.prompts.records.size() == c.prompts.size() && !w().tSprawdzWersje->isActive(); },
            10000));
        if (!c.prompts.isEmpty()) {
            EXPECT_EQ(h.prompts.records.first().kind,
                      c.version == own ? ui::Prompts::Kind::Plain : ui::Prompts::Kind::InfoYesNo);
        }
        EXPECT_EQ(prompted(), c.prompts);
        EXPECT_EQ(h.shell.calls, c.opens ? QStringList{"openUrl http://pobierz.example/pv"} : QStringList{});
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(commands->manualCheck(), c.manual);
        EXPECT_TRUE(allOnUiThread);
    }
}
