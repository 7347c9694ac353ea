#include "core/settings.h"

#include "core/settingsstore.h"

#include <buildconfig.h>

#include <QFileInfo>

#include <algorithm>
#include <limits>

namespace core {

namespace {

// Keeps a window edge pair on a screen of the given extent. A window that starts beyond the middle of
// the screen would get no size at all from the shrinking rule; it goes back to the screen's edge.
void fitOnScreen(qint32& start, qint32& extent, qint32 screen) {
    if (qint64(screen) >= qint64(start) + qint64(extent))
        return;
    const qint64 shrunk = qint64(screen) - 2 * qint64(start);
    if (shrunk > 0) {
        extent = static_cast<qint32>(std::min<qint64>(shrunk, std::numeric_limits<qint32>::max()));
    } else {
        start = 0;
        extent = std::min(extent, screen);
    }
}

qint32 atLeast(std::optional<qint32> stored, qint32 fallback, qint32 minimum) {
    return std::max(stored.value_or(fallback), minimum);
}

bool flag(std::optional<qint32> stored, bool fallback) {
    return stored ? *stored != 0 : fallback;
}

const QString kDirectory = QStringLiteral("directory");
const QString kLeft = QStringLiteral("left");
const QString kTop = QStringLiteral("top");
const QString kWidth = QStringLiteral("width");
const QString kHeight = QStringLiteral("height");
const QString kPanelWidth = QStringLiteral("panel_width");
const QString kPanelKind = QStringLiteral("panel_kind");
const QString kConnectionSpeed = QStringLiteral("connection_speed");
const QString kSaveQuality = QStringLiteral("savequality");
const std::array<QString, 4> kColumnWidths = {
    QStringLiteral("list_c0_width"), QStringLiteral("list_c1_width"), QStringLiteral("list_c2_width"),
    QStringLiteral("list_c3_width")};
const QString kState = QStringLiteral("state");
const QString kRemember = QStringLiteral("remember");
const QString kEmail = QStringLiteral("email");
const QString kPassword = QStringLiteral("password");
const QString kProxyUse = QStringLiteral("ProxyUse");
const QString kProxyUsername = QStringLiteral("ProxyUsername");
const QString kProxyPassword = QStringLiteral("ProxyPassword");
const QString kProxyServer = QStringLiteral("ProxyServer");
const QString kProxyPort = QStringLiteral("ProxyPort");
const QString kProxyBasic = QStringLiteral("ProxyBasicAutentication");
const QString kViewQuality = QStringLiteral("ViewQuality");
const QString kAutoUpdate = QStringLiteral("AutoUpdate");

// Defaults before the minimums apply: the "Rozmiar" column's 45 is raised to 55 on every load.
constexpr std::array<qint32, 4> kColumnDefaults = {32, 80, 45, 90};
constexpr std::array<qint32, 4> kColumnMinimums = {32, 40, 55, 40};

} // namespace

QString builtInServiceBase() {
    return QStringLiteral("http://") + QString::fromLatin1(build::kServiceHost) + QLatin1Char('/');
}

QString photoFolderFor(const QString& stored, const QString& documents) {
    return !stored.isEmpty() && QFileInfo(stored).isDir() ? stored : documents;
}

int stateValueOf(Qt::WindowStates states) {
    if (states & Qt::WindowMinimized)
        return 2;
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return 3;
    return 1;
}

std::optional<Qt::WindowState> windowStateOf(int stored) {
    switch (stored) {
    case 1:
        return Qt::WindowNoState;
    case 2:
        return Qt::WindowMinimized;
    case 3:
        return Qt::WindowMaximized;
    default:
        return std::nullopt;
    }
}

QRect restoredRectangle(Qt::WindowStates states, const QRect& geometry, const QRect& normalGeometry) {
    const bool away = states & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    return away && normalGeometry.isValid() ? normalGeometry : geometry;
}

void Settings::load(const SettingsStore& store, const QRect& workArea, QSize screen) {
    const qint32 rightEdge = workArea.x() + workArea.width();
    const qint32 bottomEdge = workArea.y() + workArea.height();
    if (!screen.isValid())
        screen = QSize(rightEdge, bottomEdge);

    directory = store.text(kDirectory);
    left = store.number(kLeft).value_or(0);
    top = store.number(kTop).value_or(0);
    width = store.number(kWidth).value_or(rightEdge);
    height = store.number(kHeight).value_or(bottomEdge);
    fitOnScreen(left, width, screen.width());
    fitOnScreen(top, height, screen.height());
    panelWidth = store.number(kPanelWidth).value_or(265);
    panelKind = flag(store.number(kPanelKind), false) ? DetailsView : IconsView;
    connectionSpeed = store.number(kConnectionSpeed).value_or(0);
    saveQuality = store.number(kSaveQuality).value_or(80);
    if (saveQuality > 100)
        saveQuality = 100;
    else if (saveQuality <= 0)
        saveQuality = 10;
    for (std::size_t c = 0; c < columnWidths.size(); ++c)
        columnWidths[c] = atLeast(store.number(kColumnWidths[c]), kColumnDefaults[c], kColumnMinimums[c]);
    const qint32 storedState = store.number(kState).value_or(0);
    state = windowStateOf(storedState) ? storedState : 0;

    // Dependent values are only read while their switch is on; whatever an earlier run left behind
    // stays in the store untouched.
    remember = flag(store.number(kRemember), false);
    email = remember ? store.text(kEmail) : QString();
    password = remember ? store.secret(kPassword) : QString();

    proxyUse = flag(store.number(kProxyUse), false);
    proxyUsername = proxyUse ? store.text(kProxyUsername) : QString();
    proxyPassword = proxyUse ? store.secret(kProxyPassword) : QString();
    proxyServer = proxyUse ? store.text(kProxyServer) : QString();
    proxyPort = proxyUse ? store.number(kProxyPort).value_or(0) : 0;
    proxyBasicAuthentication = proxyUse && flag(store.number(kProxyBasic), false);

    viewQuality = flag(store.number(kViewQuality), false);
    autoUpdate = flag(store.number(kAutoUpdate), true);
}

bool Settings::save(SettingsStore& store) const {
    store.setText(kDirectory, directory);
    store.setNumber(kLeft, left);
    store.setNumber(kTop, top);
    store.setNumber(kWidth, width);
    store.setNumber(kHeight, height);
    store.setNumber(kPanelWidth, panelWidth);
    store.setNumber(kPanelKind, panelKind != IconsView ? 1 : 0);
    store.setNumber(kConnectionSpeed, connectionSpeed);
    store.setNumber(kSaveQuality, saveQuality);
    for (std::size_t c = 0; c < columnWidths.size(); ++c)
        store.setNumber(kColumnWidths[c], columnWidths[c]);
    store.setNumber(kState, state);
    store.setNumber(kRemember, remember ? 1 : 0);
    if (remember) {
        store.setText(kEmail, email);
        store.setSecret(kPassword, password);
    }
    store.setNumber(kProxyUse, proxyUse ? 1 : 0);
    if (proxyUse) {
        store.setText(kProxyUsername, proxyUsername);
        store.setSecret(kProxyPassword, proxyPassword);
        store.setText(kProxyServer, proxyServer);
        store.setNumber(kProxyPort, proxyPort);
        store.setNumber(kProxyBasic, proxyBasicAuthentication ? 1 : 0);
    }
    store.setNumber(kViewQuality, viewQuality ? 1 : 0);
    store.setNumber(kAutoUpdate, autoUpdate ? 1 : 0);
    return store.sync();
}

void Settings::takeWindowPlacement(Qt::WindowStates states, const QRect& restored) {
    left = restored.x();
    top = restored.y();
    width = restored.width();
    height = restored.height();
    state = stateValueOf(states);
}

} // namespace core
