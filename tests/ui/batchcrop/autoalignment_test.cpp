// The wizard's fourth "for all" choice, "automatycznie": rows set from each photo's detection as the
// findings arrive on the user-interface thread, the override of a row, the reset on entering step 3, and
// findings of an earlier list that must not land on the rows of a later one.
#include "imaging/imagefile.h"
#include "testsupport.h"
#include "ui/batchcrop/autoalignment.h"
#include "ui/batchcrop/photolist.h"
#include "ui/batchcrop/tfokadrownie.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace {

using imaging::CropAlignment;
constexpr auto Top = CropAlignment::Top;
constexpr auto Centre = CropAlignment::Centre;
constexpr auto Bottom = CropAlignment::Bottom;

class AutoAlignmentTest : public ::testing::Test {
protected:
    // A 480 × 640 photo "name.jpg" with the corpus portrait at `where` (0 top, 1 middle, 2 bottom), or
    // without any (-1).
    void photo(const QString& name, int where) {
        QImage canvas(480, 640, QImage::Format_ARGB32);
        canvas.fill(qRgb(190, 190, 190));
        if (where >= 0) {
            const QImage face = imaging::LoadPhoto(testsupport::corpusFile(QStringLiteral("grey_noexif.jpg")))
                                    .bitmap.scaled(256, 256, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            QPainter(&canvas).drawImage(112, where * (640 - 256) / 2, face);
        }
        const QString path = dir.filePath(name + QStringLiteral(".jpg"));
        ASSERT_TRUE(imaging::SaveJpeg(canvas, path, 90).ok());
        entries.append({name, QStringLiteral(".jpg"), QImage(), path, false});
    }
    void open() {
        ui::InitResources();
        wizard = std::make_unique<ui::TfoKadrownie>(prompts, shell);
        wizard->setSource(entries);
        wizard->setFolder(dir.path());
        automatic = wizard->findChild<QRadioButton*>(QStringLiteral("rbKadorwanieAutomatycznie"));
        ASSERT_NE(automatic, nullptr);
        wizard->autoAlignment->onFinding = [this](int row, const QString& path) {
            ++findings;
            onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
            // Each finding lands on the row of the photo it was looked for.
            rightPhoto = rightPhoto && wizard->work().at(row).Sciezka == path;
        };
        wizard->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wizard.get()));
    }
    void goTo(int step) {
        while (wizard->step() < step)
            wizard->btDalejClick();
    }
    QList<CropAlignment> rows() const {
        QList<CropAlignment> all;
        for (const ui::WizardEntry& e : wizard->work())
            all << e.Wyrownanie;
        return all;
    }
    bool anyForAllChecked() const {
        return wizard->rbKadorwanieGora->isChecked() || wizard->rbKadorwanieSrodek->isChecked() ||
               wizard->rbKadorwanieDol->isChecked() || automatic->isChecked();
    }

    QTemporaryDir dir;
    QList<ui::WizardEntry> entries;
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    std::unique_ptr<ui::TfoKadrownie> wizard;
    QRadioButton* automatic = nullptr;
    int findings = 0;
    bool onUiThread = true;
    bool rightPhoto = true;
};

TEST_F(AutoAlignmentTest, EachRowTakesTheBandOfItsFacesAndCanStillBeOverridden) {
    photo(QStringLiteral("u_gory"), 0);
    photo(QStringLiteral("na_dole"), 2);
    photo(QStringLiteral("bez_ludzi"), -1);
    open();
    EXPECT_EQ(automatic->text(), QStringLiteral("automatycznie"));
    EXPECT_EQ(automatic->toolTip(), ui::AutoAlignmentHint());
    EXPECT_FALSE(automatic->icon().isNull());
    goTo(3);
    EXPECT_EQ(rows(), (QList<CropAlignment>{Centre, Centre, Centre}));
    EXPECT_FALSE(automatic->isChecked());

    QTest::mouseClick(automatic, Qt::LeftButton, {}, QPoint(6, 10));
    EXPECT_TRUE(automatic->isChecked());
    QTRY_COMPARE(findings, 3);
    EXPECT_EQ(rows(), (QList<CropAlignment>{Top, Bottom, Centre}));
    EXPECT_TRUE(onUiThread);
    EXPECT_TRUE(rightPhoto);
    EXPECT_TRUE(wizard->btDalej->isEnabled());

    // The customer overrides the second photo: only that row changes, no "for all" choice stays checked.
    QTest::mouseClick(wizard->pbLista, Qt::LeftButton, {}, QPoint(150, ui::kPhotoRowHeight + 60));
    EXPECT_EQ(rows(), (QList<CropAlignment>{Top, Top, Centre}));
    EXPECT_FALSE(anyForAllChecked());
    // The run cuts with what the rows show.
    goTo(4);
    QList<CropAlignment> run;
    for (const imaging::BatchCropItem& item : ui::RunItems(wizard->work()))
        run << item.alignment;
    EXPECT_EQ(run, (QList<CropAlignment>{Top, Top, Centre}));

    // Entering step 3 again puts every photo back in the middle; the findings are kept, not looked for
    // again.
    wizard->btWsteczClick();
    EXPECT_EQ(rows(), (QList<CropAlignment>{Centre, Centre, Centre}));
    EXPECT_TRUE(wizard->rbKadorwanieSrodek->isChecked());
    wizard->autoAlignment->button()->click();
    EXPECT_EQ(rows(), (QList<CropAlignment>{Top, Bottom, Centre}));
    wizard->rbKadorwanieDol->click();
    EXPECT_EQ(rows(), (QList<CropAlignment>{Bottom, Bottom, Bottom}));
    QTest::qWait(50);
    EXPECT_EQ(findings, 3);
}

// Findings that come late belong to the list they were started for; the step cannot be left forward
// while the automatic choice still waits for some.
TEST_F(AutoAlignmentTest, FindingsOfAnEarlierListNeverLandOnALaterOne) {
    for (int i = 0; i < 4; ++i)
        photo(QStringLiteral("p%1").arg(i), -1);
    entries[3].Zaznaczony = true;
    open();
    QSemaphore release;
    std::atomic<int> looked{0};
    // Every photo "shows" a face at its top, once let go.
    wizard->autoAlignment->setFinder([&](const QString&) {
        release.acquire();
        ++looked;
        return imaging::PhotoSubjects{QSize(480, 640), {QRect(100, 10, 100, 100)}, {}, QSize(480, 640)};
    });
    goTo(3);
    wizard->autoAlignment->button()->click();
    EXPECT_FALSE(wizard->btDalej->isEnabled());
    auto* progress = wizard->findChild<QLabel*>(QStringLiteral("laWyszukiwanie"));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->text(), ui::SearchProgressText(0, 4));
    EXPECT_FALSE(progress->isHidden());

    // Back to step 2, only the marked photo, forward: a new list of one row.
    wizard->btWsteczClick();
    wizard->rbKtore2->click();
    goTo(3);
    ASSERT_EQ(wizard->work().size(), 1);
    EXPECT_TRUE(wizard->btDalej->isEnabled());
    release.release(100);
    // The pool's threads each finish the photo they had, and the new scan looks at its one photo.
    QTRY_VERIFY(findings == 1);
    EXPECT_TRUE(rightPhoto);
    EXPECT_TRUE(onUiThread);
    QTest::qWait(50);
    EXPECT_EQ(findings, 1);
    EXPECT_EQ(rows(), QList<CropAlignment>{Centre});
    // The choice made now uses the finding of the photo itself.
    wizard->autoAlignment->button()->click();
    EXPECT_EQ(rows(), QList<CropAlignment>{Top});
    EXPECT_TRUE(wizard->btDalej->isEnabled());
    // The finder's semaphore lives on this stack.
    QThreadPool::globalInstance()->waitForDone();
}

// Five hundred photos: the rows fill in as the findings arrive, never more photos in flight than the
// pool has threads, and the customer's press on a row in the meantime is kept.
TEST_F(AutoAlignmentTest, FiveHundredPhotosFillInWhileTheListIsUsed) {
    for (int i = 0; i < 500; ++i)
        entries.append({QStringLiteral("p%1").arg(i), QStringLiteral(".jpg"), QImage(),
                        dir.filePath(QStringLiteral("p%1.jpg").arg(i)), false});
    open();
    std::atomic<int> inFlight{0};
    std::atomic<int> mostInFlight{0};
    QSemaphore gate;
    wizard->autoAlignment->setFinder([&](const QString& path) {
        const int now = ++inFlight;
        int seen = mostInFlight.load();
        while (now > seen && !mostInFlight.compare_exchange_weak(seen, now)) {
        }
        gate.acquire();
        --inFlight;
        // Odd photos have a face at the bottom, even ones nothing.
        const bool odd = path.at(path.size() - 5).digitValue() % 2 == 1;
        return imaging::PhotoSubjects{QSize(480, 640),
                                      odd ? std::vector<QRect>{QRect(100, 530, 100, 100)}
                                          : std::vector<QRect>{},
                                      {},
                                      QSize(480, 640)};
    });
    goTo(3);
    wizard->autoAlignment->button()->click();
    gate.release(10);
    QTRY_VERIFY(findings >= 10);
    // Row 15 is set by hand while its finding is still to come.
    QTest::mouseClick(wizard->pbLista, Qt::LeftButton, {}, QPoint(150, 15 * ui::kPhotoRowHeight + 60));
    gate.release(1000);
    QTRY_VERIFY_WITH_TIMEOUT(findings == 500, 60000);
    EXPECT_TRUE(onUiThread);
    EXPECT_TRUE(rightPhoto);
    EXPECT_LE(mostInFlight.load(), std::max(1, QThreadPool::globalInstance()->maxThreadCount()));
    const QList<CropAlignment> all = rows();
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(all.at(i), i == 15 ? Top : i % 2 == 1 ? Bottom : Centre) << i;
    EXPECT_TRUE(wizard->btDalej->isEnabled());
    QThreadPool::globalInstance()->waitForDone();
}

// The window closes while photos are being looked at: their findings go nowhere.
TEST_F(AutoAlignmentTest, ClosingTheWindowLeavesThePhotosInFlightBehind) {
    for (int i = 0; i < 6; ++i)
        photo(QStringLiteral("p%1").arg(i), -1);
    open();
    QSemaphore release;
    wizard->autoAlignment->setFinder([&](const QString&) {
        release.acquire();
        return imaging::PhotoSubjects{QSize(480, 640), {QRect(100, 10, 100, 100)}, {}, QSize(480, 640)};
    });
    goTo(3);
    wizard->autoAlignment->button()->click();
    wizard.reset();
    release.release(100);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(findings, 0);
}

} // namespace
