// The keyboard's ways to what the mouse drags or clicks: the details header's sorting, the crop frame
// and the upload wizard's links.
#include "service/servicepages.h"
#include "ui/browser/browserheader.h"
#include "ui/edit/croptool.h"
#include "ui/viewer/imageviewcontroller.h"
#include "upload/wizardharness.h"

namespace {

void focusByTab(QWidget* w) {
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(w, &in);
}

TEST(KeyboardRoutes, TheHeaderSortsByTheColumnTheArrowsChose) {
    ui::BrowserHeader header;
    QSignalSpy sorted(&header, &ui::BrowserHeader::sectionClicked);
    header.setSort(2, true);
    focusByTab(&header);
    int column = 2; // the arrows start at the sort column and stop at "Nazwa" and "Data"
    QRandomGenerator random(24);
    for (int i = 0; i < 60; ++i) {
        const Qt::Key key =
            std::array{Qt::Key_Left, Qt::Key_Right, Qt::Key_Space, Qt::Key_Return}[random.bounded(4)];
        QTest::keyClick(&header, key);
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            column = std::clamp(column + (key == Qt::Key_Left ? -1 : 1), 1, 3);
            continue;
        }
        ASSERT_FALSE(sorted.isEmpty());
        EXPECT_EQ(sorted.takeLast().at(0).toInt(), column);
    }
}

struct KeyboardCrop : uitest::WindowTest {};

TEST_F(KeyboardCrop, EnterFramesTheFormatAndTheArrowsKeepItInsideInProportion) {
    const QString folder = h.photoFolder(QStringLiteral("zdjecia"));
    ASSERT_TRUE(uitest::writePhoto(folder + QStringLiteral("/a.jpg"), QSize(1200, 1000), Qt::blue));
    h.build();
    h.show(QSize(1000, 700));
    settle();
    act("aEdycjaKadrowanie")->trigger();
    w().pEdycjaKadrowanie->findChild<QRadioButton*>(QStringLiteral("rbKadrowanie1015"))->click();
    ImageView& view = *w().ivObraz;
    QTest::keyClick(&view, Qt::Key_Return);
    ASSERT_TRUE(w().cropTool()->hasSelection());

    // The format's proportion about the photo's centre; then no arrow takes it out of the photo or its
    // proportion (within a pixel's rounding).
    const imaging::PrintFormat& format = *w().cropTool()->choice().format();
    const auto check = [&format](const QRect& r) {
        EXPECT_TRUE(QRect(0, 0, 1200, 1000).contains(r));
        EXPECT_LE(std::abs(std::max(r.width(), r.height()) * format.shortSideMm -
                           std::min(r.width(), r.height()) * format.longSideMm),
                  format.longSideMm + format.shortSideMm);
    };
    QRect r = w().cropTool()->selectionRect();
    check(r);
    EXPECT_LE((r.center() - QPoint(600, 500)).manhattanLength(), 2);
    QRandomGenerator random(7);
    const std::array keys{Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
    const std::array modifiers{Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier};
    for (int i = 0; i < 150 && !HasFailure(); ++i) {
        const Qt::Key key = keys[random.bounded(4)];
        const Qt::KeyboardModifier modifier = modifiers[random.bounded(3)];
        QTest::keyClick(&view, key, modifier);
        const QRect now = w().cropTool()->selectionRect();
        check(now);
        if (modifier != Qt::ControlModifier) { // a move keeps the size and goes as far as the photo lets it
            EXPECT_EQ(now.size(), r.size());
            const int step = modifier == Qt::ShiftModifier ? 10 : 1;
            const QPoint d = key == Qt::Key_Left    ? QPoint(-step, 0)
                             : key == Qt::Key_Right ? QPoint(step, 0)
                             : key == Qt::Key_Up    ? QPoint(0, -step)
                                                    : QPoint(0, step);
            const QPoint to(std::clamp(r.x() + d.x(), 0, 1200 - r.width()),
                            std::clamp(r.y() + d.y(), 0, 1000 - r.height()));
            EXPECT_EQ(now.topLeft(), to);
        }
        r = now;
    }
    EXPECT_EQ(w().laZaznaczenie->text(), QStringLiteral("Wymiar: %1x%2").arg(r.width()).arg(r.height()));
}

struct WizardLinks : uitest::WizardTest {};

TEST_F(WizardLinks, TabAndSpaceFollowALinkAsAClickDoes) {
    start(1);
    openWizard();
    auto* link = wizard().findChild<QLabel*>(QStringLiteral("laZapomnialemHaslo"));
    wizard().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wizard()));
    link->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(link->hasFocus());
    QTest::keyClick(link, Qt::Key_Space);
    EXPECT_TRUE(h.shell.calls.contains(QStringLiteral("openUrl ") + service::ForgottenPasswordPage()));
}

} // namespace
