// A customer with the keyboard alone: from the main window to the marked photos on the service, with
// nothing but key presses sent to whatever has the focus.
#include "ui/common/picturebutton.h"
#include "wizardharness.h"

namespace {

// A key to the focused control, the way a keyboard delivers it (shortcuts first).
void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    QTest::keyClick(focus, k, modifiers);
}

// Tab until `target` has the focus; false when the Tab chain never reaches it.
bool tabTo(QWidget* target) {
    for (int i = 0; i < 100 && QApplication::focusWidget() != target; ++i)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : target->window(),
                        Qt::Key_Tab);
    return QApplication::focusWidget() == target;
}

using uitest::WizardTest;

TEST_F(WizardTest, KeyboardOnlyJourneyFromTheMainWindowToTheSentReport) {
    start(4); // all marked
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    // The upload: reached by Tab, logged in (Enter is the step's own, even on the cancel button), sent.
    ASSERT_TRUE(tabTo(w().iWyslijZdjecia));
    key(Qt::Key_Space);
    wizard().activateWindow(); // as the window system gives a window just shown (offscreen does not)
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &wizard(); }));
    ASSERT_TRUE(tabTo(wizard().eLogin));
    QTest::keyClicks(wizard().eLogin, QStringLiteral("demo@pixvale.example"));
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), wizard().eHaslo);
    QTest::keyClicks(wizard().eHaslo, QStringLiteral("demo"));
    ASSERT_TRUE(tabTo(wizard().iKrok1Anuluj));
    key(Qt::Key_Return);
    ASSERT_TRUE(albumsShown());
    key(Qt::Key_Return);
    ASSERT_TRUE(uploadFinished());
    EXPECT_EQ(reportColumn(1).size(), 4);
    key(Qt::Key_Escape);
    EXPECT_FALSE(wizard().isVisible());
}

} // namespace
