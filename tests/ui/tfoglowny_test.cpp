#include "uitestsupport.h"

#include "document/photodocument.h"
#include "ui/browser/browserheader.h"
#include "ui/browser/photobrowser.h"
#include "ui/browser/thumbnailfill.h"
#include "ui/common/fittinglabel.h"
#include "ui/common/picturebutton.h"
#include "ui/common/textfit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QSemaphore>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

using uitest::writeBytes;
using uitest::writePhoto;

class MainWindow : public uitest::WindowTest {
protected:
    void open(int n, QSize size = QSize(900, 600)) {
        photos(n);
        h.build();
        h.show(size);
    }
    // Cells wait for the gate and carry the photo's number in their red channel.
    void gateCells(QSemaphore& gate) {
        w().thumbnailFill()->setCellMaker([&gate](const QString& path) {
            gate.acquire();
            QImage cell(116, 116, QImage::Format_ARGB32);
            cell.fill(QColor(QFileInfo(path).baseName().mid(1).toInt() * 10, 0, 0));
            return cell;
        });
    }
    int scrollValue() { return w().sbPliki->verticalScrollBar()->value(); }
    void click(QPoint p) {
        QTest::mouseClick(w().browser(), Qt::LeftButton, {}, p);
        settle();
    }
    void wheel(QWidget* over, QPoint at, int delta) {
        QWheelEvent e(over->mapTo(&w(), at), over->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w().windowHandle(), &e);
    }
};

TEST_F(MainWindow, LayoutTitleAndLimits) {
    open(1);
    EXPECT_EQ(w().windowTitle(), QStringLiteral("PixvaleLink"));
    // The panel keeps 265 pixels and leaves the photo 415.
    w().sPodzial->setSizes({2000, 10});
    EXPECT_LE(w().pLeft->width(), 900 - 415);
    w().sPodzial->setSizes({10, 2000});
    EXPECT_GE(w().pLeft->width(), 265);
    EXPECT_EQ(w().laKatalog->text(), QStringLiteral("zdjecia"));
    EXPECT_EQ(w().laKatalog->toolTip(), h.shell.documents);
}

// The controls of a bar that are not hidden: none may overlap another or leave the bar.
QString clashIn(QWidget* bar, const QStringList& names) {
    QList<QWidget*> shown;
    for (const QString& n : names) {
        auto* c = bar->findChild<QWidget*>(n);
        if (!c)
            return n + QStringLiteral(" missing");
        if (!c->isHidden())
            shown.append(c);
    }
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!bar->rect().contains(shown[i]->geometry()))
            return shown[i]->objectName() + QStringLiteral(" leaves the bar");
        for (qsizetype j = i + 1; j < shown.size(); ++j) {
            if (shown[i]->geometry().intersects(shown[j]->geometry()))
                return shown[i]->objectName() + QStringLiteral(" over ") + shown[j]->objectName();
        }
    }
    return QString();
}

TEST_F(MainWindow, BarsStayApartAndOnTheViewerSideAtEveryWidthSplitterAndEditingState) {
    open(3, QSize(700, 500));
    const QStringList toolbar =
        QStringLiteral(
            "iEdycjaKadowanie iEdycjaObrotL iEdycjaObrotP iEdycjaOczy iEdycjaBW iEdycjaSepia iEdycjaBlur "
            "iEdycjaSharpen iEdycjaBrightnessContrast iEdycjaHSL iEdycjaZapisz iEdycjaAnuluj iLogo")
            .split(QLatin1Char(' '));
    const QStringList info =
        QStringLiteral(
            "laNazwaPliku iRozmiarPliku laRozmiarPliku iWagaPliku laWagaPliku iPlikPoprzedni iPlikSzczegoly "
            "iPlikNastepny laZoom iZoomDopasuj iZoomPowieksz iZoomPomniejsz iZoomLupa")
            .split(QLatin1Char(' '));
    auto* zapisz = w().pObrazToolbar->findChild<QWidget*>(QStringLiteral("iEdycjaZapisz"));
    auto* anuluj = w().pObrazToolbar->findChild<QWidget*>(QStringLiteral("iEdycjaAnuluj"));
    ASSERT_TRUE(zapisz && anuluj);
    int logoShown = 0;
    for (const bool editing : {false, true}) {
        zapisz->setHidden(!editing);
        anuluj->setHidden(!editing);
        for (int width = 700; width <= 1300; width += 15) {
            w().resize(width, 500);
            QCoreApplication::processEvents();
            const int widest = width - 415;
            for (const int panel : {265, (265 + widest) / 2, widest}) {
                w().sPodzial->setSizes({panel, width});
                QCoreApplication::processEvents();
                const QString at = QStringLiteral("%1 wide, panel %2, editing %3")
                                       .arg(w().width())
                                       .arg(w().pLeft->width())
                                       .arg(editing);
                // The viewer side itself stays inside the window.
                EXPECT_LE(w().pObraz->mapTo(&w(), QPoint(w().pObraz->width(), 0)).x(), w().width())
                    << qPrintable(at);
                EXPECT_EQ(w().pObrazToolbar->width(), w().pObraz->width()) << qPrintable(at);
                EXPECT_EQ(clashIn(w().pObrazToolbar, toolbar), QString()) << qPrintable(at);
                EXPECT_EQ(clashIn(w().pObrazInfo, info), QString()) << qPrintable(at);
                logoShown += w().iLogo->isHidden() ? 0 : 1;
            }
        }
    }
    // Wide windows have room for the logo: the rule does not simply hide it.
    EXPECT_GT(logoShown, 0);
    // Showing the buttons of an edit lays the toolbar out again by itself.
    w().resize(960, 500);
    w().sPodzial->setSizes({265, 960});
    QCoreApplication::processEvents();
    zapisz->hide();
    anuluj->hide();
    EXPECT_FALSE(w().iLogo->isHidden());
    zapisz->show();
    anuluj->show();
    EXPECT_TRUE(w().iLogo->isHidden());
    EXPECT_EQ(clashIn(w().pObrazToolbar, toolbar), QString());
}

TEST_F(MainWindow, TheStoredWindowRectangleIsTheOuterOneBothWays) {
    photos(1);
    const QRect frame(10, 20, 720, 540);
    {
        core::SettingsStore store(h.path(QStringLiteral("store.ini")));
        store.setNumber(QStringLiteral("left"), frame.x());
        store.setNumber(QStringLiteral("top"), frame.y());
        store.setNumber(QStringLiteral("width"), frame.width());
        store.setNumber(QStringLiteral("height"), frame.height());
        ASSERT_TRUE(store.sync());
    }
    h.build();
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    const QMargins margins = w().windowHandle()->frameMargins();
    ASSERT_FALSE(margins.isNull()); // a window system that draws a frame, or the test proves nothing
    EXPECT_EQ(w().frameGeometry(), frame);
    EXPECT_EQ(w().geometry(), frame.marginsRemoved(margins));
    h.close();
    core::SettingsStore store(h.path(QStringLiteral("store.ini")));
    EXPECT_EQ(store.number(QStringLiteral("left")), frame.x());
    EXPECT_EQ(store.number(QStringLiteral("top")), frame.y());
    EXPECT_EQ(store.number(QStringLiteral("width")), frame.width());
    EXPECT_EQ(store.number(QStringLiteral("height")), frame.height());
}

TEST_F(MainWindow, ViewKindsAreOneExclusiveChoice) {
    h.build();
    QAction* icons = act("aWidokIkony");
    QAction* details = act("aWidokSzczegoly");
    ASSERT_NE(icons->actionGroup(), nullptr);
    EXPECT_EQ(icons->actionGroup(), details->actionGroup());
    EXPECT_TRUE(icons->actionGroup()->isExclusive());
    for (QAction* a : {details, icons, icons, details}) {
        a->trigger();
        EXPECT_TRUE(a->isChecked());
        EXPECT_NE(icons->isChecked(), details->isChecked());
        EXPECT_EQ(w().viewKind(), a == icons ? ui::ViewKind::Icons : ui::ViewKind::Details);
    }
}

TEST_F(MainWindow, TheBrowserFaceFitsTheDefaultColumnsAndTheArrowKeepsOffTheSeparator) {
    open(1);
    const QString date = QStringLiteral("2026-12-06 12:34");
    EXPECT_LE(QFontMetrics(w().browser()->font()).horizontalAdvance(date), ui::kDefaultDateWidth);
    EXPECT_EQ(w().header()->font(), w().browser()->font());
    // Sorted by each column in turn, no arrow pixel touches the column's separator or the one left of it.
    for (int column = 1; column <= 3; ++column) {
        w().header()->setSort(column, true);
        const QImage shot = w().header()->grab().toImage();
        int right = 0;
        for (int c = 0; c <= column; ++c)
            right += w().header()->widths()[c];
        for (int y = 0; y < shot.height(); ++y)
            EXPECT_NE(shot.pixelColor(right - 3, y), QColor(192, 192, 192)) << column << " at " << y;
    }
}

TEST_F(MainWindow, AFiveDigitTotalKeepsClearOfTheConnectionCaption) {
    open(1, QSize(700, 500));
    w().sPodzial->setSizes({265, 700});
    QCoreApplication::processEvents();
    auto* total = static_cast<ui::FittingLabel*>(w().laWysylkaWielk);
    total->setText(QStringLiteral("56028 KB"));
    auto* caption = w().pLeftDol->findChild<QLabel*>(QStringLiteral("laTwojeLacze"));
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(total->shownText(), QStringLiteral("56028 KB"));
    EXPECT_LT(total->x() + total->textWidth(), caption->x());
    EXPECT_FALSE(total->geometry().intersects(caption->geometry()));
    EXPECT_FALSE(caption->geometry().intersects(w().cbSpeed->geometry()));
    // The rules beside the title are filled strips that any scale draws.
    for (const char* name : {"bvPodsumowanieL", "bvPodsumowanieP"}) {
        auto* rule = w().pLeftDol->findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(rule, nullptr);
        EXPECT_GT(rule->width(), 0);
        EXPECT_EQ(rule->grab().toImage().pixelColor(0, 0), QColor(180, 180, 180));
    }
}

TEST_F(MainWindow, EveryPictureButtonHasItsHintAndAction) {
    h.build();
    const struct {
        const char* button;
        const char* hint;
        const char* action;
    } rows[] = {
        {"iWybierzFolder", "Wybierz katalog", "aPlikWybierzFolder"},
        {"iZaznaczWszystki", "Zaznacz wszystkie pliki", "aPlikZaznWszystkie"},
        {"iZaznaczZaden", "Odznacz wszystkie pliki", "aPlikZaznZaden"},
        {"iWidokIkony", "Widok ikon", "aWidokIkony"},
        {"iWidokLista", "Widok szczegółów", "aWidokSzczegoly"},
        {"iWyslijZdjecia", "Wyślij zdjęcia|Wysyła zaznaczone zdjęcia na serwer", "aPlikWyslijPliki"},
        {"iPlikSzczegoly", "Pokaż szczegóły zdjęcia", "aPlikInfo"},
        {"iPlikPoprzedni", "Poprzedni obraz", "aPlikPoprzedni"},
        {"iPlikNastepny", "Następny obraz", "aPlikNastepny"},
        {"iZoomDopasuj", "Dopasuj", "aWidokDopasuj"},
        {"iZoomPowieksz", "Powiększ", "aWidokPowieksz"},
        {"iZoomPomniejsz", "Pomniejsz", "aWidokPomniejsz"},
        {"iZoomLupa", "Powiększ (przytrzymaj klawisz Alt aby pomniejszyć)", "aWidokLupa"},
        {"iEdycjaKadowanie", "Kadruj zdjęcie", "aEdycjaKadrowanie"},
        {"iEdycjaObrotP", "Obróć zdjęcie", "aEdycjaObrotP"},
        {"iEdycjaObrotL", "Obróć zdjęcie", "aEdycjaObrotL"},
        {"iEdycjaOczy", "Redukuj efekt czerwonych oczu", "aEdycjaOczy"},
        {"iEdycjaBW", "Zamień na obraz czarno-biały", "aEdycjaBW"},
        {"iEdycjaSepia", "Zastosuj efekt sephia", "aEdycjaSepia"},
        {"iEdycjaZapisz", "Zapisz wszystkie zmiany", "aEdycjaZapisz"},
        {"iEdycjaAnuluj", "Odwołaj wsztstkie zmiany", "aEdycjaAnuluj"},
        {"iEdycjaBlur", "Rozmyj obraz", "aEdycjaBlurr"},
        {"iEdycjaSharpen", "Wyostrz obraz", "aEdycjaSharpen"},
        {"iEdycjaBrightnessContrast", "Reguluj jasność i kontrast", "aEdycjaBrightnessContrast"},
        {"iEdycjaHSL", "Reguluj barwę, nasycenie i jasność", "aEdycjaHSL"},
        {"iEdycjaKadrowanieZastosuj", "Zatwierdź rozmiar kadrowania", "aEdycjaKadrowanieZastosuj"},
        {"iEdycjaKadrowanieAnuluj", "Anuluj kadrowanie", "aEdycjaKadrowanieAnuluj"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        auto* b = w().findChild<ui::PictureButton*>(QString::fromLatin1(row.button));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->hint(), QString::fromUtf8(row.hint));
        EXPECT_EQ(b->toolTip(), ui::shortHint(QString::fromUtf8(row.hint)));
        EXPECT_EQ(b->action(), w().action(QString::fromLatin1(row.action)));
        EXPECT_EQ(b->cursor().shape(), Qt::PointingHandCursor);
    }
    EXPECT_TRUE(w().findChild<QWidget*>(QStringLiteral("iEdycjaZapisz"))->isHidden());
    EXPECT_TRUE(w().findChild<QWidget*>(QStringLiteral("iEdycjaAnuluj"))->isHidden());
}

TEST_F(MainWindow, FivePhotosInThreeColumnsMakeTwoRowsAndAGreyCell) {
    open(5, QSize(1000, 600));
    const int extent = w().style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    // Wide enough for three cells and the scroll bar, not for four.
    w().sPodzial->setSizes({5 + 3 * 116 + extent + 20, 500});
    QCoreApplication::processEvents();
    ASSERT_EQ(w().browser()->layoutInfo().columns, 3);
    EXPECT_EQ(w().browser()->layoutInfo().rows, 2);
    const QImage shot = w().browser()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(2 * 116 + 58, 116 + 58), QColor(240, 240, 240));
    EXPECT_NE(shot.pixelColor(116 + 58, 116 + 58), QColor(240, 240, 240));
}

TEST_F(MainWindow, MarkClicksHonourTheStrictBoundsInBothViews) {
    open(5);
    ASSERT_EQ(w().browser()->layoutInfo().columns, 2);
    const struct {
        bool details;
        QPoint at;
        int current, entry, marked;
    } clicks[] = {
        {false, {116 + 9, 100}, 1, 1, 0},            // left border of entry 1's mark: current only
        {false, {10, 116 + 98}, 2, 2, 1},            // first pixel inside entry 2's mark
        {false, {19, 116 + 107}, 2, 2, 0},           // last pixel inside, on the current entry: back
        {false, {116 + 15, 2 * 116 + 100}, 2, 2, 0}, // below the last entry: nothing
        {true, {5, 10}, 2, 2, 0},                    // header row: nothing
        {true, {3, 2 * 18 + 4}, 1, 1, 1},            // entry 1's mark, first pixel inside
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(testing::Message() << c.details << " at " << c.at.x() << "," << c.at.y());
        if (c.details && w().viewKind() != ui::ViewKind::Details)
            act("aWidokSzczegoly")->trigger();
        click(c.at);
        EXPECT_EQ(w().catalogue().currentIndex(), c.current);
        EXPECT_EQ(w().catalogue().at(c.entry).Zaznaczony, c.marked);
    }
}

TEST_F(MainWindow, HeaderClicksSortAndFlipTheArrow) {
    open(4); // p00 is the largest
    act("aWidokSzczegoly")->trigger();
    ui::BrowserHeader* header = w().header();
    ASSERT_TRUE(header->isVisible());
    const auto& widths = header->widths();
    const QPoint sizeSection(widths[0] + widths[1] + 10, 8);
    const QFontMetrics fm(header->font());
    const int anchor = widths[0] + widths[1] + 4 +
                       fm.horizontalAdvance(ui::fitText(QStringLiteral("Rozmiar"), fm, widths[2] - 12));
    // Inside a descending arrow's top edge, outside an ascending one's apex.
    const QPoint probe(anchor + 2, 5);

    QTest::mouseClick(header, Qt::LeftButton, {}, sizeSection);
    EXPECT_EQ(w().catalogue().sortKey(), 3);
    EXPECT_TRUE(w().catalogue().sortAscending());
    EXPECT_EQ(w().catalogue().at(0).Nazwa, QStringLiteral("p03"));
    EXPECT_TRUE(act("aWidokSortujRozmiar")->isChecked());
    EXPECT_FALSE(act("aWidokSortujNazwa")->isChecked());
    EXPECT_EQ(header->grab().toImage().pixelColor(probe), QColor(230, 230, 230));

    QTest::mouseClick(header, Qt::LeftButton, {}, sizeSection);
    EXPECT_FALSE(w().catalogue().sortAscending());
    EXPECT_EQ(w().catalogue().at(0).Nazwa, QStringLiteral("p00"));
    EXPECT_EQ(header->grab().toImage().pixelColor(probe), QColor(192, 192, 192));

    QTest::mouseClick(header, Qt::LeftButton, {}, QPoint(widths[0] + widths[1] + widths[2] + 10, 8));
    EXPECT_EQ(w().catalogue().sortKey(), 4);
    EXPECT_TRUE(w().catalogue().sortAscending());
    EXPECT_TRUE(act("aWidokSortujData")->isChecked());
    act("aWidokSortujRozmiar")->trigger();
    EXPECT_EQ(w().catalogue().at(0).Nazwa, QStringLiteral("p03"));
    EXPECT_EQ(w().catalogue().sortKey(), 4); // the menu sorts but keeps the header's key
    EXPECT_TRUE(act("aWidokSortujRozmiar")->isChecked());
}

TEST_F(MainWindow, HeaderDragKeepsColumnLimits) {
    h.build();
    h.show(QSize(900, 600));
    act("aWidokSzczegoly")->trigger();
    ui::BrowserHeader* header = w().header();
    const int edge = header->widths()[0] + header->widths()[1];
    QTest::mousePress(header, Qt::LeftButton, {}, QPoint(edge, 8));
    QTest::mouseMove(header, QPoint(edge + 400, 8));
    QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(edge + 400, 8));
    EXPECT_EQ(header->widths()[1], 250);
    EXPECT_EQ(w().browser()->width(), header->totalWidth());
    EXPECT_EQ(header->edgeAt(header->widths()[0]), -1); // the mark column is fixed
}

TEST_F(MainWindow, ScrollIntoViewInBothViews) {
    open(30);
    const int view = w().sbPliki->viewport()->height();
    w().GoToPhoto(29);
    settle();
    EXPECT_EQ(scrollValue(), 14 * 116 + 116 - view); // two columns: row 14
    act("aWidokSzczegoly")->trigger();
    const int detailsView = w().sbPliki->viewport()->height();
    w().ScrollIntoView();
    // One row past the last is asked for; the scroll range ends at the last row.
    EXPECT_LT(w().sbPliki->verticalScrollBar()->maximum(), 31 * 18 + 18 - detailsView);
    EXPECT_EQ(scrollValue(), w().sbPliki->verticalScrollBar()->maximum());
}

TEST_F(MainWindow, WheelScrollsTheBrowserOnlyOverIt) {
    open(30);
    wheel(w().sbPliki, QPoint(60, 60), -120);
    EXPECT_EQ(scrollValue(), 120);
    wheel(w().pPaintBox, QPoint(60, 60), -120);
    EXPECT_EQ(scrollValue(), 120);
    wheel(w().sbPliki, QPoint(60, 60), 120);
    EXPECT_EQ(scrollValue(), 0);
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
    viewer->setFocus();
    QWindow* win = w().windowHandle();
    QTest::keyClick(win, Qt::Key_PageDown);
    EXPECT_EQ(w().catalogue().currentIndex(), 1);
    QTest::keyClick(win, Qt::Key_PageDown);
    QTest::keyClick(win, Qt::Key_PageDown); // on the last photo: nothing
    EXPECT_EQ(w().catalogue().currentIndex(), 2);
    QTest::keyClick(win, Qt::Key_PageUp);
    EXPECT_EQ(w().catalogue().currentIndex(), 1);
    EXPECT_EQ(viewer->keys,
              (QList<int>{Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp}));
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("p01"));
}

TEST_F(MainWindow, UploadSummaryFollowsMarksAndSpeed) {
    const QString folder = h.photoFolder(QStringLiteral("duze"));
    ASSERT_TRUE(writeBytes(folder + QStringLiteral("/a.jpg"), 700'000));
    ASSERT_TRUE(writeBytes(folder + QStringLiteral("/b.jpg"), 1'400'000));
    ASSERT_TRUE(writeBytes(folder + QStringLiteral("/c.jpg"), 2'100'000));
    ASSERT_TRUE(writeBytes(folder + QStringLiteral("/d.jpg"), 3'000));
    h.build();
    EXPECT_EQ(w().laWysylkaCz->text(), QStringLiteral("~0 @"));
    for (int i = 0; i < 3; ++i)
        w().catalogue().toggleMark(i);
    EXPECT_EQ(w().laWysylkaIl->text(), QStringLiteral("3"));
    EXPECT_EQ(w().laWysylkaWielk->text(), QStringLiteral("4200 KB"));
    EXPECT_EQ(w().laWysylkaCz->text(), QStringLiteral("~10 min @"));
    w().cbSpeed->setCurrentIndex(1);
    EXPECT_EQ(w().laWysylkaCz->text(), QStringLiteral("~5 min @"));
    act("aPlikZaznZaden")->trigger();
    EXPECT_EQ(w().laWysylkaCz->text(), QStringLiteral("~0 @"));
    w().catalogue().toggleMark(3);
    EXPECT_EQ(w().laWysylkaCz->text(), QStringLiteral("~1 sek @"));
    act("aPlikZaznOdwroc")->trigger();
    EXPECT_EQ(w().laWysylkaIl->text(), QStringLiteral("3"));
    act("aPlikZaznWszystkie")->trigger();
    EXPECT_EQ(w().laWysylkaWielk->text(), QStringLiteral("4203 KB"));
}

TEST_F(MainWindow, ACorruptPhotoGetsTheRedCrossAndACompleteFillEnablesTheWizard) {
    const QString folder = h.photoFolder(QStringLiteral("mix"));
    ASSERT_TRUE(writePhoto(folder + QStringLiteral("/a.jpg"), QSize(960, 300), Qt::blue));
    ASSERT_TRUE(writeBytes(folder + QStringLiteral("/b.jpg"), 5000));
    h.build();
    QAction* wizard = act("aEdycjaKreatorKadrowania");
    EXPECT_FALSE(wizard->isEnabled());
    w().StartThumbnailFill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wizard->isEnabled(); }, 20000));
    const QImage good = w().catalogue().at(0).Miniatura;
    const QImage bad = w().catalogue().at(1).Miniatura;
    ASSERT_EQ(good.size(), QSize(116, 116));
    ASSERT_EQ(bad.size(), QSize(116, 116));
    EXPECT_EQ(bad.pixelColor(58, 51), QColor(255, 0, 0));
    const QColor inside = good.pixelColor(58, 50);
    EXPECT_LT(inside.red(), 30);
    EXPECT_GT(inside.blue(), 220);
}

TEST_F(MainWindow, RefreshDuringTheFillStopsItAndKeepsTheWizardDisabled) {
    photos(6);
    h.build();
    QSemaphore gate;
    gateCells(gate);
    w().StartThumbnailFill();
    ASSERT_TRUE(w().thumbnailFill()->isRunning());
    act("aWidokOdswiez")->trigger();
    settle();
    EXPECT_FALSE(w().thumbnailFill()->isRunning());
    EXPECT_TRUE(w().tMiniatury->isActive()); // a new fill follows in 500 ms
    w().tMiniatury->stop();
    gate.release(1000);
    QTest::qWait(200); // the old generation's decodes finish and post their results
    for (const auto& e : w().catalogue().entries())
        EXPECT_TRUE(e.Miniatura.isNull()) << e.Nazwa.toStdString();
    EXPECT_FALSE(act("aEdycjaKreatorKadrowania")->isEnabled());
    // The next fill completes and enables it.
    w().StartThumbnailFill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return act("aEdycjaKreatorKadrowania")->isEnabled(); }, 20000));
    EXPECT_FALSE(w().catalogue().at(5).Miniatura.isNull());
}

TEST_F(MainWindow, ChooseFolderRescansAndCancelKeepsEverything) {
    photos(3);
    QDir(h.dir.path()).mkpath(QStringLiteral("inny"));
    ASSERT_TRUE(writeBytes(h.path(QStringLiteral("inny/x.jpg")), 10));
    h.build();
    const QString first = w().folder();
    act("aPlikWybierzFolder")->trigger(); // cancelled: folderAnswer is empty
    settle();
    EXPECT_EQ(w().folder(), first);
    EXPECT_EQ(w().catalogue().size(), 3);
    ASSERT_EQ(h.shell.calls.size(), 1);
    EXPECT_EQ(h.shell.calls[0],
              QStringLiteral("chooseFolder Wskarz folder, w którym umieściłeś swoje zdjęcia.|") + first);
    h.shell.folderAnswer = QDir::toNativeSeparators(h.path(QStringLiteral("inny")));
    w().catalogue().toggleMark(0);
    act("aPlikWybierzFolder")->trigger();
    settle();
    EXPECT_EQ(w().catalogue().size(), 1);
    EXPECT_EQ(w().catalogue().currentIndex(), 0);
    EXPECT_EQ(w().laKatalog->text(), QStringLiteral("inny"));
    EXPECT_EQ(w().laWysylkaIl->text(), QStringLiteral("0"));
    EXPECT_EQ(w().laNazwaPliku->text(), QStringLiteral("x"));
}

TEST_F(MainWindow, ShellServices) {
    QFile local(h.path(QStringLiteral("settings")));
    ASSERT_TRUE(local.open(QIODevice::WriteOnly));
    local.write("host=http://127.0.0.1:9/\n");
    local.close();
    photos(1);
    h.build();
    QTest::mouseClick(w().iLogo, Qt::LeftButton);
    act("aPomocPixvale")->trigger();
    act("aPromocjeWyswietl")->trigger();
    act("aPlikWlasciwosci")->trigger();
    EXPECT_EQ(
        h.shell.calls,
        (QStringList{QStringLiteral("openUrl http://127.0.0.1:9/"),
                     QStringLiteral("openUrl http://127.0.0.1:9/index.php?menu_pwd[117615]=%2F24&sbl=117682"),
                     QStringLiteral("showProperties ") + w().catalogue().at(0).Sciezka}));
}

TEST_F(MainWindow, SettingsAreWrittenAtCloseAndReadAtTheNextStart) {
    const QString folder = photos(2);
    h.build();
    // Small enough for the offscreen screen, so that no on-screen clamp applies at the next start.
    h.show(QSize(760, 560));
    act("aWidokSzczegoly")->trigger();
    w().cbSpeed->setCurrentIndex(1);
    w().sPodzial->setSizes({300, 456});
    h.close();
    ASSERT_TRUE(QFile::exists(h.path(QStringLiteral("store.ini"))));
    h.shell.documents.clear(); // the stored folder must win
    h.build();
    EXPECT_EQ(w().folder(), folder);
    EXPECT_EQ(w().viewKind(), ui::ViewKind::Details);
    EXPECT_TRUE(act("aWidokSzczegoly")->isChecked());
    EXPECT_EQ(w().cbSpeed->currentIndex(), 1);
    EXPECT_EQ(w().settings().panelWidth, 300);
    EXPECT_EQ(w().size(), QSize(760, 560));
}

TEST_F(MainWindow, ClosingWithAnEditAsksAndCancelKeepsTheWindow) {
    open(1, QSize(800, 600));
    w().document()->finish(); // the fake photo's read error comes first; only the close is of interest
    h.prompts.records.clear();
    w().document()->setModified(true);
    h.prompts.answers = {ui::Prompts::Answer::Cancel, ui::Prompts::Answer::No};
    EXPECT_FALSE(w().close());
    EXPECT_TRUE(w().isVisible());
    EXPECT_FALSE(QFile::exists(h.path(QStringLiteral("store.ini"))));
    ASSERT_EQ(h.prompts.records.size(), 1);
    EXPECT_EQ(h.prompts.records[0].kind, ui::Prompts::Kind::YesNoCancel);
    EXPECT_EQ(h.prompts.records[0].caption, QStringLiteral("Pytanie"));
    EXPECT_EQ(h.prompts.records[0].text, QStringLiteral("Obraz został zmieniony. Zapisać zmiany?"));
    EXPECT_TRUE(w().close()); // "No": closes without saving the photo, settings written
    EXPECT_TRUE(QFile::exists(h.path(QStringLiteral("store.ini"))));
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

TEST_F(MainWindow, ASortDuringTheFillStillGivesEveryPhotoItsOwnCell) {
    photos(8);
    h.build();
    QSemaphore gate;
    gateCells(gate);
    w().StartThumbnailFill();
    gate.release(2);
    QTest::qWait(50);
    act("aWidokSortujZazn")->trigger(); // equal marks: the order may change arbitrarily
    QTest::mouseClick(w().header(), Qt::LeftButton, {},
                      QPoint(w().header()->widths()[0] + w().header()->widths()[1] + 10, 8));
    ASSERT_EQ(w().catalogue().at(0).Nazwa, QStringLiteral("p07")); // smallest first
    gate.release(100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return act("aEdycjaKreatorKadrowania")->isEnabled(); }, 20000));
    for (const auto& e : w().catalogue().entries()) {
        ASSERT_FALSE(e.Miniatura.isNull()) << e.Nazwa.toStdString();
        EXPECT_EQ(e.Miniatura.pixelColor(0, 0).red(), e.Nazwa.mid(1).toInt() * 10) << e.Nazwa.toStdString();
    }
}

TEST_F(MainWindow, EveryControlOfOursHasAName) {
    h.build();
    QStringList unnamed;
    for (QWidget* c : w().findChildren<QWidget*>()) {
        const bool ours = qobject_cast<QLabel*>(c) || qobject_cast<QComboBox*>(c) ||
                          qobject_cast<ui::PictureButton*>(c) || qobject_cast<QMenu*>(c) ||
                          qobject_cast<QScrollArea*>(c) || qobject_cast<QSplitter*>(c);
        // Labels inside Qt's own composite widgets are not ours.
        const bool insideQt = c->parentWidget() && (qobject_cast<QComboBox*>(c->parentWidget()) ||
                                                    qobject_cast<QMenu*>(c->parentWidget()));
        if (ours && !insideQt && c->objectName().isEmpty())
            unnamed << QString::fromLatin1(c->metaObject()->className());
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char(' ')).toStdString();
    const QString named = QStringLiteral(
        "pLeft pLeftGora pLista pLeftDol sPodzial pObraz pObrazToolbar pPaintBox pObrazInfo sbPliki pbTlo "
        "hcNaglowek laKatalog laNazwaPliku laRozmiarPliku laWagaPliku laZoom laWysylkaIl laWysylkaWielk "
        "laWysylkaCz cbSpeed iLogo pEdycjaKadrowanie pEdycjaRedEye tMiniatury tSprawdzWersje");
    for (const QString& name : named.split(QLatin1Char(' ')))
        EXPECT_NE(w().findChild<QObject*>(name), nullptr) << name.toStdString();
}

} // namespace
