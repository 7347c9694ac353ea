// The batch cropping wizard driven through its controls the way a customer does, over photos in a
// temporary folder and with recording seams: its steps, the run, and the automatic alignment choice.
#include "document/photodocument.h"
#include "imaging/imagefile.h"
#include "imaging/subjectscan.h"
#include "ui/batchcrop/autoalignment.h"
#include "ui/batchcrop/photolist.h"
#include "ui/batchcrop/tfokadrownie.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/uitestsupport.h"

namespace {

using Answer = ui::Prompts::Answer;
using imaging::CropAlignment;
using enum imaging::CropAlignment;

class BatchWizardTest : public ::testing::Test {
protected:
    // `n` copies "p1.jpg" ... of one corpus photo.
    void photos(int n, const char* corpus = "noexif_jfif_baseline.jpg") {
        for (int i = 1; i <= n; ++i)
            add(QStringLiteral("p%1").arg(i), testsupport::ReadFile(testsupport::corpusFile(corpus)), false);
    }
    // A photo entry "name.jpg" in the folder "zdjecia", written when `content` is not empty.
    void add(const QString& name, const QByteArray& content, bool marked) {
        paths << dir.path(QStringLiteral("zdjecia/") + name + QStringLiteral(".jpg"));
        ASSERT_TRUE(content.isEmpty() || testsupport::WriteFile(paths.last(), content));
        entries.append({name, QStringLiteral(".jpg"), QImage(), paths.last(), marked});
    }
    void open() {
        ui::InitResources();
        wizard = std::make_unique<ui::TfoKadrownie>(prompts, shell);
        wizard->setSource(entries);
        wizard->setFolder(QDir::toNativeSeparators(dir.path(QStringLiteral("zdjecia"))));
        wizard->setQuality(75);
        wizard->onHandOver = [this](const char* name) {
            handOvers << QString::fromLatin1(name);
            threads.note();
            if (onHandOver)
                onHandOver(name);
        };
        wizard->autoAlignment->onFinding = [this](int row, const QString& path) {
            ++findings;
            threads.note();
            rightPhoto = rightPhoto && wizard->work().at(row).Sciezka == path; // the row of its photo
        };
        wizard->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
    }
    static void click(QWidget* control) {
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
    }
    // A press on the glyph of `alignment` (1 top, 2 centre, 3 bottom) in `row` of the list.
    void pressGlyph(int row, int alignment) {
        QTest::mouseClick(wizard->pbLista, Qt::LeftButton, {},
                          QPoint(80 + 70 * alignment, row * ui::kPhotoRowHeight + 60));
    }
    void next() { click(wizard->btDalej); }
    void back() { click(wizard->btWstecz); }
    void goTo(int step) {
        for (int at = wizard->step(); at < step; ++at)
            next();
    }
    bool runEnded() {
        return testsupport::waitUntil([this] { return wizard->step() == 5 && !wizard->running(); }, 60000);
    }
    // Goes to step 4 and chooses a new, empty folder "wynik" as the target.
    QString toOtherFolder() {
        goTo(4);
        click(wizard->rbFolder2);
        const QString folder = dir.path(QStringLiteral("wynik"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        wizard->eFolder->setText(folder);
        return folder;
    }
    QList<QByteArray> contents() const {
        QList<QByteArray> all;
        for (const QString& path : paths)
            all << testsupport::ReadFile(path);
        return all;
    }
    QList<CropAlignment> rows() const {
        QList<CropAlignment> all;
        for (const ui::WizardEntry& e : wizard->work())
            all << e.Wyrownanie;
        return all;
    }

    testsupport::TempFolder dir;
    bool made = QDir().mkpath(dir.path(QStringLiteral("zdjecia")));
    QStringList paths;
    QList<ui::WizardEntry> entries;
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    std::unique_ptr<ui::TfoKadrownie> wizard;
    QStringList handOvers;                       // every hand-over from the run, by name
    testsupport::ThreadRecorder threads;         // of the run's hand-overs and the findings
    std::function<void(const char*)> onHandOver; // runs after the recording
    int findings = 0;
    bool rightPhoto = true;
};

// Without a marked photo "marked ones" stays on step one; with three (the third damaged) exactly those
// are cropped in place, after the question, and the damaged one is named.
TEST_F(BatchWizardTest, TheMarkedPhotosAreExactlyTheOnesCroppedInPlace) {
    photos(5);
    open();
    click(wizard->rbKtore2);
    next();
    EXPECT_EQ(wizard->step(), 1);
    EXPECT_EQ(prompts.records.value(0).text, QStringLiteral("Nie ma żadnych zaznaczonych zdjęć."));

    for (const int marked : {1, 3, 4})
        entries[marked].Zaznaczony = true;
    ASSERT_TRUE(testsupport::WriteFile(
        paths[4], testsupport::ReadFile(testsupport::corpusFile("damaged_truncated_half_konica_z3.jpg"))));
    const QList<QByteArray> before = contents();
    prompts.records.clear();
    open();
    click(wizard->rbKtore2);
    goTo(4);
    prompts.answers = {Answer::No, Answer::Yes};
    next();
    EXPECT_EQ(wizard->step(), 4);
    EXPECT_EQ(contents(), before);
    next();
    ASSERT_TRUE(runEnded());
    EXPECT_EQ(prompts.records.value(0).text,
              QStringLiteral("Czy zastąpić pliki w bierzącym folderze?\n\rOperacji "
                             "tej nie będzie można cofnąć."));
    EXPECT_EQ(wizard->laCount->text(), QStringLiteral("3 z 3"));
    EXPECT_EQ(wizard->laPodsumowanie->text(), imaging::BatchCropSummaryText({2, 0, 1, false, false, {}}));
    EXPECT_TRUE(wizard->mNieudane->toPlainText().startsWith(QStringLiteral("p5.jpg: ")));
    const QList<QByteArray> after = contents();
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(after[i] != before[i], i == 1 || i == 3) << i;
    EXPECT_EQ(handOvers, (QStringList{"progress", "progress", "progress", "finished"}));
    EXPECT_TRUE(threads.allOnUi());
    next();
    EXPECT_EQ(wizard->result(), QDialog::Accepted);
}

// Into a folder that holds the first three names already, each of those asks: No, Yes, then Cancel ends
// the run before the fourth.
TEST_F(BatchWizardTest, FormatQualityFolderAndTheAnswersReachTheRun) {
    photos(4, "canon_s40_II_thumb.jpg");
    open();
    goTo(2);
    emit wizard->laPomocFormaty->linkActivated(QStringLiteral("#"));
    EXPECT_EQ(shell.calls, QStringList{"openUrl " + ui::PrintFormatsHelpPage()});
    click(wizard->findChild<QRadioButton*>(QStringLiteral("rbFormat5"))); // 20x30
    next();
    back();
    EXPECT_EQ(wizard->formatCode(), 5);
    goTo(4);
    wizard->tbQuality->setValue(40);
    EXPECT_EQ(wizard->laKompresja->text(), QStringLiteral("Określ jakość kompresji JPEG: 40%"));
    click(wizard->rbFolder2);
    shell.folderAnswer = QStringLiteral("/tmp/inny");
    click(wizard->btFolder);
    EXPECT_EQ(shell.calls.last(),
              QStringLiteral("chooseFolder Wskarz folder, w którym chcesz umieścić skadrowane "
                             "zdjęcia.|") +
                  QDir::toNativeSeparators(dir.path("zdjecia")));
    EXPECT_EQ(wizard->eFolder->text(), QStringLiteral("/tmp/inny"));
    // Back at step four the slider is at the quality handed in again; the target stays.
    back();
    const QString out = toOtherFolder();
    EXPECT_EQ(wizard->runOptions().quality, 75);
    for (const char* name : {"/p1.jpg", "/p2.jpg", "/p3.jpg"})
        ASSERT_TRUE(testsupport::WriteFile(out + name, "stary"));
    prompts.answers = {Answer::No, Answer::Yes, Answer::Cancel};
    next();
    ASSERT_TRUE(runEnded());
    ASSERT_EQ(prompts.records.size(), 3);
    EXPECT_EQ(prompts.records[0].kind, ui::Prompts::Kind::YesNoCancel);
    EXPECT_EQ(prompts.records[0].text, QStringLiteral("Plik: ") + QDir::toNativeSeparators(out + "/p1.jpg") +
                                           QStringLiteral(" istnieje.\n\rCzy zastąpić?"));
    EXPECT_EQ(handOvers.count(QStringLiteral("question")), 3);
    EXPECT_EQ(wizard->laCount->text(), QStringLiteral("3 z 4"));
    EXPECT_EQ(testsupport::ReadFile(out + "/p1.jpg") + testsupport::ReadFile(out + "/p3.jpg"), "starystary");
    EXPECT_FALSE(QFile::exists(out + "/p4.jpg"));
    // 480 × 360 to 20x30: (480 div 305) × 203 rows.
    EXPECT_EQ(imaging::LoadPhoto(out + "/p2.jpg").bitmap.size(), QSize(480, 203));
    EXPECT_TRUE(threads.allOnUi());
}

// Closing the window ends a run at its first progress: the window does not wait for the photos in
// flight, at most those are written, nothing arrives late, the hourglass is gone.
TEST_F(BatchWizardTest, ClosingDuringTheRunStopsIt) {
    photos(10, "canon_s40_II_thumb.jpg");
    open();
    const QString out = toOtherFolder();
    QPointer<imaging::BatchCropRun> run;
    bool runLeftAlone = false; // alive, yet no longer the window's, when the close has returned
    onHandOver = [&](const char* name) {
        if (QByteArray(name) == "progress" && !run) {
            run = wizard->findChild<imaging::BatchCropRun*>();
            wizard->close();
            runLeftAlone = run && run->parent() == nullptr;
        }
    };
    next();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !wizard->running() && !wizard->isVisible(); }, 60000));
    EXPECT_EQ(wizard->result(), QDialog::Rejected);
    EXPECT_TRUE(runLeftAlone);
    ASSERT_TRUE(testsupport::waitUntil([&] { return run.isNull(); })); // nothing of it can come late
    EXPECT_EQ(handOvers, QStringList{"progress"});
    EXPECT_LE(QDir(out).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(threads.allOnUi());
}

// The automatic choice sets each row from its photo's detection; a press on a glyph overrides one row
// and leaves no "for all" choice checked; entering step 3 puts every row back in the middle.
TEST_F(BatchWizardTest, AutomaticallyEachRowTakesTheBandOfItsFacesAndCanStillBeOverridden) {
    const QImage face = imaging::LoadPhoto(testsupport::corpusFile(QStringLiteral("grey_noexif.jpg")))
                            .bitmap.scaled(256, 256, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (const int where : {0, 2, -1}) { // at the top, at the bottom, nobody
        QImage canvas(480, 640, QImage::Format_ARGB32);
        canvas.fill(qRgb(190, 190, 190));
        if (where >= 0)
            QPainter(&canvas).drawImage(112, where * (640 - 256) / 2, face);
        add(QStringLiteral("p%1").arg(where + 1), {}, false);
        ASSERT_TRUE(imaging::SaveJpeg(canvas, paths.last(), 90).ok());
    }
    open();
    QRadioButton* automatic = wizard->autoAlignment->button();
    goTo(3);
    click(automatic);
    QTRY_COMPARE(findings, 3);
    EXPECT_EQ(rows(), (QList<CropAlignment>{Top, Bottom, Centre}));
    EXPECT_TRUE(threads.allOnUi());
    EXPECT_TRUE(rightPhoto);
    pressGlyph(1, 1);
    EXPECT_EQ(rows(), (QList<CropAlignment>{Top, Top, Centre}));
    for (QRadioButton* rb : wizard->pKrok3->findChildren<QRadioButton*>())
        EXPECT_FALSE(rb->isChecked()) << rb->objectName().toStdString();
    goTo(4);
    QList<CropAlignment> run;
    for (const imaging::BatchCropItem& item : ui::RunItems(wizard->work()))
        run << item.alignment;
    EXPECT_EQ(run, (QList<CropAlignment>{Top, Top, Centre}));
    back();
    EXPECT_EQ(rows(), QList<CropAlignment>(3, Centre));
    EXPECT_TRUE(wizard->rbKadorwanieSrodek->isChecked());
    click(automatic); // the findings are kept, not looked for again
    EXPECT_EQ(rows(), (QList<CropAlignment>{Top, Bottom, Centre}));
    click(wizard->rbKadorwanieDol);
    EXPECT_EQ(rows(), QList<CropAlignment>(3, Bottom));
    ASSERT_TRUE(testsupport::deliverQueued(wizard.get()));
    EXPECT_EQ(findings, 3);
}

// Findings come late: a row set by hand meanwhile keeps its alignment, the step cannot be left forward
// while the choice waits, no more photos are looked at at once than the pool has threads, and findings of
// an earlier list never land on the rows of a later one.
TEST_F(BatchWizardTest, AutomaticallyWithFindingsThatComeLate) {
    for (int i = 0; i < 7; ++i)
        add(QStringLiteral("p%1").arg(i), {}, i == 6);
    QSemaphore release, releaseLast; // the last photo waits for the second
    std::atomic<int> inFlight{0}, mostInFlight{0};
    const auto finder = [&](const QString& path) { // a face at the top of every photo, once let go
        const int now = ++inFlight;
        for (int seen = mostInFlight; now > seen && !mostInFlight.compare_exchange_weak(seen, now);) {
        }
        (path == paths.last() ? releaseLast : release).acquire();
        --inFlight;
        return imaging::PhotoSubjects{QSize(480, 640), {QRect(100, 10, 100, 100)}, {}, QSize(480, 640)};
    };
    open();
    wizard->autoAlignment->setFinder(finder);
    QObject::connect(wizard->findChild<imaging::SubjectScan*>(), &imaging::SubjectScan::found,
                     [&] { threads.note(); });
    goTo(3);
    click(wizard->autoAlignment->button());
    EXPECT_EQ(wizard->findChild<QLabel*>("laWyszukiwanie")->text(), ui::SearchProgressText(0, 7));
    pressGlyph(4, 3);
    release.release(6);
    QTRY_COMPARE(findings, 6);
    EXPECT_EQ(rows(), (QList<CropAlignment>{Top, Top, Top, Top, Bottom, Top, Centre}));
    EXPECT_FALSE(wizard->btDalej->isEnabled());
    EXPECT_LE(mostInFlight.load(), std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
    EXPECT_TRUE(threads.allOnUi());

    // Only the marked photo: a new list of one row, the old finding of its photo still to come.
    back();
    click(wizard->rbKtore2);
    goTo(3);
    ASSERT_EQ(wizard->work().size(), 1);
    EXPECT_TRUE(wizard->btDalej->isEnabled());
    releaseLast.release(2);
    QTRY_COMPARE(findings, 7);
    QThreadPool::globalInstance()->waitForDone();
    ASSERT_TRUE(testsupport::deliverQueued(wizard.get()));
    EXPECT_EQ(findings, 7);
    EXPECT_TRUE(rightPhoto);
    click(wizard->autoAlignment->button());
    EXPECT_EQ(rows(), QList<CropAlignment>{Top});
}

using uitest::WindowTest;

// The command opens the wizard over copies of the catalogue's entries, its folder and JPEG quality; what
// the wizard does to its list leaves the catalogue alone.
TEST_F(WindowTest, TheBatchCropCommandOpensTheWizardOverCopiesOfTheCatalogue) {
    const QString folder = h.photoFolder(QStringLiteral("zdjecia"));
    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(uitest::writePhoto(folder + QLatin1Char('/') + QLatin1String(name) + ".jpg", {600, 400},
                                       Qt::blue));
    h.build();
    h.show(QSize(900, 600));
    QAction* command = act("aEdycjaKreatorKadrowania");
    ASSERT_TRUE(QTest::qWaitFor([&] { return command->isEnabled(); }, 20000));
    w().catalogue().toggleMark(1);
    w().document()->setJpegQuality(63);
    const std::vector<core::ListaPlikow> before = w().catalogue().entries();
    int shown = 0;
    w().runDialog = [&](QDialog& d) {
        auto& wizard = dynamic_cast<ui::TfoKadrownie&>(d);
        ++shown;
        EXPECT_EQ(wizard.eFolder->text(), w().folder());
        EXPECT_EQ(wizard.quality(), 63);
        EXPECT_EQ(wizard.source().size(), 3);
        for (int i = 0; i < wizard.source().size() && i < 3; ++i) {
            EXPECT_EQ(wizard.source()[i].fileName(), before[i].Nazwa + before[i].Rozszerzenie);
            EXPECT_EQ(wizard.source()[i].Sciezka, before[i].Sciezka);
            EXPECT_EQ(wizard.source()[i].Zaznaczony, i == 1);
        }
        wizard.btDalejClick();
        wizard.btDalejClick();
        return 1;
    };
    command->trigger();
    settle();
    EXPECT_EQ(shown, 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w().catalogue().at(i).Zaznaczony, before[i].Zaznaczony);
    EXPECT_EQ(w().document()->jpegQuality(), 63);
}

} // namespace
