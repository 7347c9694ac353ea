// A customer with the keyboard alone: from the photo list to a corrected copy on disk and the marked
// photos on the service, with nothing but key presses sent to whatever has the focus.
#include "wizardharness.h"

#include "core/catalogue.h"
#include "document/photodocument.h"
#include "ui/browser/photobrowser.h"
#include "ui/common/picturebutton.h"
#include "ui/edit/tfozapisz.h"
#include "ui/upload/wordpicture.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>

namespace {

using uitest::WizardTest;

// A key to the focused control, the way a keyboard delivers it (shortcuts first).
void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, k, modifiers);
}

// A window just shown takes the keyboard, as the window system gives it (the offscreen platform does
// not by itself).
bool activated(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// Tab until `target` has the focus; false when the Tab chain never reaches it.
bool tabTo(QWidget* target) {
    for (int i = 0; i < 100 && QApplication::focusWidget() != target; ++i)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : target->window(),
                        Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

TEST_F(WizardTest, KeyboardOnlyJourneyFromTheListToTheSentReport) {
    start(5);
    core::Catalogue& catalogue = w().catalogue();
    for (int i = 0; i < catalogue.size(); ++i)
        catalogue.at(i).Zaznaczony = false;
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));

    // The first photo opened from the list.
    ASSERT_TRUE(tabTo(w().browser()));
    key(Qt::Key_Home);
    uitest::settle(w());
    EXPECT_EQ(catalogue.currentIndex(), 0);

    // Turned and sharpened through the Edycja menu's keys; saving the edits is offered once there are some.
    auto* saveEdits = w().menuBar()->findChild<QAction*>(QStringLiteral("miEdycjaZapisz"));
    ASSERT_NE(saveEdits, nullptr);
    EXPECT_FALSE(saveEdits->isVisible());
    const QSize before = w().document()->bitmap().size();
    key(Qt::Key_R, Qt::ControlModifier);
    key(Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    uitest::settle(w());
    EXPECT_EQ(w().document()->bitmap().size(), before.transposed());
    EXPECT_TRUE(w().isModified());
    EXPECT_TRUE(saveEdits->isVisible());
    EXPECT_EQ(saveEdits->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));

    // Saved under a new name: the dialog is driven by keys too.
    w().runDialog = [](QDialog& d) {
        d.show();
        EXPECT_TRUE(activated(&d));
        auto& save = dynamic_cast<ui::TfoZapisz&>(d);
        EXPECT_TRUE(tabTo(save.eNowyPlik));
        key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(save.eNowyPlik, QStringLiteral("poprawione"));
        key(Qt::Key_Return);
        EXPECT_TRUE(activated(d.parentWidget()));
        return d.result();
    };
    key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    uitest::settle(w());
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/poprawione.jpg")));
    EXPECT_FALSE(w().isModified());

    // Three photos marked (a save's rescan starts the marks afresh, so they come after it).
    ASSERT_TRUE(tabTo(w().browser()));
    key(Qt::Key_Home);
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            key(Qt::Key_Down);
        uitest::settle(w());
        key(Qt::Key_Space);
    }
    EXPECT_EQ(catalogue.selectedCount(), 3);
    EXPECT_TRUE(catalogue.at(catalogue.currentIndex()).Zaznaczony); // the list may sort by marks

    // The upload: reached by Tab, logged in, sent, the report closed.
    ASSERT_TRUE(tabTo(w().iWyslijZdjecia));
    key(Qt::Key_Space);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wizard()));
    ASSERT_TRUE(activated(&wizard()));
    ASSERT_EQ(wizard().step(), 1);
    ASSERT_TRUE(tabTo(wizard().eLogin));
    QTest::keyClicks(wizard().eLogin, QStringLiteral("demo@pixvale.example"));
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), wizard().eHaslo);
    QTest::keyClicks(wizard().eHaslo, QStringLiteral("demo"));
    // Enter is the step's own: it logs in even with the focus on the cancel button.
    ASSERT_TRUE(tabTo(wizard().iKrok1Anuluj));
    key(Qt::Key_Return);
    ASSERT_TRUE(albumsShown());
    key(Qt::Key_Return);
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(wizard().step(), 4);
    EXPECT_EQ(reportRows().size(), 3);
    EXPECT_EQ(uploadFields().size(), 3);
    key(Qt::Key_Escape);
    EXPECT_FALSE(wizard().isVisible());
}

} // namespace
