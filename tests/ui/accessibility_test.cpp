// Every window as a screen reader meets it, through Qt's own accessibility interfaces: each control a
// customer can operate has a role, a Polish name, can take the focus, and is told apart from its
// siblings; the drawn buttons can be pressed through their press action.
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

namespace {

bool interactive(QAccessible::Role role) {
    static const QSet<QAccessible::Role> roles{
        QAccessible::Button,       QAccessible::CheckBox, QAccessible::RadioButton,
        QAccessible::EditableText, QAccessible::Slider,   QAccessible::ComboBox,
        QAccessible::SpinBox,      QAccessible::Table,    QAccessible::List};
    return roles.contains(role);
}

// Walks the visible tree below `node`, telling what is wrong with any interactive object in it.
void walk(QAccessibleInterface* node, const QString& path, int& interactives, QStringList& faults) {
    QSet<QString> seen;
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        const QString name = child->text(QAccessible::Name);
        const QString where =
            path + '/' + (child->object() ? child->object()->objectName() : QString::number(i));
        const QString key = QString::number(child->role()) + '|' + name;
        const bool pressable = child->actionInterface() && child->actionInterface()->actionNames().contains(
                                                               QAccessibleActionInterface::pressAction());
        if (interactive(child->role())) {
            ++interactives;
            for (const auto& [fault, what] :
                 {std::pair{name.trimmed().isEmpty(), "no name"},
                  {!child->state().focusable, "cannot take the focus"},
                  {!name.isEmpty() && seen.contains(key), "shares its name"},
                  {qobject_cast<ui::PictureButton*>(child->object()) && !pressable, "no press action"}})
                if (fault)
                    faults << where + ": " + what;
            seen.insert(key);
        }
        walk(child, where, interactives, faults);
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
    const ui::TfoWysylanie::Context context{&prompts, &shell, &settings};
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
        {"TfoWysylanie", [&] { return std::make_unique<ui::TfoWysylanie>(context); }, 5},
    };
    for (const auto& row : windows) {
        SCOPED_TRACE(row.window);
        std::unique_ptr<QWidget> window = row.make();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        int interactives = 0;
        QStringList faults;
        walk(QAccessible::queryAccessibleInterface(window.get()), QString::fromLatin1(row.window),
             interactives, faults);
        EXPECT_GE(interactives, row.minimum);
        EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
        window->hide();
    }
}

// The list and the view show where the focus is (the list marks its current entry, the view gets a
// frame); then seeded random key presses on the list in both views, each checked against a plain model
// of the current photo and the marks, and against what the list tells a screen reader.
TEST_F(Accessibility, TheFocusIsSeenAndThePhotoListIsWalkedAndMarkedWithKeys) {
    photos(7);
    h.build();
    h.show(QSize(700, 600));
    settle();
    ui::PhotoBrowser* list = w().browser();
    w().ivObraz->setFocus();
    const QImage unfocused = list->grab().toImage();
    const QFocusFrame* frame = w().ivObraz->parentWidget()->findChild<QFocusFrame*>();
    ASSERT_TRUE(frame && frame->isVisible() && frame->geometry().contains(w().ivObraz->geometry()));
    list->setFocus();
    EXPECT_TRUE(list->hasFocus() && !frame->isVisible() && list->grab().toImage() != unfocused);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(list);
    ASSERT_TRUE(face->role() == QAccessible::List && face->childCount() == 7);
    const core::Catalogue& catalogue = w().catalogue();
    int current = catalogue.currentIndex();
    QList<bool> marks(7, false);
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
            // Left and Right move by one in the grid only; Up and Down by a row; Home and End to the ends.
            const int moves[] = {icons ? -1 : 0, icons ? 1 : 0, -columns, columns, -7, 7, 0};
            const int target =
                current + moves[std::find(std::begin(keys), std::end(keys), key) - std::begin(keys)];
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
                EXPECT_TRUE(catalogue.at(i).Zaznaczony == marks[i] && item->state().checked == marks[i] &&
                            item->state().focused == (i == current) && face->indexOfChild(item) == i &&
                            item->text(QAccessible::Name) ==
                                catalogue.at(i).Nazwa + catalogue.at(i).Rozszerzenie)
                    << i;
            }
        }
    }
}

} // namespace
