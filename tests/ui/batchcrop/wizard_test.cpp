// The batch cropping wizard driven through its controls the way a customer does, over copies of corpus
// photos in a temporary folder and with recording seams.
#include "imaging/batchcrop.h"
#include "imaging/imagefile.h"
#include "imaging/printformats.h"
#include "testsupport.h"
#include "ui/batchcrop/photolist.h"
#include "ui/batchcrop/tfokadrownie.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <deque>
#include <memory>

namespace batchtest {

// A wizard over copies of corpus photos in the folder "zdjecia" of a temporary folder, quality 75.
class BatchWizardTest : public ::testing::Test {
protected:
    // `n` copies "p01.jpg" ... of one corpus photo; those of `marked` (1-based) are marked.
    void photos(int n, const char* corpus = "noexif_jfif_baseline.jpg", const QList<int>& marked = {}) {
        marks = marked;
        for (int i = 1; i <= n; ++i)
            copy(corpus, QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    }
    void copy(const char* corpus, const QString& name) {
        const QString path = source + QLatin1Char('/') + name;
        ASSERT_TRUE(QFile::copy(testsupport::corpusFile(QString::fromLatin1(corpus)), path)) << corpus;
        paths << path;
    }
    void open() {
        ui::InitResources();
        QList<ui::WizardEntry> entries;
        for (int i = 0; i < paths.size(); ++i) {
            const QFileInfo info(paths[i]);
            entries.append({info.completeBaseName(), QLatin1Char('.') + info.suffix(), QImage(), paths[i],
                            marks.contains(i + 1)});
        }
        wizard = std::make_unique<ui::TfoKadrownie>(prompts, shell);
        wizard->setSource(entries);
        wizard->setFolder(QDir::toNativeSeparators(source));
        wizard->setQuality(75);
        wizard->onHandOver = [this](const char* name) {
            handOvers << QString::fromLatin1(name);
            allOnUiThread = allOnUiThread && QThread::currentThread() == qApp->thread();
            if (onHandOver)
                onHandOver(name);
        };
        wizard->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
    }
    static void click(QWidget* control) {
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
    }
    void next() { click(wizard->btDalej); }
    void back() { click(wizard->btWstecz); }
    void goTo(int step) {
        while (wizard->step() < step) {
            const int before = wizard->step();
            next();
            ASSERT_GT(wizard->step(), before) << "stuck on step " << before;
        }
    }
    bool runEnded() {
        return QTest::qWaitFor([this] { return wizard->step() == 5 && !wizard->running(); }, 60000);
    }
    QString folder(const QString& name) {
        QDir(dir.path()).mkpath(name);
        return dir.filePath(name);
    }
    // Goes to step 4 and chooses a new, empty folder "wynik" as the target.
    QString toOtherFolder() {
        goTo(4);
        click(wizard->rbFolder2);
        const QString out = folder(QStringLiteral("wynik"));
        wizard->eFolder->setText(out);
        return out;
    }
    // The bytes of every photo, in list order.
    QList<QByteArray> contents() const {
        QList<QByteArray> all;
        for (const QString& path : paths)
            all << testsupport::ReadFile(path);
        return all;
    }
    static QStringList filesIn(const QString& folder) {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

    QTemporaryDir dir;
    QString source = folder(QStringLiteral("zdjecia"));
    QStringList paths;
    QList<int> marks;
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    std::unique_ptr<ui::TfoKadrownie> wizard;
    QStringList handOvers; // every hand-over from the run, by name
    bool allOnUiThread = true;
    std::function<void(const char*)> onHandOver; // runs after the recording
};

namespace {

using Answer = ui::Prompts::Answer;
using imaging::CropAlignment;

QList<CropAlignment> alignments(const QList<ui::WizardEntry>& entries) {
    QList<CropAlignment> all;
    for (const ui::WizardEntry& e : entries)
        all << e.Wyrownanie;
    return all;
}

TEST_F(BatchWizardTest, EachStepShowsItsPanelTitleLineAndButtons) {
    photos(2, "noexif_jfif_baseline.jpg", {1});
    open();
    EXPECT_EQ(wizard->windowTitle(), QStringLiteral("Kreator kadrowania"));
    const struct {
        QWidget* panel;
        const char* title;
        const char* line;
        const char* next;
        bool back;
    } steps[] = {
        {wizard->pKrok1, "Krok 1 z 4", "Wybierz zdjęcia do kadrowania", "&Dalej >", false},
        {wizard->pKrok2, "Krok 2 z 4", "Do jakiego formatu chcesz skadrować zdjęcia?", "&Dalej >", true},
        {wizard->pKrok3, "Krok 3 z 4", "Ustaw opcje kadrowania zdjęć", "&Dalej >", true},
        {wizard->pKrok4, "Krok 4 z 4", "Wybierz folder docelowy i określ jakość kompresji JPEG", "Wykonaj",
         true},
    };
    for (int s = 0; s < 4; ++s) {
        goTo(s + 1);
        for (int other = 0; other < 4; ++other)
            EXPECT_EQ(steps[other].panel->isVisible(), other == s) << s + 1;
        EXPECT_EQ(wizard->laNaglowek->text(), QString::fromUtf8(steps[s].title));
        EXPECT_EQ(wizard->laOpis->text(), QString::fromUtf8(steps[s].line));
        EXPECT_EQ(wizard->btDalej->text(), QString::fromUtf8(steps[s].next));
        EXPECT_EQ(wizard->btWstecz->isEnabled(), steps[s].back) << s + 1;
    }
    back();
    back();
    back();
    back(); // on step 1 nothing happens
    EXPECT_EQ(wizard->step(), 1);
    for (const char* name : {"laNaglowek",      "laOpis",    "btWstecz",         "btDalej",
                             "btAnuluj",        "rbKtore1",  "rbKtore2",         "laPomocFormaty",
                             "sbLista",         "pbLista",   "rbKadorwanieGora", "rbKadorwanieSrodek",
                             "rbKadorwanieDol", "rbFolder1", "rbFolder2",        "eFolder",
                             "btFolder",        "tbQuality", "laKompresja",      "laCount",
                             "pbPostep"})
        EXPECT_NE(wizard->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(BatchWizardTest, FormatsStandInScreenOrderAndTheHelpLinkOpensTheServicePage) {
    photos(1);
    open();
    goTo(2);
    ASSERT_EQ(wizard->rbFormat.size(), imaging::PrintFormatCount);
    for (int i = 0; i < imaging::PrintFormatCount; ++i) // the captions themselves: the format table's test
        EXPECT_EQ(wizard->rbFormat[i]->text(),
                  imaging::PrintFormatByCode(imaging::PrintFormatScreenOrder()[i])->wizardCaption());
    EXPECT_TRUE(wizard->rbFormat[0]->isChecked());
    emit wizard->laPomocFormaty->linkActivated(QStringLiteral("#"));
    ASSERT_EQ(shell.calls.size(), 1);
    EXPECT_TRUE(shell.calls[0].startsWith(QStringLiteral("openUrl http")));
    EXPECT_TRUE(shell.calls[0].endsWith(QStringLiteral("index.php?menu_pwd[117615]=%2F1133710&sbl=157758")));
}

TEST_F(BatchWizardTest, WithoutAMarkedPhotoTheWizardStaysOnStepOne) {
    photos(3);
    open();
    click(wizard->rbKtore2);
    next();
    EXPECT_EQ(wizard->step(), 1);
    ASSERT_EQ(prompts.records.size(), 1);
    EXPECT_EQ(prompts.records[0].kind, ui::Prompts::Kind::Error);
    EXPECT_EQ(prompts.records[0].caption, QStringLiteral("Błąd"));
    EXPECT_EQ(prompts.records[0].text, QStringLiteral("Nie ma żadnych zaznaczonych zdjęć."));
    click(wizard->rbKtore1);
    next();
    EXPECT_EQ(wizard->step(), 2);
}

// The third marked photo is damaged: it is counted, named and left as it was.
TEST_F(BatchWizardTest, ThreeMarkedOfTenAreExactlyTheOnesCroppedAndADamagedOneIsSkipped) {
    photos(10, "noexif_jfif_baseline.jpg", {2, 5, 9});
    ASSERT_TRUE(testsupport::WriteFile(
        paths[8], testsupport::ReadFile(testsupport::corpusFile("damaged_truncated_half_konica_z3.jpg"))));
    const QList<QByteArray> before = contents();
    open();
    click(wizard->rbKtore2);
    goTo(3);
    QStringList names;
    for (const ui::WizardEntry& e : wizard->work())
        names << e.fileName();
    EXPECT_EQ(names, (QStringList{"p02.jpg", "p05.jpg", "p09.jpg"}));
    goTo(4);
    prompts.answers = {Answer::Yes};
    next();
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(wizard->laCount->text(), QStringLiteral("3 z 3"));
    EXPECT_EQ(wizard->laNaglowek->text(), QStringLiteral("Zakończono"));
    EXPECT_EQ(wizard->btDalej->text(), QStringLiteral("Zakończ"));
    imaging::BatchCropOutcome expected;
    expected.written = 2;
    expected.failed = 1;
    EXPECT_EQ(wizard->laPodsumowanie->text(), imaging::BatchCropSummaryText(expected));
    EXPECT_TRUE(wizard->mNieudane->isVisible());
    EXPECT_TRUE(wizard->mNieudane->toPlainText().startsWith(QStringLiteral("p09.jpg: ")));
    const QList<QByteArray> after = contents();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(after[i] != before[i], i == 1 || i == 4) << paths[i].toStdString();
    EXPECT_EQ(handOvers.count(QStringLiteral("progress")), 3);
    EXPECT_EQ(handOvers.last(), QStringLiteral("finished"));
    EXPECT_TRUE(allOnUiThread);
    next();
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
    EXPECT_FALSE(wizard->isVisible());
}

TEST_F(BatchWizardTest, ReturningToStepThreeResetsEveryAlignment) {
    photos(4);
    open();
    goTo(3);
    click(wizard->rbKadorwanieDol);
    goTo(4);
    back();
    EXPECT_EQ(alignments(wizard->work()), QList<CropAlignment>(4, CropAlignment::Centre));
    EXPECT_TRUE(wizard->rbKadorwanieSrodek->isChecked());
    click(wizard->rbKadorwanieGora);
    back();
    next();
    EXPECT_EQ(alignments(wizard->work()), QList<CropAlignment>(4, CropAlignment::Centre));
}

TEST_F(BatchWizardTest, OneGlyphAfterAlignmentForAllLeavesNoButtonForAll) {
    photos(4);
    open();
    goTo(3);
    click(wizard->rbKadorwanieDol);
    QTest::mouseClick(wizard->pbLista, Qt::LeftButton, {}, QPoint(150, 101 + 77)); // "góra" of the second
    EXPECT_EQ(alignments(wizard->work()),
              (QList<CropAlignment>{CropAlignment::Bottom, CropAlignment::Top, CropAlignment::Bottom,
                                    CropAlignment::Bottom}));
    EXPECT_FALSE(wizard->rbKadorwanieGora->isChecked());
    EXPECT_FALSE(wizard->rbKadorwanieSrodek->isChecked());
    EXPECT_FALSE(wizard->rbKadorwanieDol->isChecked());
    click(wizard->rbKadorwanieGora);
    EXPECT_EQ(alignments(wizard->work()), QList<CropAlignment>(4, CropAlignment::Top));
}

// On re-entering step four the slider is back at the quality handed in; the target choice stays.
TEST_F(BatchWizardTest, TheSliderReturnsToTheQualityHandedInAndTheTargetEnablesTheFolder) {
    photos(1);
    open();
    goTo(4);
    EXPECT_EQ(wizard->tbQuality->value(), 75);
    EXPECT_EQ(wizard->laKompresja->text(), QStringLiteral("Określ jakość kompresji JPEG: 75%"));
    wizard->tbQuality->setValue(40);
    EXPECT_EQ(wizard->laKompresja->text(), QStringLiteral("Określ jakość kompresji JPEG: 40%"));
    EXPECT_EQ(wizard->runOptions().quality, 40);
    EXPECT_TRUE(wizard->rbFolder1->isChecked());
    EXPECT_FALSE(wizard->eFolder->isEnabled());
    EXPECT_FALSE(wizard->btFolder->isEnabled());
    click(wizard->rbFolder2);
    EXPECT_TRUE(wizard->eFolder->isEnabled());
    EXPECT_TRUE(wizard->eFolder->isReadOnly());
    shell.folderAnswer = QStringLiteral("/tmp/inny");
    click(wizard->btFolder);
    shell.folderAnswer.clear();
    click(wizard->btFolder); // cancelled: the folder stays
    EXPECT_EQ(wizard->eFolder->text(), QStringLiteral("/tmp/inny"));
    const QString call =
        QStringLiteral("chooseFolder Wskarz folder, w którym chcesz umieścić skadrowane zdjęcia.|");
    EXPECT_EQ(shell.calls, (QStringList{call + QDir::toNativeSeparators(source), call + "/tmp/inny"}));
    back();
    next();
    EXPECT_EQ(wizard->tbQuality->value(), 75);
    EXPECT_TRUE(wizard->rbFolder2->isChecked());
    click(wizard->rbFolder1);
    EXPECT_FALSE(wizard->btFolder->isEnabled());
}

TEST_F(BatchWizardTest, NoToTheReplaceQuestionStaysOnStepFour) {
    photos(2);
    const QList<QByteArray> before = contents();
    open();
    goTo(4);
    prompts.answers = {Answer::No};
    next();
    EXPECT_EQ(wizard->step(), 4);
    ASSERT_EQ(prompts.records.size(), 1);
    EXPECT_EQ(prompts.records[0].kind, ui::Prompts::Kind::YesNo);
    EXPECT_EQ(prompts.records[0].caption, QStringLiteral("Pytanie"));
    EXPECT_EQ(
        prompts.records[0].text,
        QStringLiteral("Czy zastąpić pliki w bierzącym folderze?\n\rOperacji tej nie będzie można cofnąć."));
    EXPECT_EQ(contents(), before);
}

TEST_F(BatchWizardTest, FormatKeptWhenGoingBackAndUsedByTheRun) {
    photos(2, "canon_s40_II_thumb.jpg");
    open();
    goTo(2);
    click(wizard->findChild<QRadioButton*>(QStringLiteral("rbFormat5"))); // 20x30
    next();
    back();
    EXPECT_TRUE(wizard->findChild<QRadioButton*>(QStringLiteral("rbFormat5"))->isChecked());
    EXPECT_EQ(wizard->formatCode(), 5);
    const QString out = toOtherFolder();
    next();
    ASSERT_TRUE(runEnded());
    EXPECT_TRUE(prompts.records.isEmpty());
    ASSERT_EQ(filesIn(out), (QStringList{"p01.jpg", "p02.jpg"}));
    // 480 × 360 to 20x30: (480 div 305) × 203 rows.
    EXPECT_EQ(imaging::LoadPhoto(out + QStringLiteral("/p01.jpg")).bitmap.size(), QSize(480, 203));
}

// Written over the photos' own folder every photo asks; No to every question writes nothing, Cancel at
// the fourth leaves the fourth and the rest unwritten.
TEST_F(BatchWizardTest, FileExistsQuestionsNoToEveryOneOrCancelAtTheFourth) {
    photos(10);
    const QList<QByteArray> before = contents();
    const struct {
        std::deque<Answer> answers; // No once they run out
        int asked;
        int rewritten; // the first so many photos
        const char* count;
    } cases[] = {{{}, 10, 0, "10 z 10"},
                 {{Answer::Yes, Answer::Yes, Answer::Yes, Answer::Cancel}, 4, 3, "4 z 10"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        open();
        goTo(4);
        click(wizard->rbFolder2);
        prompts.records.clear();
        prompts.answers = c.answers;
        prompts.fallback = Answer::No;
        handOvers.clear();
        next();
        ASSERT_TRUE(runEnded());
        ASSERT_EQ(prompts.records.size(), c.asked);
        for (int i = 0; i < c.asked; ++i) {
            EXPECT_EQ(prompts.records[i].kind, ui::Prompts::Kind::YesNoCancel);
            EXPECT_EQ(prompts.records[i].text, QStringLiteral("Plik: ") + QDir::toNativeSeparators(paths[i]) +
                                                   QStringLiteral(" istnieje.\n\rCzy zastąpić?"));
        }
        const QList<QByteArray> after = contents();
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(after[i] != before[i], i < c.rewritten) << paths[i].toStdString();
        EXPECT_EQ(filesIn(source).size(), 10);
        EXPECT_EQ(wizard->laCount->text(), QString::fromLatin1(c.count));
        EXPECT_EQ(wizard->pbPostep->maximum(), 10);
        EXPECT_EQ(wizard->pbPostep->value(), 10);
        EXPECT_EQ(handOvers.count(QStringLiteral("question")), c.asked);
        EXPECT_TRUE(allOnUiThread);
        for (int i = 0; i < c.rewritten; ++i) // the next case starts from the same photos
            ASSERT_TRUE(testsupport::WriteFile(paths[i], before[i]));
        wizard.reset();
    }
}

// Cancel and closing the window both end a run at its first progress: at most the photos already on
// their way are written, nothing arrives late, the hourglass is gone.
TEST_F(BatchWizardTest, CancelOrClosingDuringTheRunStopsIt) {
    photos(10, "canon_s40_II_thumb.jpg");
    for (const bool closing : {false, true}) {
        SCOPED_TRACE(closing ? "closing" : "Cancel");
        QDir(dir.filePath(QStringLiteral("wynik"))).removeRecursively();
        open();
        const QString out = toOtherFolder();
        bool interrupted = false;
        QPointer<imaging::BatchCropRun> run;
        bool runLeftAlone = false; // alive, yet no longer the window's, when the close has returned
        onHandOver = [&](const char* name) {
            if (QByteArray(name) != "progress" || interrupted)
                return;
            interrupted = true;
            run = wizard->findChild<imaging::BatchCropRun*>();
            if (closing) {
                wizard->close();
                runLeftAlone = run && run->parent() == nullptr;
            } else {
                click(wizard->btAnuluj);
            }
        };
        next();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !wizard->running() && wizard->isVisible() != closing; }, 60000));
        EXPECT_TRUE(interrupted);
        if (closing) {
            EXPECT_EQ(wizard->result(), QDialog::Rejected);
            // The window did not wait for the photos in flight; the run went on its own and is gone.
            EXPECT_TRUE(runLeftAlone);
            EXPECT_TRUE(QTest::qWaitFor([&] { return run.isNull(); }, 10000));
        } else {
            EXPECT_EQ(wizard->step(), 5);
            EXPECT_TRUE(wizard->btDalej->isEnabled());
            EXPECT_FALSE(wizard->laPodsumowanie->text().isEmpty());
        }
        const QStringList written = filesIn(out);
        EXPECT_LE(written.size(), 2);
        QTest::qWait(200); // nothing arrives late
        EXPECT_EQ(filesIn(out), written);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(allOnUiThread);
        onHandOver = nullptr;
        wizard.reset();
    }
}

} // namespace
} // namespace batchtest
