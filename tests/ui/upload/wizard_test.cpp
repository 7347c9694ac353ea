// The upload wizard end to end against the development service, driven through its controls: its steps,
// the service falling silent, the customer leaving in the middle of an exchange.
#include "wizardharness.h"

using namespace uitest;

namespace {

const QString kSent = QStringLiteral("Wysłano");
const QString kNotSent = QStringLiteral("Niewysłano");

} // namespace

// An account without albums: a wrong password first, then a new album by name; the login is remembered
// as the check box says, and the next run starts at the albums.
TEST_F(WizardTest, FirstRunToANewAlbumAndTheSecondStartsAtTheAlbums) {
    start(1, {}, "account nowy@pixvale.example haslo\n");
    openWizard();
    type(wizard().eLogin, "nowy@pixvale.example");
    type(wizard().eHaslo, "zle");
    click(wizard().iKrok1Ok);
    click(wizard().iKrok1Ok); // busy: does nothing
    ASSERT_TRUE(testsupport::waitUntil([this] { return !h.prompts.records.isEmpty(); }, 20000));
    EXPECT_EQ(prompted(), QStringList{QString::fromUtf8(
                              "Błąd: Błąd podczas logowania. \n\rNiepoprawny login lub hasło.")});
    EXPECT_EQ(wizard().step(), 1);
    EXPECT_EQ(service->bodiesOf("ifloguj.php").size(), 1);
    wizard().cbPamietajHaslo->setChecked(true);
    logIn("nowy@pixvale.example", "haslo");
    h.prompts.records.clear();
    click(wizard().iKrok2Ok); // no name yet
    EXPECT_EQ(prompted(), QStringList{QString::fromUtf8("Nazwa: Wprowadź nazwe albumu.")});
    type(wizard().eNowyAlbum, "Urodziny");
    click(wizard().iKrok2Ok);
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(uploadField("idalbumu"), QList<QByteArray>{"0"});
    EXPECT_EQ(uploadField("nazwaalbumu"), QList<QByteArray>{"Urodziny"});
    EXPECT_EQ(reportColumn(1), QStringList{kSent});
    click(wizard().iKrok4_2);
    EXPECT_EQ(h.shell.calls, QStringList{"openUrl " + service->baseAddress() + "ifincoming.php?sessid=" +
                                         wizard().session().sessionId + "&aid=Urodziny"});
    EXPECT_FALSE(wizard().isVisible());
    EXPECT_EQ(w().settings().email, QStringLiteral("nowy@pixvale.example"));

    wizard().eLogin->clear();
    openWizard();
    EXPECT_EQ(wizard().step(), 2);
    EXPECT_EQ(wizard().eLogin->text(), QStringLiteral("nowy@pixvale.example"));
    wizard().cbPamietajHaslo->setChecked(false);
    click(wizard().iKrok2);
    EXPECT_EQ(w().settings().email + w().settings().password, QString());
    EXPECT_TRUE(handOverThreads.allOnUi());
}

TEST_F(WizardTest, RetrySendsOnlyTheFailedPhotosIntoTheSameAlbum) {
    start(3);
    openWizard();
    // Two photos vanish after they were marked, then come back before the retry.
    for (const char* name : {"/f1.jpg", "/f3.jpg"})
        QFile::rename(folder + name, folder + name + ".x");
    logIn();
    // Typing a name chooses a new album, picking from the list an existing one again.
    QTest::keyClicks(wizard().eNowyAlbum, "Porzucony");
    QTest::keyClick(wizard().cbAlbumyIstniejace, Qt::Key_Down);
    QTest::keyClick(&wizard(), Qt::Key_Return); // Enter in step 2 is the next button
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(reportColumn(1), (QStringList{kNotSent, kSent, kNotSent}));
    for (const char* name : {"/f1.jpg", "/f3.jpg"})
        QFile::rename(folder + name + ".x", folder + name);
    handOvers.clear();
    click(wizard().iKrok4Ponow);
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(reportColumn(1), QStringList(3, kSent));
    EXPECT_EQ(wizard().laWszystkie->text(), QStringLiteral("Wszystkie: 2 z 2"));
    EXPECT_EQ(uploadField("idalbumu"), (QList<QByteArray>{"2", "2", "2"}));
    EXPECT_TRUE(handOverThreads.allOnUi());
}

TEST_F(WizardTest, TheUploadCommandRefusesNothingMarkedAndTiffFiles) {
    start(1);
    w().catalogue().setSelection(3); // none marked
    openWizard();
    ASSERT_TRUE(QFile::copy(testsupport::corpusFile("tiff_rgb8_lzw.tiff"), folder + "/skan.TIF"));
    buildWindow(); // the TIFF file is in the catalogue, all marked
    openWizard();
    EXPECT_EQ(prompted(),
              (QStringList{QString::fromUtf8("Uwaga: Nie wybrano żadnych zdjęć do wysłania."),
                           QString::fromUtf8("Informacja: Na liście wybranych plików znajdują się "
                                             "pliki TIFF, których nie można wysłać do serwisu.\n\r"
                                             "Zamień pliki na obrazy JPEG i spróbuj ponownie.")}));
    EXPECT_FALSE(wizard().isVisible());
}

// Leaving a running upload asks first; a stop after the photo left leaves it of unknown outcome, and it
// goes again only on the customer's word.
TEST_F(WizardTest, AStopAfterThePhotoLeftLeavesItUnknownAndItGoesAgainOnlyOnTheCustomersWord) {
    start(2, {"--silent-on", "ifupload.sphp"}, {}, 30000);
    openWizard();
    logIn();
    click(wizard().iKrok2Ok);
    // Photo 1 has wholly left; the service keeps silent.
    ASSERT_TRUE(testsupport::waitUntil(
        [this] {
            const QProgressBar* bar = wizard().pbCurrent;
            return wizard().laPlik->text() == "f1.jpg" && bar->maximum() > 1000 &&
                   bar->value() == bar->maximum();
        },
        20000));
    // Neither the close box nor Escape leaves it when the answer is no: both ask first.
    h.prompts.answers = {Answer::No, Answer::No, Answer::Yes};
    EXPECT_FALSE(wizard().close());
    QTest::keyClick(&wizard(), Qt::Key_Escape);
    EXPECT_TRUE(wizard().isVisible());
    click(wizard().iKrok3Przerwij);
    EXPECT_EQ(prompted(), QStringList(3, "Pytanie: Czy na pewno przerwać wysyłanie zdjęć do serwisu?"));
    EXPECT_EQ(wizard().step(), 4); // at once, before the worker has ended
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(reportColumn(1), (QStringList{"Nieznany", kNotSent}));
    // The question names the photo of unknown outcome, and only that one; Cancel stays.
    h.prompts.records.clear();
    h.prompts.answers = {Answer::Cancel, Answer::No, Answer::Yes};
    click(wizard().iKrok4Ponow);
    EXPECT_EQ(prompted(), QStringList{QString::fromUtf8(
                              "Pytanie: Nie wiadomo, czy serwis przyjął te zdjęcia:\n\rf1.jpg\n\rWysłane "
                              "ponownie mogą się znaleźć w albumie dwa razy. Czy wysłać je ponownie?")});
    EXPECT_EQ(wizard().step(), 4);
    // No: only the photo that surely failed goes again.
    handOvers.clear();
    click(wizard().iKrok4Ponow);
    ASSERT_TRUE(testsupport::waitUntil([this] { return handOvers.contains("ShowUploadProgress"); }, 10000));
    EXPECT_EQ(wizard().laWszystkie->text(), QStringLiteral("Wszystkie: 1 z 1"));
    click(wizard().iKrok3Przerwij);
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(reportColumn(1).value(0), QStringLiteral("Nieznany"));
    // Enter on the report opens the session's page and closes the wizard.
    QTest::keyClick(&wizard(), Qt::Key_Return);
    EXPECT_EQ(h.shell.calls, QStringList{"openUrl " + service->baseAddress() +
                                         "ifincoming.php?sessid=" + wizard().session().sessionId});
    EXPECT_FALSE(wizard().isVisible());
    EXPECT_TRUE(handOverThreads.allOnUi());
}

// Leaving the wizard while it waits for the service (each exchange × each way of leaving), and closing the
// main window while a version check waits: the cursor is the customer's at once, and the exchange's end
// (here the service dying) shows nothing and hands nothing over, however late it comes.
TEST_F(WizardTest, LeavingWhileItWaitsRestoresTheCursorAndNothingLateArrives) {
    const struct {
        const char* silentScript;
        int step;
        std::function<void()> leave;
    } cases[] = {
        {"ifloguj.php", 1, [&] { click(wizard().iKrok1Anuluj); }},
        {"ifloguj.php", 1, [&] { EXPECT_TRUE(wizard().close()); }},
        {"ifalbum.php", 2, [&] { click(wizard().iKrok2); }},
        {"ifupload.sphp", 3,
         [&] {
             h.prompts.answers = {Answer::Yes};
             click(wizard().iKrok3Przerwij);
             click(wizard().iKrok4); // before the stopped worker has reported
             h.prompts.records.clear();
         }},
        {"ifver.php", 0, [&] { closeWindow(); }}, // the version check's receiver goes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.silentScript);
        h.prompts.records.clear();
        start(1, {"--silent-on", c.silentScript});
        if (c.step == 0) {
            command("aNarzedziaSprawdzWersje");
        } else {
            openWizard();
            type(wizard().eLogin, "demo@pixvale.example");
            type(wizard().eHaslo, "demo");
            click(wizard().iKrok1Ok);
        }
        if (c.step == 3 && albumsShown())
            click(wizard().iKrok2Ok);
        ASSERT_TRUE(testsupport::waitUntil(
            [&] {
                return service->bodiesOf(c.silentScript).size() == 1 &&
                       (!c.step || wizard().step() == c.step);
            },
            10000));
        EXPECT_EQ(QApplication::overrideCursor() != nullptr, c.step < 3);
        handOvers.clear();
        c.leave();
        EXPECT_FALSE(wizard_ && wizard().isVisible());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        service->Stop();
        ASSERT_TRUE(serviceWorkersEnded());
        EXPECT_EQ(prompted(), QStringList{});
        EXPECT_EQ(handOvers, QStringList{});
    }
}
