// The upload wizard when the service falls silent or the customer leaves in the middle of an exchange.
#include "wizardharness.h"

#include "ui/upload/wordpicture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyle>
#include <QTest>

using namespace uitest;

namespace {

const QString kUnknown = QStringLiteral("Nieznany");
const QString kNotSent = QStringLiteral("Niewysłano");

// How many of the recorded upload bodies carry the photo `name`.
qsizetype timesSent(const DevServiceProcess& service, const QString& name) {
    qsizetype n = 0;
    for (const QByteArray& body : service.bodiesOf("ifupload.sphp"))
        n += body.contains("/" + name.toUtf8() + "\"\r\n") ? 1 : 0;
    return n;
}

} // namespace

TEST_F(WizardTest, AStopAfterThePhotoLeftLeavesItUnknownAndItGoesAgainOnlyOnTheCustomersWord) {
    start(2, {"--silent-on", "ifupload.sphp"}, {}, 100000);
    openWizard();
    logIn();
    click(wizard().iKrok2Ok);
    // Photo 1 has wholly left; the service keeps silent.
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            const QProgressBar* bar = wizard().pbCurrent;
            return wizard().laPlik->text() == "f1.jpg" && bar->maximum() > 1000 &&
                   bar->value() == bar->maximum();
        },
        20000));
    h.prompts.answers = {ui::Prompts::Answer::Yes};
    click(wizard().iKrok3Przerwij);
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(reportRows(),
              (QList<QStringList>{{"f1.jpg", kUnknown,
                                   QString::fromUtf8("Wysłano, ale serwis nie potwierdził odbioru: "
                                                     "zdjęcie mogło trafić do albumu.")},
                                  {"f2.jpg", kNotSent, ""}}));
    ASSERT_TRUE(wizard().iKrok4Ponow->isVisibleTo(&wizard()));

    // The question names the photo of unknown outcome, and only that one.
    const QString question = QString::fromUtf8(
        "Pytanie: Nie wiadomo, czy serwis przyjął te zdjęcia:\n\rf1.jpg\n\rWysłane ponownie mogą się znaleźć "
        "w albumie dwa razy. Czy wysłać je ponownie?");
    h.prompts.records.clear();
    h.prompts.answers = {ui::Prompts::Answer::Cancel};
    click(wizard().iKrok4Ponow);
    EXPECT_EQ(prompted(), QStringList{question});
    EXPECT_EQ(wizard().step(), 4);

    // No: only the photo that surely failed goes again.
    handOvers.clear();
    h.prompts.answers = {ui::Prompts::Answer::No};
    click(wizard().iKrok4Ponow);
    EXPECT_EQ(wizard().step(), 3);
    ASSERT_TRUE(QTest::qWaitFor([this] { return handOvers.contains("ShowUploadProgress"); }, 10000));
    EXPECT_EQ(wizard().laWszystkie->text(), QStringLiteral("Wszystkie: 1 z 1"));
    EXPECT_EQ(wizard().laPlik->text(), QStringLiteral("f2.jpg"));
    h.prompts.answers = {ui::Prompts::Answer::Yes};
    click(wizard().iKrok3Przerwij);
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(reportRows().first().at(1), kUnknown);
    EXPECT_EQ(timesSent(*service, "f1.jpg"), 1);
    EXPECT_TRUE(allOnUiThread);
}

// Leaving the wizard while it waits for the service: the cursor is the customer's at once, and the
// exchange's end (here the service dying) shows nothing.
TEST_F(WizardTest, ClosingWhileItWaitsRestoresTheCursorAndNoLateErrorAppears) {
    struct Case {
        const char* silentScript;
        int step;
        bool closeBox; // else the step's cancel button
    };
    const Case cases[] = {{"ifloguj.php", 1, false}, {"ifloguj.php", 1, true}, {"ifalbum.php", 2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.silentScript) + (c.closeBox ? " close box" : " cancel"));
        h.prompts.records.clear();
        start(1, {"--silent-on", c.silentScript});
        openWizard();
        type(wizard().eLogin, "demo@pixvale.example");
        type(wizard().eHaslo, "demo");
        click(wizard().iKrok1Ok);
        if (c.step == 2) {
            ASSERT_TRUE(QTest::qWaitFor([this] { return wizard().step() == 2; }, 10000));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return service->bodiesOf(c.silentScript).size() == 1; }, 10000));
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
        if (c.closeBox) {
            EXPECT_TRUE(wizard().close());
        } else {
            click(c.step == 1 ? wizard().iKrok1Anuluj : wizard().iKrok2);
        }
        EXPECT_FALSE(wizard().isVisible());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        service->Stop();
        // Nothing to wait for but the silence: the worker's end is not the window's business any more.
        QTest::qWait(1500);
        EXPECT_EQ(prompted(), QStringList{});
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(allOnUiThread);
    }
}

TEST_F(WizardTest, AVersionCheckEndingAfterTheMainWindowNeverReachesIt) {
    start(1, {"--silent-on", "ifver.php"});
    w().action(QStringLiteral("aNarzedziaSprawdzWersje"))->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->bodiesOf("ifver.php").size() == 1; }, 10000));
    closeWindow(); // the receiver goes while the check waits
    service->Stop();
    QTest::qWait(1500); // an attached worker would now hand "RestoreDefaultCursor" to freed memory
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(prompted(), QStringList{});
}

TEST_F(WizardTest, MinimisedTogetherRestoredTogether) {
    start(1);
    for (const bool restoreTheWizard : {false, true}) {
        SCOPED_TRACE(restoreTheWizard ? "wizard restored" : "main window restored");
        w().show();
        openWizard();
        wizard().setWindowState(Qt::WindowMinimized);
        EXPECT_TRUE(w().isMinimized());
        QWidget& restored = restoreTheWizard ? static_cast<QWidget&>(wizard()) : w();
        restored.setWindowState(restored.windowState() & ~Qt::WindowMinimized);
        EXPECT_FALSE(wizard().isMinimized());
        EXPECT_FALSE(w().isMinimized());
        click(wizard().iKrok1Anuluj);
    }
}

TEST_F(WizardTest, PasswordsShowAStarForEveryCharacter) {
    start(1);
    QLineEdit* edits[] = {wizard().eHaslo, openOptions()->eProxyPassword};
    for (QLineEdit* edit : edits) {
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_EQ(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), '*');
    }
}
