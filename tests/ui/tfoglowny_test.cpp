// The main window's browser side, its bars, its settings and its commands as one consistent set. Where
// the cells, marks and columns lie is the browser geometry's; the window checks that it is wired to it.
#include "uitestsupport.h"

#include "document/photodocument.h"
#include "ui/browser/browserheader.h"
#include "ui/browser/photobrowser.h"
#include "ui/browser/thumbnailfill.h"
#include "ui/common/picturebutton.h"
#include "ui/common/textfit.h"

namespace {

using uitest::writeBytes;

class MainWindow : public uitest::WindowTest {
protected:
    void open(int n, QSize size = QSize(900, 600)) {
        photos(n);
        h.build();
        h.show(size);
    }
    // Cells wait for the gate and carry the photo's number in their red channel.
    std::atomic<int> started{0}, made{0};
    QSemaphore gate;
    void TearDown() override { gate.release(100000); } // no cell maker left waiting for the window
    void gateCells() {
        w().thumbnailFill()->setCellMaker([this](const QString& path) {
            ++started;
            gate.acquire();
            ++made;
            QImage cell(116, 116, QImage::Format_ARGB32);
            cell.fill(QColor(QFileInfo(path).baseName().mid(1).toInt() * 10, 0, 0));
            return cell;
        });
    }
    bool wizardEnabled() { return act("aEdycjaKreatorKadrowania")->isEnabled(); }
    int scrollValue() { return w().sbPliki->verticalScrollBar()->value(); }
    void wheel(QWidget* over, int delta) {
        const QPoint at(60, 60);
        QWheelEvent e(over->mapTo(&w(), at), over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w().windowHandle(), &e);
    }
};

TEST_F(MainWindow, CommandsMenusAndButtonsAreOneConsistentSet) {
    h.build();
    // Every command is found by its name; no key is given to two of them, menu entries included.
    QHash<QString, QString> keys;
    for (QAction* a : w().findChildren<QAction*>()) {
        for (const QKeySequence& k : a->shortcuts()) {
            const QString key = k.toString(QKeySequence::PortableText);
            EXPECT_FALSE(keys.contains(key)) << key.toStdString() << ": " << a->objectName().toStdString()
                                             << " and " << keys.value(key).toStdString();
            keys.insert(key, a->objectName());
        }
    }
    QSet<QAction*> reached;
    for (QAction* a : w().alAkcje()) {
        EXPECT_EQ(w().action(a->objectName()), a);
        EXPECT_FALSE(a->text().isEmpty() || a->property("category").toString().isEmpty())
            << a->objectName().toStdString();
    }
    // Every menu entry is a command of the window or an entry ("mi...") passing its clicks on to one.
    QList<QMenu*> menus = w().menuBar()->findChildren<QMenu*>();
    menus << w().pmPliki << w().pmObraz;
    for (QMenu* m : menus)
        for (QAction* a : m->actions()) {
            const QString name = a->objectName();
            if (!a->isSeparator() && !a->menu()) {
                EXPECT_TRUE(name.startsWith(QStringLiteral("mi")) ? w().action('a' + name.mid(2)) != nullptr
                                                                  : w().action(name) == a)
                    << name.toStdString();
            }
        }
    // Each picture button runs a command of its own and shows the short part of its hint.
    for (auto* b : w().findChildren<ui::PictureButton*>()) {
        SCOPED_TRACE(b->objectName().toStdString());
        if (!b->action())
            continue;
        EXPECT_TRUE(w().alAkcje().contains(b->action()));
        EXPECT_FALSE(reached.contains(b->action())) << b->action()->objectName().toStdString();
        reached.insert(b->action());
        EXPECT_FALSE(b->hint().isEmpty());
        EXPECT_EQ(b->toolTip(), ui::shortHint(b->hint()));
        EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_GE(reached.size(), 20);
    // The view kinds are one exclusive choice.
    for (const char* kind : {"aWidokSzczegoly", "aWidokIkony", "aWidokSzczegoly"}) {
        act(kind)->trigger();
        EXPECT_NE(act("aWidokIkony")->isChecked(), act("aWidokSzczegoly")->isChecked());
        EXPECT_EQ(w().viewKind() == ui::ViewKind::Icons, act("aWidokIkony")->isChecked());
    }
}

TEST_F(MainWindow, ClicksMarkAndSortWhereTheBrowserSaysAndTheWheelScrollsOnlyOverIt) {
    open(30); // p00 is the largest
    ASSERT_EQ(w().browser()->layoutInfo().columns, 2);
    QTest::mouseClick(w().browser(), Qt::LeftButton, {}, QPoint(10, 116 + 98)); // entry 2's mark
    settle();
    EXPECT_EQ(w().catalogue().currentIndex(), 2);
    EXPECT_EQ(w().catalogue().at(2).Zaznaczony, 1);
    EXPECT_EQ(w().laWysylkaIl->text(), QStringLiteral("1"));
    wheel(w().sbPliki, -120);
    EXPECT_EQ(scrollValue(), 120);
    wheel(w().pPaintBox, -120);
    EXPECT_EQ(scrollValue(), 120);
    act("aWidokSzczegoly")->trigger();
    ui::BrowserHeader* header = w().header();
    const auto& widths = header->widths();
    const QPoint sizeSection(widths[0] + widths[1] + 10, 8);
    QTest::mouseClick(header, Qt::LeftButton, {}, sizeSection);
    EXPECT_EQ(w().catalogue().sortKey(), 3);
    EXPECT_EQ(w().catalogue().at(0).Nazwa, QStringLiteral("p29")); // the smallest first
    EXPECT_TRUE(act("aWidokSortujRozmiar")->isChecked());
    QTest::mouseClick(header, Qt::LeftButton, {}, sizeSection);
    EXPECT_EQ(w().catalogue().at(0).Nazwa, QStringLiteral("p00"));
    QTest::mouseClick(header, Qt::LeftButton, {}, QPoint(widths[0] + widths[1] + widths[2] + 10, 8));
    EXPECT_TRUE(act("aWidokSortujData")->isChecked());
    act("aWidokSortujRozmiar")->trigger();
    EXPECT_EQ(w().catalogue().at(0).Nazwa, QStringLiteral("p29"));
    EXPECT_EQ(w().catalogue().sortKey(), 4); // the menu sorts but keeps the header's key
}

// Records the keys that reach it, as a focused viewer would.
struct KeyRecorder : QWidget {
    using QWidget::QWidget;
    QList<int> keys;
    void keyPressEvent(QKeyEvent* e) override { keys << e->key(); }
};

TEST_F(MainWindow, PageDownAndUpStepThroughPhotosAndStillReachTheFocusedControl) {
    photos(3);
    h.build();
    auto* viewer = new KeyRecorder(w().paintBox());
    viewer->setFocusPolicy(Qt::StrongFocus);
    w().paintBox()->layout()->addWidget(viewer);
    h.show(QSize(900, 600));
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    viewer->setFocus();
    ASSERT_TRUE(testsupport::waitUntil([&] { return viewer->hasFocus(); }));
    const std::pair<Qt::Key, int> keys[] = {
        {Qt::Key_PageDown, 1}, {Qt::Key_PageDown, 2}, {Qt::Key_PageDown, 2}, {Qt::Key_PageUp, 1}};
    for (const auto& [key, index] : keys) { // the third on the last photo: nothing
        QTest::keyClick(w().windowHandle(), key);
        ASSERT_TRUE(testsupport::waitUntil([&, index = index] {
            settle();
            return w().catalogue().currentIndex() == index;
        })) << index;
    }
    EXPECT_EQ(viewer->keys,
              (QList<int>{Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp}));
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("p01"));
}

TEST_F(MainWindow, UploadSummaryFollowsMarksAndSpeed) {
    const QString folder = h.photoFolder(QStringLiteral("duze"));
    for (const auto& [name, bytes] :
         {std::pair{"a", 700'000}, std::pair{"b", 1'400'000}, std::pair{"c", 3'000}})
        ASSERT_TRUE(writeBytes(folder + '/' + name + QStringLiteral(".jpg"), bytes));
    h.build();
    w().catalogue().toggleMark(0);
    act("aPlikZaznOdwroc")->trigger();
    EXPECT_EQ(w().laWysylkaIl->text(), QStringLiteral("2"));
    EXPECT_EQ(w().laWysylkaWielk->text(), QStringLiteral("1403 KB"));
    const QString slow = w().laWysylkaCz->text();
    w().cbSpeed->setCurrentIndex(1);
    EXPECT_NE(w().laWysylkaCz->text(), slow);
    act("aPlikZaznWszystkie")->trigger();
    EXPECT_EQ(w().laWysylkaWielk->text(), QStringLiteral("2103 KB"));
    act("aPlikZaznZaden")->trigger();
    EXPECT_EQ(w().laWysylkaIl->text(), QStringLiteral("0"));
}

TEST_F(MainWindow, RefreshDuringTheFillStopsItAndKeepsTheWizardDisabled) {
    photos(6);
    h.build();
    gateCells();
    w().StartThumbnailFill();
    ASSERT_TRUE(w().thumbnailFill()->isRunning());
    act("aWidokOdswiez")->trigger();
    settle();
    EXPECT_FALSE(w().thumbnailFill()->isRunning());
    EXPECT_TRUE(w().tMiniatury->isActive()); // a new fill follows
    w().tMiniatury->stop();
    gate.release(1000);
    // The old generation's cells are made and posted as their makers return; a marker queued behind
    // them proves that none was taken.
    ASSERT_TRUE(testsupport::waitUntil([&] { return made == started; }));
    ASSERT_TRUE(testsupport::deliverQueued(&w()));
    for (const auto& e : w().catalogue().entries())
        EXPECT_TRUE(e.Miniatura.isNull()) << e.Nazwa.toStdString();
    EXPECT_FALSE(wizardEnabled());
    w().StartThumbnailFill();
    ASSERT_TRUE(testsupport::waitUntil([&] { return wizardEnabled(); }, 20000));
    EXPECT_FALSE(w().catalogue().at(5).Miniatura.isNull());
}

TEST_F(MainWindow, ASortDuringTheFillStillGivesEveryPhotoItsOwnCell) {
    photos(8);
    h.build();
    gateCells();
    w().StartThumbnailFill();
    gate.release(2);
    ASSERT_TRUE(testsupport::waitUntil([&] { return made == 2; }));
    act("aWidokSortujZazn")->trigger(); // equal marks: the order may change arbitrarily
    QTest::mouseClick(w().header(), Qt::LeftButton, {},
                      QPoint(w().header()->widths()[0] + w().header()->widths()[1] + 10, 8));
    ASSERT_EQ(w().catalogue().at(0).Nazwa, QStringLiteral("p07")); // smallest first
    gate.release(100);
    ASSERT_TRUE(testsupport::waitUntil([&] { return wizardEnabled(); }, 20000));
    for (const auto& e : w().catalogue().entries())
        EXPECT_EQ(e.Miniatura.pixelColor(0, 0).red(), e.Nazwa.mid(1).toInt() * 10) << e.Nazwa.toStdString();
}

TEST_F(MainWindow, ChooseFolderRescansAndCancelKeepsEverything) {
    photos(3);
    QDir(h.dir.path()).mkpath(QStringLiteral("inny"));
    ASSERT_TRUE(writeBytes(h.path(QStringLiteral("inny/x.jpg")), 10));
    h.build();
    const QString first = w().folder();
    command("aPlikWybierzFolder"); // cancelled: folderAnswer is empty
    EXPECT_EQ(w().folder(), first);
    EXPECT_EQ(w().catalogue().size(), 3);
    EXPECT_EQ(h.shell.calls,
              QStringList{QStringLiteral("chooseFolder Wskarz folder, w którym umieściłeś swoje zdjęcia.|") +
                          first});
    h.shell.folderAnswer = QDir::toNativeSeparators(h.path(QStringLiteral("inny")));
    w().catalogue().toggleMark(0);
    command("aPlikWybierzFolder");
    EXPECT_EQ(w().catalogue().size(), 1);
    EXPECT_EQ(w().laKatalog->text(), QStringLiteral("inny"));
    EXPECT_EQ(w().laWysylkaIl->text(), QStringLiteral("0"));
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("x"));
}

TEST_F(MainWindow, ShellServicesGoToTheConfiguredHostAndTheChosenFile) {
    ASSERT_TRUE(testsupport::WriteFile(h.path(QStringLiteral("settings")), "host=http://127.0.0.1:9/\n"));
    photos(1);
    h.build();
    QTest::mouseClick(w().iLogo, Qt::LeftButton);
    act("aPomocPixvale")->trigger();
    act("aPromocjeWyswietl")->trigger();
    act("aPlikWlasciwosci")->trigger();
    ASSERT_EQ(h.shell.calls.size(), 3);
    EXPECT_EQ(h.shell.calls[0], QStringLiteral("openUrl http://127.0.0.1:9/"));
    EXPECT_TRUE(h.shell.calls[1].startsWith(QStringLiteral("openUrl http://127.0.0.1:9/")));
    EXPECT_EQ(h.shell.calls[2], QStringLiteral("showProperties ") + w().catalogue().at(0).Sciezka);
}

TEST_F(MainWindow, SettingsAreWrittenAtCloseAndReadAtTheNextStartWithTheOuterWindowRectangle) {
    const QString folder = photos(2);
    h.build();
    // Small enough for the offscreen screen, so that no on-screen clamp applies at the next start.
    h.show(QSize(760, 560));
    act("aWidokSzczegoly")->trigger();
    w().cbSpeed->setCurrentIndex(1);
    w().sPodzial->setSizes({300, 456});
    const QRect frame = w().frameGeometry();
    ASSERT_NE(frame, w().geometry()); // a window system that draws a frame, or the test proves nothing
    h.close();
    const auto stored = [&](const char* key) {
        return core::SettingsStore(h.path(QStringLiteral("store.ini")))
            .number(QString::fromLatin1(key))
            .value_or(-1);
    };
    EXPECT_EQ(QRect(stored("left"), stored("top"), stored("width"), stored("height")), frame);
    h.shell.documents.clear(); // the stored folder must win
    h.build();
    h.show(QSize(760, 560));
    EXPECT_EQ(w().frameGeometry(), frame);
    EXPECT_EQ(w().folder(), folder);
    EXPECT_EQ(w().viewKind(), ui::ViewKind::Details);
    EXPECT_TRUE(act("aWidokSzczegoly")->isChecked());
    EXPECT_EQ(w().cbSpeed->currentIndex(), 1);
    EXPECT_EQ(w().settings().panelWidth, 300);
}

TEST_F(MainWindow, WakingRestoresAMinimisedWindow) {
    h.build();
    h.show(QSize(760, 560));
    w().setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(w().isMinimized());
    w().WakeUp();
    EXPECT_FALSE(w().isMinimized());
    EXPECT_TRUE(w().isVisible());
}

} // namespace
