// Every window as a screen reader meets it, through Qt's own accessibility interfaces: each control a
// customer can operate has a role, a Polish name, can take the focus, and is told apart from its
// siblings; the drawn buttons can be pressed from the keyboard and through their press action.
#include "uitestsupport.h"

#include "core/catalogue.h"
#include "core/settings.h"
#include "ui/browser/photobrowser.h"
#include "ui/common/picturebutton.h"
#include "ui/edit/adjustmentdialog.h"
#include "ui/edit/tfozapisz.h"
#include "ui/info/tfoabout.h"
#include "ui/info/tfoexif.h"
#include "ui/upload/tfoopcje.h"
#include "ui/upload/tfowysylanie.h"

#include <QAccessible>
#include <QFocusFrame>
#include <QLabel>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

#include <functional>
#include <memory>

namespace {

bool interactive(QAccessible::Role role) {
    switch (role) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::Table:
    case QAccessible::List:
        return true;
    default:
        return false;
    }
}

struct Census {
    int interactive = 0;
    QStringList faults;
};

// Walks the visible tree below `node`, checking every interactive object.
void walk(QAccessibleInterface* node, const QString& path, Census& census) {
    QSet<QString> seen;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        const QString name = child->text(QAccessible::Name);
        const QString where =
            path + QLatin1Char('/') + (child->object() ? child->object()->objectName() : QString::number(i));
        if (interactive(child->role())) {
            ++census.interactive;
            if (name.trimmed().isEmpty())
                census.faults << where + QStringLiteral(": no name");
            if (!child->state().focusable)
                census.faults << where + QStringLiteral(": cannot take the focus");
            const QString key = QString::number(child->role()) + QLatin1Char('|') + name;
            if (!name.isEmpty() && seen.contains(key))
                census.faults << where + QStringLiteral(": shares its name \"") + name + QLatin1Char('"');
            seen.insert(key);
            if (qobject_cast<ui::PictureButton*>(child->object()) &&
                (!child->actionInterface() || !child->actionInterface()->actionNames().contains(
                                                  QAccessibleActionInterface::pressAction())))
                census.faults << where + QStringLiteral(": no press action");
        }
        walk(child, where, census);
    }
}

class Accessibility : public uitest::WindowTest {
protected:
    core::Settings settings;
    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
};

TEST_F(Accessibility, EveryWindowNamesEveryControl) {
    h.build();
    using Make = std::function<std::unique_ptr<QWidget>()>;
    const QImage photo = uitest::plain({40, 30}, Qt::gray);
    const auto noPreview = [](const QImage&, const QImage&) {};
    const struct {
        const char* window;
        Make make;
        int minimum; // interactive objects at least there
    } windows[] = {
        {"TfoGlowny", [&] { return std::unique_ptr<QWidget>(h.window.release()); }, 20},
        {"TfoZapisz", [&] { return std::make_unique<ui::TfoZapisz>(prompts); }, 6},
        {"TfoJasnoscKontrast", [&] { return std::make_unique<ui::TfoJasnoscKontrast>(photo, noPreview); }, 5},
        {"TfoHSL", [&] { return std::make_unique<ui::TfoHSL>(photo, noPreview); }, 6},
        {"TfoAbout", [&] { return std::make_unique<ui::TfoAbout>(ui::AboutTexts{}); }, 1},
        {"TfoEXIF", [&] { return std::make_unique<ui::TfoEXIF>(ui::PhotoDetails{}); }, 2},
        {"TfoOpcje", [&] { return std::make_unique<ui::TfoOpcje>(prompts); }, 11},
        {"TfoWysylanie",
         [&] {
             return std::make_unique<ui::TfoWysylanie>(
                 ui::TfoWysylanie::Context{&prompts, &shell, &settings});
         },
         5},
    };
    for (const auto& row : windows) {
        SCOPED_TRACE(row.window);
        std::unique_ptr<QWidget> window = row.make();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        Census census;
        walk(QAccessible::queryAccessibleInterface(window.get()), QString::fromLatin1(row.window), census);
        EXPECT_GE(census.interactive, row.minimum);
        EXPECT_TRUE(census.faults.isEmpty()) << census.faults.join(QLatin1Char('\n')).toStdString();
        window->hide();
    }
}

TEST_F(Accessibility, TheTwoTurnsAndTheProxyFieldsHaveTheirOwnNames) {
    h.build();
    const auto nameOf = [](QWidget* w) {
        return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
    };
    EXPECT_EQ(nameOf(w().findChild<QWidget*>("iEdycjaObrotL")), QStringLiteral("Obróć w lewo"));
    EXPECT_EQ(nameOf(w().findChild<QWidget*>("iEdycjaObrotP")), QStringLiteral("Obróć w prawo"));
    ui::TfoOpcje options(prompts);
    const struct {
        const char* field;
        const char* name;
    } fields[] = {{"eProxyServer", "Serwer"},
                  {"eProxyPort", "Port"},
                  {"eProxyUser", "Użytkownik"},
                  {"eProxyPassword", "Hasło"},
                  {"cbProxyUse", "Używaj serwera proxy"}};
    for (const auto& f : fields)
        EXPECT_EQ(nameOf(options.findChild<QWidget*>(f.field)), QString::fromUtf8(f.name)) << f.field;
}

TEST_F(Accessibility, PictureButtonsArePressedByKeysAndByTheirAction) {
    QWidget holder;
    auto* button = new ui::PictureButton(QStringLiteral("iTest"), QStringLiteral(":/pictures/ok.svg"),
                                         QSize(40, 40), &holder);
    button->setHint(QStringLiteral("Wyostrz obraz|Wyostrza"));
    int presses = 0;
    QObject::connect(button, &ui::PictureButton::clicked, [&] { ++presses; });
    holder.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
    button->clearFocus();
    const QImage unfocused = button->grab().toImage();
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    const QImage focused = button->grab().toImage();
    EXPECT_NE(focused, unfocused); // the focus can be seen
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(button, key);
    EXPECT_EQ(presses, 3);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
    EXPECT_EQ(face->role(), QAccessible::Button);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Wyostrz obraz"));
    face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(presses, 4);
    button->setEnabled(false);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(presses, 4);
}

// The photo list and the image view show where the focus is: the list marks its current entry, the
// view gets a frame around it.
TEST_F(Accessibility, TheFocusIsSeenOnTheListAndTheView) {
    photos(3);
    h.build();
    h.show(QSize(700, 600));
    settle();
    ui::PhotoBrowser* list = w().browser();
    ImageView* view = w().ivObraz;
    view->setFocus();
    ASSERT_TRUE(view->hasFocus());
    const QImage unfocused = list->grab().toImage();
    QFocusFrame* frame = view->parentWidget()->findChild<QFocusFrame*>();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->geometry().contains(view->geometry()));
    list->setFocus();
    ASSERT_TRUE(list->hasFocus());
    EXPECT_FALSE(frame->isVisible());
    EXPECT_NE(list->grab().toImage(), unfocused);
}

TEST_F(Accessibility, EnterConfirmsAndEscapeCancelsTheDialogs) {
    const QImage photo = uitest::plain({40, 30}, Qt::gray);
    const auto noPreview = [](const QImage&, const QImage&) {};
    ui::TfoZapisz save(prompts);
    save.prepare(QStringLiteral("nowe"), QStringLiteral("stare"), QStringLiteral("/tmp"), 80);
    ui::TfoJasnoscKontrast adjust(photo, noPreview);
    ui::TfoOpcje options(prompts);
    ui::TfoAbout about(ui::AboutTexts{});
    const struct {
        const char* window;
        QDialog* dialog;
        int onEnter;
    } rows[] = {{"TfoZapisz", &save, 301},
                {"TfoJasnoscKontrast", &adjust, QDialog::Accepted},
                {"TfoOpcje", &options, QDialog::Accepted},
                {"TfoAbout", &about, QDialog::Accepted}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.window);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            row.dialog->setResult(-1);
            row.dialog->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(row.dialog));
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : row.dialog, key);
            EXPECT_FALSE(row.dialog->isVisible());
            EXPECT_EQ(row.dialog->result(), key == Qt::Key_Return ? row.onEnter : int(QDialog::Rejected));
        }
    }
}

// Seeded random key presses on the photo list in both views, each checked against a plain model of
// the current photo and the marks, and against what the list tells a screen reader.
TEST_F(Accessibility, ThePhotoListIsWalkedAndMarkedWithKeys) {
    photos(7);
    h.build();
    h.show(QSize(700, 600));
    settle();
    ui::PhotoBrowser* list = w().browser();
    list->setFocus();
    ASSERT_TRUE(list->hasFocus());
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(list);
    ASSERT_EQ(face->role(), QAccessible::List);
    ASSERT_EQ(face->childCount(), 7);
    const core::Catalogue& catalogue = w().catalogue();
    int current = catalogue.currentIndex();
    QList<bool> marks;
    for (int i = 0; i < catalogue.size(); ++i)
        marks << catalogue.at(i).Zaznaczony;
    const Qt::Key keys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up,   Qt::Key_Down,
                            Qt::Key_Home, Qt::Key_End,   Qt::Key_Space};
    QRandomGenerator random(23);
    for (const char* view : {"aWidokIkony", "aWidokSzczegoly"}) {
        act(view)->trigger();
        settle();
        const bool icons = QByteArray(view) == "aWidokIkony";
        const int columns = icons ? list->layoutInfo().columns : 1;
        for (int step = 0; step < 40; ++step) {
            const Qt::Key key = keys[random.bounded(int(std::size(keys)))];
            SCOPED_TRACE(testing::Message() << view << " step " << step << " key " << key);
            int target = current;
            switch (key) {
            case Qt::Key_Left:
                target -= icons ? 1 : 0;
                break;
            case Qt::Key_Right:
                target += icons ? 1 : 0;
                break;
            case Qt::Key_Up:
                target -= columns;
                break;
            case Qt::Key_Down:
                target += columns;
                break;
            case Qt::Key_Home:
                target = 0;
                break;
            case Qt::Key_End:
                target = 6;
                break;
            default:
                break;
            }
            if (key == Qt::Key_Space && current >= 0)
                marks[current] = !marks[current];
            current = current < 0 ? 0 : qBound(0, target, 6);
            QTest::keyClick(list, key);
            settle();
            ASSERT_EQ(catalogue.currentIndex(), current);
            EXPECT_EQ(w().laNazwaPliku->text(), catalogue.at(current).Nazwa); // opened as by a click
            for (int i = 0; i < 7; ++i) {
                QAccessibleInterface* item = face->child(i);
                ASSERT_NE(item, nullptr);
                EXPECT_EQ(catalogue.at(i).Zaznaczony, marks[i]) << i;
                EXPECT_EQ(item->state().checked, marks[i]) << i;
                EXPECT_EQ(item->state().focused, i == current) << i;
                EXPECT_EQ(item->text(QAccessible::Name),
                          catalogue.at(i).Nazwa + catalogue.at(i).Rozszerzenie);
                EXPECT_EQ(face->indexOfChild(item), i);
            }
        }
    }
}

} // namespace
