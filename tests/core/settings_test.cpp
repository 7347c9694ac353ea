#include "core/obfuscation.h"
#include "core/settings.h"
#include "core/settingsstore.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

namespace {

using core::Settings;
using core::SettingsStore;

const QRect kWorkArea(0, 0, 1920, 1040);
const QSize kScreen(1920, 1080);

class SettingsRecord : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("settings.ini")); }
    Settings loaded() {
        store.reset();
        store = std::make_unique<SettingsStore>(path());
        Settings s;
        s.load(*store, kWorkArea, kScreen);
        return s;
    }
    void saveAndReopen(const Settings& s) {
        ASSERT_TRUE(s.save(*store));
        store = std::make_unique<SettingsStore>(path());
    }
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store = std::make_unique<SettingsStore>(path());
};

TEST_F(SettingsRecord, FirstStartFillsTheWorkAreaWithTheDefaults) {
    const Settings s = loaded();
    EXPECT_EQ(QRect(s.left, s.top, s.width, s.height), kWorkArea);
    EXPECT_EQ(std::tuple(s.directory, s.panelWidth, s.panelKind, s.saveQuality, s.state, s.autoUpdate,
                         s.viewQuality, s.proxyUse, s.remember),
              std::tuple(QString(), 265, qint32{Settings::IconsView}, 80, 0, true, false, false, false));
    EXPECT_EQ(s.columnWidths, (std::array<qint32, 4>{32, 80, 55, 90}));
    EXPECT_TRUE(s.serviceBase.startsWith(QStringLiteral("http://")) && s.serviceBase.endsWith(u'/'));
    // A work area that does not start at the screen's edge still gives a window reaching its far edges.
    Settings offset;
    offset.load(*store, QRect(60, 0, 1860, 1040));
    EXPECT_EQ(QSize(offset.width, offset.height), QSize(1920, 1040));
}

TEST_F(SettingsRecord, NumberChecks) {
    struct Case {
        const char* name;
        qint32 stored;
        qint32 Settings::*field;
        qint32 expected;
    };
    const Case cases[] = {
        {"savequality", 0, &Settings::saveQuality, 10},
        {"savequality", -3, &Settings::saveQuality, 10},
        {"savequality", 1, &Settings::saveQuality, 1},
        {"savequality", 100, &Settings::saveQuality, 100},
        {"savequality", 250, &Settings::saveQuality, 100},
        {"panel_kind", 7, &Settings::panelKind, 1},
        {"panel_kind", -1, &Settings::panelKind, 1},
        {"state", 3, &Settings::state, 3},
        {"state", 4, &Settings::state, 0},
        {"state", -1, &Settings::state, 0},
        {"panel_width", 10, &Settings::panelWidth, 10},
    };
    for (const Case& c : cases) {
        store->setNumber(QString::fromLatin1(c.name), c.stored);
        EXPECT_EQ(loaded().*c.field, c.expected) << c.name << "=" << c.stored;
    }
}

TEST_F(SettingsRecord, ColumnMinimums) {
    const std::pair<qint32, std::array<qint32, 4>> cases[] = {
        {0, {32, 40, 55, 40}}, {39, {39, 40, 55, 40}}, {45, {45, 45, 55, 45}}, {56, {56, 56, 56, 56}}};
    for (const auto& [stored, expected] : cases) {
        for (int c = 0; c < 4; ++c)
            store->setNumber(QStringLiteral("list_c%1_width").arg(c), stored);
        EXPECT_EQ(loaded().columnWidths, expected) << stored;
    }
}

TEST_F(SettingsRecord, WindowIsKeptOnTheScreen) {
    struct Case {
        QRect stored, expected;
    };
    const Case cases[] = {
        {{100, 50, 2000, 1200}, {100, 50, 1720, 980}}, // too big: shrunk symmetrically
        {{100, 50, 800, 600}, {100, 50, 800, 600}},    // fits
        {{1500, 900, 800, 600}, {0, 0, 800, 600}},     // beyond the middle: back to the edge
        {{3000, 0, 2500, 1080}, {0, 0, 1920, 1080}},   // on a screen that is gone
    };
    for (const Case& c : cases) {
        store->setNumber(QStringLiteral("left"), c.stored.x());
        store->setNumber(QStringLiteral("top"), c.stored.y());
        store->setNumber(QStringLiteral("width"), c.stored.width());
        store->setNumber(QStringLiteral("height"), c.stored.height());
        const Settings s = loaded();
        EXPECT_EQ(QRect(s.left, s.top, s.width, s.height), c.expected);
    }
}

TEST_F(SettingsRecord, ValuesOfTheWrongTypeReadAsMissing) {
    store->setText(QStringLiteral("savequality"), QStringLiteral("90"));
    store->setText(QStringLiteral("AutoUpdate"), QStringLiteral("0"));
    store->setNumber(QStringLiteral("directory"), 5);
    store->setNumber(QStringLiteral("remember"), 1);
    store->setNumber(QStringLiteral("email"), 5);
    store->setText(QStringLiteral("password"), QStringLiteral("0101"));
    const Settings s = loaded();
    EXPECT_EQ(std::tuple(s.saveQuality, s.autoUpdate, s.directory, s.remember, s.email, s.password),
              std::tuple(80, true, QString(), true, QString(), QString()));
}

TEST_F(SettingsRecord, EverythingComesBackAfterASave) {
    Settings s;
    s.directory = QString::fromUtf8("/home/ania/Zdjęcia");
    s.panelWidth = 300;
    s.panelKind = Settings::DetailsView;
    s.connectionSpeed = 2;
    s.saveQuality = 95;
    s.columnWidths = {33, 120, 70, 100};
    s.remember = true;
    s.email = QStringLiteral("ania@example.com");
    s.password = QString::fromUtf8("hasło123");
    s.proxyUse = true;
    s.proxyUsername = QStringLiteral("proxyuser");
    s.proxyPassword = QStringLiteral("p");
    s.proxyServer = QStringLiteral("proxy.local");
    s.proxyPort = 3128;
    s.proxyBasicAuthentication = true;
    s.viewQuality = true;
    s.autoUpdate = false;
    s.takeWindowPlacement(Qt::WindowNoState, QRect(10, 20, 800, 600));
    saveAndReopen(s);
    EXPECT_EQ(store->text(QStringLiteral("password")), core::Encode(core::kObfuscationKey, s.password));
    auto stored = [](const Settings& x) {
        return std::tuple(x.directory, x.left, x.top, x.width, x.height, x.state, x.panelWidth, x.panelKind,
                          x.connectionSpeed, x.saveQuality, x.columnWidths, x.remember, x.email, x.password,
                          x.proxyUse, x.proxyUsername, x.proxyPassword, x.proxyServer, x.proxyPort,
                          x.proxyBasicAuthentication, x.viewQuality, x.autoUpdate);
    };
    EXPECT_TRUE(stored(loaded()) == stored(s));
}

TEST_F(SettingsRecord, SwitchedOffLoginAndProxyStayInTheStoreButAreNotLoaded) {
    Settings s;
    s.remember = true;
    s.email = QStringLiteral("ania@example.com");
    s.password = QStringLiteral("secret");
    s.proxyUse = true;
    s.proxyServer = QStringLiteral("proxy.local");
    s.proxyPort = 8080;
    s.proxyBasicAuthentication = true;
    saveAndReopen(s);
    s.remember = false;
    s.proxyUse = false;
    s.email = QStringLiteral("changed@example.com");
    saveAndReopen(s);
    EXPECT_EQ(store->text(QStringLiteral("email")), QStringLiteral("ania@example.com"));
    EXPECT_EQ(store->text(QStringLiteral("password")),
              core::Encode(core::kObfuscationKey, QStringLiteral("secret")));
    EXPECT_EQ(store->number(QStringLiteral("ProxyPort")), 8080);
    const Settings r = loaded();
    EXPECT_EQ(std::tuple(r.remember, r.email, r.password, r.proxyUse, r.proxyServer, r.proxyPort,
                         r.proxyBasicAuthentication),
              std::tuple(false, QString(), QString(), false, QString(), 0, false));
}

TEST_F(SettingsRecord, MaximisedWindowIsWrittenWithItsRestoredRectangle) {
    const QRect normal(100, 50, 800, 600);
    Settings s;
    s.takeWindowPlacement(Qt::WindowMaximized,
                          core::restoredRectangle(Qt::WindowMaximized, kWorkArea, normal));
    saveAndReopen(s);
    QList<std::optional<qint32>> stored;
    for (const char* name : {"left", "top", "width", "height", "state"})
        stored << store->number(QString::fromLatin1(name));
    EXPECT_EQ(stored, (QList<std::optional<qint32>>{100, 50, 800, 600, 3}));
}

TEST(WindowState, StoredValuesBothWays) {
    EXPECT_EQ(core::stateValueOf(Qt::WindowNoState), 1);
    EXPECT_EQ(core::stateValueOf(Qt::WindowActive), 1);
    EXPECT_EQ(core::stateValueOf(Qt::WindowMinimized | Qt::WindowMaximized), 2);
    EXPECT_EQ(core::stateValueOf(Qt::WindowMaximized), 3);
    EXPECT_EQ(core::stateValueOf(Qt::WindowFullScreen), 3);
    for (int stored = 1; stored <= 3; ++stored)
        EXPECT_EQ(core::stateValueOf(*core::windowStateOf(stored)), stored);
    EXPECT_EQ(core::windowStateOf(0), std::nullopt);
    EXPECT_EQ(core::windowStateOf(4), std::nullopt);
}

TEST(WindowState, RestoredRectangleFallsBackToTheGeometry) {
    const QRect geometry(0, 0, 1920, 1040), normal(10, 10, 640, 480);
    EXPECT_EQ(core::restoredRectangle(Qt::WindowNoState, geometry, normal), geometry);
    EXPECT_EQ(core::restoredRectangle(Qt::WindowMinimized, geometry, normal), normal);
    EXPECT_EQ(core::restoredRectangle(Qt::WindowMaximized, geometry, QRect()), geometry);
}

TEST(PhotoFolder, FallsBackToDocumentsUnlessTheStoredFolderExists) {
    QTemporaryDir dir;
    const QString documents = QStringLiteral("/documents");
    EXPECT_EQ(core::photoFolderFor(dir.path(), documents), dir.path());
    EXPECT_EQ(core::photoFolderFor(dir.path() + QStringLiteral("/gone"), documents), documents);
    EXPECT_EQ(core::photoFolderFor(QString(), documents), documents);
    ASSERT_TRUE(testsupport::WriteFile(dir.filePath(QStringLiteral("a.jpg")), {}));
    EXPECT_EQ(core::photoFolderFor(dir.filePath(QStringLiteral("a.jpg")), documents), documents);
}

} // namespace
