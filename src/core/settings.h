#pragma once

// The settings record: every option that survives a restart, loaded once when the main window is built
// and saved once when it closes, plus the two values the local "settings" file supplies. Plain data for
// the user-interface thread; loading and saving go through a SettingsStore.
#include <QRect>
#include <QSize>
#include <QString>

#include <array>
#include <optional>

namespace core {

class SettingsStore;

// "http://" + the built-in host + "/".
QString builtInServiceBase();

// The folder to show: the stored one when it is an existing folder, else the documents folder.
QString photoFolderFor(const QString& stored, const QString& documents);

// The stored "state" value of a window: 1 normal, 2 minimised, 3 maximised.
int stateValueOf(Qt::WindowStates states);
// The window state a stored value asks for; nothing for 0 and unknown values (keep the designed state).
std::optional<Qt::WindowState> windowStateOf(int stored);
// The rectangle a window returns to when it is restored: its normal geometry while it is minimised,
// maximised or full screen, else its geometry.
QRect restoredRectangle(Qt::WindowStates states, const QRect& geometry, const QRect& normalGeometry);

struct Settings {
    enum ViewKind { IconsView = 0, DetailsView = 1 };

    QString directory;
    qint32 left = 0;
    qint32 top = 0;
    qint32 width = 0;
    qint32 height = 0;
    qint32 panelWidth = 265;
    qint32 panelKind = IconsView;
    qint32 connectionSpeed = 0;
    qint32 saveQuality = 80;
    std::array<qint32, 4> columnWidths = {32, 80, 55, 90};
    qint32 state = 0; // 0 keeps the designed state; else as stateValueOf
    bool remember = false;
    QString email;
    QString password;
    bool proxyUse = false;
    QString proxyUsername;
    QString proxyPassword;
    QString proxyServer;
    qint32 proxyPort = 0;
    bool proxyBasicAuthentication = false;
    bool viewQuality = false;
    bool autoUpdate = true;

    // Not stored in the store: the local settings file may change them.
    QString serviceBase = builtInServiceBase();
    QString clientId;

    // Reads every value, applying defaults and checks value by value. The window defaults to the
    // work area's right and bottom edges and is kept on a screen of the given size (the work area's
    // extent when none is given).
    void load(const SettingsStore& store, const QRect& workArea, QSize screen = {});
    // Writes every value; false when the store could not be written.
    bool save(SettingsStore& store) const;

    // Takes the window's state and restored rectangle for the next save.
    void takeWindowPlacement(Qt::WindowStates states, const QRect& restored);
};

} // namespace core
