// The upload wizard end to end against the development service, driven through its controls.
#include "wizardharness.h"

#include "core/settings.h"
#include "document/photodocument.h"
#include "testsupport.h"
#include "ui/common/framedwindow.h"
#include "ui/upload/wordpicture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

using namespace uitest;

namespace {

const QString kSent = QStringLiteral("Wysłano");
const QString kNotSent = QStringLiteral("Niewysłano");
const QString kStopQuestion = QStringLiteral("Pytanie: Czy na pewno przerwać wysyłanie zdjęć do serwisu?");

} // namespace

TEST_F(WizardTest, FirstRunLogsInAfterAWrongPasswordAndTheSecondStartsAtTheAlbums) {
    start(1);
    openWizard();
    ASSERT_TRUE(wizard().isVisible());
    EXPECT_EQ(wizard().step(), 1);
    checkLook(wizard(), ui::kGreen, "krok1");
    type(wizard().eLogin, "demo@pixvale.example");
    type(wizard().eHaslo, "zle");
    click(wizard().iKrok1Ok);
    EXPECT_EQ(wizard().iKrok1Ok->tag, 1);
    click(wizard().iKrok1Ok); // busy: does nothing
    ASSERT_TRUE(QTest::qWaitFor([this] { return !h.prompts.records.isEmpty(); }, 20000));
    EXPECT_EQ(prompted(), QStringList{QString::fromUtf8(
                              "Błąd: Błąd podczas logowania. \n\rNiepoprawny login lub hasło.")});
    EXPECT_EQ(wizard().step(), 1);
    checkLook(wizard(), ui::kGreen, "krok1_po_bledzie");
    EXPECT_EQ(wizard().iKrok1Ok->tag, 0);
    EXPECT_EQ(wizard().iKrok2Ok->tag, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(service->bodiesOf("ifloguj.php").size(), 1);
    EXPECT_EQ(handOvers, QStringList{"ShowServiceError"});

    logIn();
    checkLook(wizard(), ui::kBlue, "krok2");
    EXPECT_FALSE(wizard().session().sessionId.isEmpty());
    ASSERT_EQ(wizard().cbAlbumyIstniejace->count(), 2);
    EXPECT_EQ(wizard().cbAlbumyIstniejace->itemText(0), QStringLiteral("Wakacje nad morzem"));
    EXPECT_EQ(wizard().albumIds(), (QStringList{"1", "2"}));
    EXPECT_TRUE(wizard().rbAlbumIstniejacy->isChecked());
    click(wizard().iKrok2);
    EXPECT_FALSE(wizard().isVisible());

    handOvers.clear();
    openWizard();
    EXPECT_EQ(wizard().step(), 2);
    ASSERT_TRUE(albumsShown());
    EXPECT_EQ(handOvers, QStringList{"AlbumsArrived"});
    EXPECT_EQ(service->bodiesOf("ifloguj.php").size(), 2);

    // Choosing an existing album after typing a name sends the album's identifier.
    QTest::keyClicks(wizard().eNowyAlbum, "Porzucony");
    EXPECT_TRUE(wizard().rbAlbumNowy->isChecked());
    QTest::keyClick(wizard().cbAlbumyIstniejace, Qt::Key_Down);
    EXPECT_TRUE(wizard().rbAlbumIstniejacy->isChecked());
    EXPECT_EQ(wizard().cbAlbumyIstniejace->currentText(), QStringLiteral("Rodzina"));
    QTest::keyClick(&wizard(), Qt::Key_Return); // Enter in step 2 is the next button
    ASSERT_TRUE(uploadFinished());
    const auto forms = uploadFields();
    ASSERT_EQ(forms.size(), 1);
    EXPECT_EQ(forms[0]["idalbumu"], "2");
    EXPECT_EQ(forms[0]["nazwaalbumu"], "");
    EXPECT_TRUE(allOnUiThread);
}

TEST_F(WizardTest, AccountWithoutAlbumsOffersOnlyANewOneAndSendsItsNameWithZero) {
    start(1, {}, "account nowy@pixvale.example haslo\n");
    openWizard();
    logIn("nowy@pixvale.example", "haslo");
    EXPECT_TRUE(wizard().rbAlbumNowy->isChecked());
    EXPECT_TRUE(wizard().rbAlbumNowy->isEnabled());
    EXPECT_FALSE(wizard().rbAlbumIstniejacy->isChecked());
    EXPECT_FALSE(wizard().rbAlbumIstniejacy->isEnabled());
    EXPECT_FALSE(wizard().cbAlbumyIstniejace->isEnabled());
    EXPECT_TRUE(wizard().eNowyAlbum->isEnabled());
    EXPECT_EQ(wizard().focusWidget(), wizard().eNowyAlbum);

    click(wizard().iKrok2Ok); // no name yet
    EXPECT_EQ(prompted(), QStringList{QString::fromUtf8("Nazwa: Wprowadź nazwe albumu.")});
    EXPECT_EQ(wizard().step(), 2);
    EXPECT_EQ(wizard().iKrok2Ok->tag, 0);

    type(wizard().eNowyAlbum, "Urodziny");
    click(wizard().iKrok2Ok);
    EXPECT_EQ(wizard().step(), 3);
    checkLook(wizard(), ui::kOrange, "krok3");
    ASSERT_TRUE(uploadFinished());
    const auto forms = uploadFields();
    ASSERT_EQ(forms.size(), 1);
    EXPECT_EQ(forms[0]["idalbumu"], "0");
    EXPECT_EQ(forms[0]["nazwaalbumu"], "Urodziny");
    EXPECT_EQ(forms[0]["sessid"], wizard().session().sessionId.toLatin1());
    EXPECT_EQ(reportRows(), (QList<QStringList>{{"f1.jpg", kSent, "OK"}}));

    h.shell.calls.clear();
    click(wizard().iKrok4_2);
    EXPECT_EQ(h.shell.calls, QStringList{"openUrl " + service->baseAddress() + "ifincoming.php?sessid=" +
                                         wizard().session().sessionId + "&aid=Urodziny"});
    EXPECT_FALSE(wizard().isVisible());
}

TEST_F(WizardTest, LeavingARunningUploadAsksFirstAndStopKeepsTheFinalRows) {
    start(4, {"--slow-reader", "100000"}, {}, 100000);
    openWizard();
    logIn();
    click(wizard().iKrok2Ok);
    // On its way: photo 2's body is being sent.
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            return wizard().laPlik->text() == "f2.jpg" && handOvers.last() == "SetSendPosition" &&
                   handOvers.lastIndexOf("SetSendRange") > handOvers.lastIndexOf("ShowUploadProgress");
        },
        30000));
    checkLook(wizard(), ui::kOrange, "krok3");
    EXPECT_EQ(wizard().laWszystkie->text(), QStringLiteral("Wszystkie: 2 z 4"));
    // Neither the close box nor Escape leaves it when the answer is no: both ask first.
    h.prompts.answers = {ui::Prompts::Answer::No, ui::Prompts::Answer::No};
    EXPECT_FALSE(wizard().close());
    QTest::keyClick(&wizard(), Qt::Key_Escape);
    EXPECT_EQ(prompted(), (QStringList{kStopQuestion, kStopQuestion}));
    EXPECT_EQ(wizard().step(), 3);
    EXPECT_TRUE(wizard().isVisible());

    h.prompts.answers = {ui::Prompts::Answer::Yes};
    click(wizard().iKrok3Przerwij);
    EXPECT_EQ(prompted(), (QStringList{kStopQuestion, kStopQuestion, kStopQuestion}));
    EXPECT_EQ(wizard().step(), 4); // at once, before the worker has ended
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(wizard().step(), 4);
    EXPECT_EQ(reportRows(),
              (QList<QStringList>{{"f1.jpg", kSent, "OK"},
                                  {"f2.jpg", kNotSent, QString::fromUtf8("Przerwane przez użytkownika")},
                                  {"f3.jpg", kNotSent, ""},
                                  {"f4.jpg", kNotSent, ""}}));
    EXPECT_TRUE(wizard().iKrok4Ponow->isVisibleTo(&wizard()));
    checkLook(wizard(), ui::kGreen, "krok4_z_bledami");

    // Enter on the report opens the session's page and closes the wizard.
    QTest::keyClick(&wizard(), Qt::Key_Return);
    EXPECT_EQ(h.shell.calls, QStringList{"openUrl " + service->baseAddress() +
                                         "ifincoming.php?sessid=" + wizard().session().sessionId});
    EXPECT_FALSE(wizard().isVisible());
    EXPECT_TRUE(allOnUiThread);
}

TEST_F(WizardTest, ALateReportOfAnEarlierRunNeverChangesTheNextRun) {
    start(3, {"--slow-reader", "20000"}, {}, 60000);
    openWizard();
    logIn();
    click(wizard().iKrok2Ok);
    ASSERT_TRUE(QTest::qWaitFor([this] { return handOvers.contains("SetSendPosition"); }, 20000));
    h.prompts.answers = {ui::Prompts::Answer::Yes};
    click(wizard().iKrok3Przerwij);
    click(wizard().iKrok4); // closes before the stopped worker has reported
    ASSERT_FALSE(wizard().isVisible());
    handOvers.clear();
    openWizard();
    ASSERT_TRUE(albumsShown());
    QTest::qWait(1500); // time for the stopped worker to end
    EXPECT_EQ(handOvers, QStringList{"AlbumsArrived"});
    EXPECT_EQ(wizard().step(), 2);
}

TEST_F(WizardTest, RememberFollowsTheCheckBoxWhenTheWizardCloses) {
    start(1);
    for (const bool checked : {true, false}) {
        openWizard();
        type(wizard().eLogin, "demo@pixvale.example");
        type(wizard().eHaslo, "sekret");
        wizard().cbPamietajHaslo->setChecked(checked);
        click(wizard().iKrok1Anuluj);
        const core::Settings& s = w().settings();
        EXPECT_EQ(s.remember, checked);
        EXPECT_EQ(s.email, checked ? QStringLiteral("demo@pixvale.example") : QString());
        EXPECT_EQ(s.password, checked ? QStringLiteral("sekret") : QString());
    }
    // A remembered login comes back in the fields.
    w().settings().remember = true;
    w().settings().email = "ktos@pixvale.example";
    w().settings().password = "haslo";
    wizard().eLogin->clear();
    openWizard();
    EXPECT_EQ(wizard().eLogin->text(), QStringLiteral("ktos@pixvale.example"));
    EXPECT_EQ(wizard().eHaslo->text(), QStringLiteral("haslo"));
    EXPECT_TRUE(wizard().cbPamietajHaslo->isChecked());
}

TEST_F(WizardTest, RetrySendsOnlyTheFailedPhotosIntoTheSameAlbum) {
    start(3);
    openWizard();
    // Two photos vanish after they were marked, then come back before the retry.
    QFile::rename(paths[0], paths[0] + ".x");
    QFile::rename(paths[2], paths[2] + ".x");
    logIn();
    QTest::keyClick(wizard().cbAlbumyIstniejace, Qt::Key_Down);
    click(wizard().iKrok2Ok);
    ASSERT_TRUE(uploadFinished());
    const QString missing = QString::fromUtf8("Nie można odnaleźć pliku źródłowego");
    EXPECT_EQ(reportRows(),
              (QList<QStringList>{
                  {"f1.jpg", kNotSent, missing}, {"f2.jpg", kSent, "OK"}, {"f3.jpg", kNotSent, missing}}));
    ASSERT_TRUE(wizard().iKrok4Ponow->isVisibleTo(&wizard()));
    QFile::rename(paths[0] + ".x", paths[0]);
    QFile::rename(paths[2] + ".x", paths[2]);
    handOvers.clear();
    click(wizard().iKrok4Ponow);
    EXPECT_EQ(wizard().step(), 3);
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(wizard().step(), 4);
    EXPECT_EQ(reportRows(), (QList<QStringList>{
                                {"f1.jpg", kSent, "OK"}, {"f2.jpg", kSent, "OK"}, {"f3.jpg", kSent, "OK"}}));
    EXPECT_FALSE(wizard().iKrok4Ponow->isVisibleTo(&wizard()));
    EXPECT_EQ(wizard().laWszystkie->text(), QStringLiteral("Wszystkie: 2 z 2"));
    EXPECT_EQ(wizard().laPlik->text(), QStringLiteral("f3.jpg"));
    const auto forms = uploadFields();
    ASSERT_EQ(forms.size(), 3);
    for (const auto& form : forms)
        EXPECT_EQ(form["idalbumu"], "2");
    EXPECT_EQ(handOvers.count("ShowUploadProgress"), 2);
    EXPECT_TRUE(allOnUiThread);
}

TEST_F(WizardTest, TheUploadCommandRefusesBeforeTheWizardOpens) {
    start(2);
    const QString tiff = folder + "/skan.TIF";
    ASSERT_TRUE(QFile::copy(testsupport::corpusFile("tiff_rgb8_lzw.tiff"), tiff));
    buildWindow(); // the TIFF file is in the catalogue and marked
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QString prompt;
    };
    const Case cases[] = {
        {"modified photo",
         [&] {
             w().document()->setModified(true);
             h.prompts.answers = {ui::Prompts::Answer::No};
         },
         QString::fromUtf8("Pytanie: Obraz został zmieniony. Zapisać zmiany?")},
        {"a TIFF among the marked", [] {},
         QString::fromUtf8(
             "Informacja: Na liście wybranych plików znajdują się pliki TIFF, których nie można "
             "wysłać do serwisu.\n\rZamień pliki na obrazy JPEG i spróbuj ponownie.")},
        {"nothing marked", [&] { w().catalogue().setSelection(3); },
         QString::fromUtf8("Uwaga: Nie wybrano żadnych zdjęć do wysłania.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        h.prompts.records.clear();
        c.arrange();
        openWizard();
        EXPECT_EQ(prompted(), QStringList{c.prompt});
        EXPECT_FALSE(wizard().isVisible());
    }
}
