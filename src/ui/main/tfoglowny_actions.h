#pragma once

// The main window's command list as data: every action with its category, caption, hint and shortcuts,
// and the shape of the main menu and of the two context menus. The window builds its actions and menus
// from these tables; nothing here needs a widget.
#include <QKeySequence>
#include <QList>
#include <QString>

namespace ui {

struct ActionSpec {
    QString name;
    QString category;
    QString caption;
    QString hint;                  // empty when the action has none
    QList<QKeySequence> shortcuts; // first is the one shown in menus
    bool checkable = false;
};

// Every action of `alAkcje`, in the list's order.
const QList<ActionSpec>& actionSpecs();

// One entry of a menu: an action name, "-" for a separator, or ">Caption|objectName" opening a submenu
// that ends at "<".
struct MenuSpec {
    QString name;    // object name of the menu
    QString caption; // "&Plik"; empty for context menus
    QStringList entries;
    bool visible = true;
};

// The main menu `mmMenu`, top level in order.
const QList<MenuSpec>& mainMenuSpecs();
// Context menus `pmPliki` (browser) and `pmObraz` (viewer).
const MenuSpec& browserMenuSpec();
const MenuSpec& viewerMenuSpec();

// The editing commands reached otherwise only through picture buttons get an entry of their own in the
// "Edycja" menu, with a caption and a key; the entry runs the named action and follows its enabled
// state, so the action itself keeps its caption. An empty action name is a separator.
struct MenuEntrySpec {
    QString action;
    QString caption;
    QKeySequence shortcut;
};
const QList<MenuEntrySpec>& editMenuEntries();

// Page Down and Page Up step through the photos but are previewed by the window rather than taken as
// shortcuts, so that the focused control (the viewer) still receives them.
bool isPreviewedKey(const QKeySequence& key);

} // namespace ui
