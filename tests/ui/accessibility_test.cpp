// Every window as a screen reader meets it, through Qt's own accessibility interfaces: each control a
// customer can operate has a role, a Polish name, can take the focus, and is told apart from its
// siblings; the drawn buttons can be pressed from the keyboard and through their press action.
#include "uitestsupport.h"

#include "core/settings.h"
#include "ui/common/picturebutton.h"
#include "ui/edit/adjustmentdialog.h"
#include "ui/edit/tfozapisz.h"
#include "ui/info/tfoabout.h"
#include "ui/info/tfoexif.h"
#include "ui/upload/tfoopcje.h"
#include "ui/upload/tfowysylanie.h"

#include <QAccessible>
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
        const QString where = path + QLatin1Char('/') + child->object()->objectName();
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

} // namespace
