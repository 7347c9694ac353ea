// The settings record and its store: checks applied on load, what a save writes, stored types, the
// obfuscated and keychain passwords, the owner-only file and the local settings file.
#include "core/codec.h"
#include "core/localsettings.h"
#include "core/obfuscation.h"
#include "core/passwordvault.h"
#include "core/settings.h"
#include "core/settingsstore.h"
#include "core/versioninfo.h"
#include "testsupport.h"

#include <sys/prctl.h>

#include <csignal>

using core::Settings;
using core::SettingsStore;

namespace {

const QRect kWorkArea(0, 0, 1920, 1040);
QString encoded(const QString& plain) {
    return core::Encode(core::kObfuscationKey, plain);
}

// A keychain in memory; `available` false behaves like a system without one.
struct MemoryVault final : core::PasswordVault {
    MemoryVault(QMap<QString, QString>* kept, bool available)
        : kept(kept)
        , available(available) {}
    std::optional<QString> read(const QString& key) override {
        return available && kept->contains(key) ? std::optional(kept->value(key)) : std::nullopt;
    }
    bool write(const QString& key, const QString& value) override {
        return available && (kept->insert(key, value), true);
    }
    QMap<QString, QString>* kept;
    bool available;
};

class SettingsRecord : public ::testing::Test {
protected:
    QString path() const { return dir.path("settings.ini"); }
    std::unique_ptr<SettingsStore> open(std::optional<bool> keychain = std::nullopt) {
        return keychain
                   ? std::make_unique<SettingsStore>(path(), std::make_unique<MemoryVault>(&kept, *keychain))
                   : std::make_unique<SettingsStore>(path());
    }
    Settings loaded(std::optional<bool> keychain = std::nullopt) {
        store.reset(); // written out
        store = open(keychain);
        Settings s;
        s.load(*store, kWorkArea, {1920, 1080});
        return s;
    }
    void save(const Settings& s, std::optional<bool> keychain = std::nullopt) {
        store.reset();
        ASSERT_TRUE(s.save(*open(keychain)));
        store = open();
    }
    // A record that remembers the login and uses a proxy, both with passwords.
    static Settings withPasswords() {
        Settings s;
        s.remember = s.proxyUse = true;
        s.email = "jan@pixvale.example";
        s.password = QString::fromUtf8("ha$ło");
        s.proxyPassword = "proxy1";
        return s;
    }
    testsupport::TempFolder dir;
    QMap<QString, QString> kept;
    std::unique_ptr<SettingsStore> store = open();
};

} // namespace

TEST_F(SettingsRecord, StoredNumbersAreCheckedOnLoad) {
    const std::map<QString, qint32 Settings::*> fields{{"savequality", &Settings::saveQuality},
                                                       {"panel_kind", &Settings::panelKind},
                                                       {"state", &Settings::state},
                                                       {"panel_width", &Settings::panelWidth}};
    // Each case: the name, the stored number and the loaded one.
    for (const QString& row :
         QString("savequality 0 10,savequality -3 10,savequality 1 1,savequality 100 100,"
                 "savequality 250 100,panel_kind 7 1,panel_kind -1 1,state 3 3,state 4 0,"
                 "state -1 0,panel_width 10 10")
             .split(',')) {
        const QStringList c = row.split(' ');
        store->setNumber(c[0], c[1].toInt());
        EXPECT_EQ(loaded().*fields.at(c[0]), c[2].toInt()) << row.toStdString();
    }
    const std::pair<qint32, std::array<qint32, 4>> columns[] = {
        {0, {32, 40, 55, 40}}, {39, {39, 40, 55, 40}}, {45, {45, 45, 55, 45}}, {56, {56, 56, 56, 56}}};
    for (const auto& [stored, expected] : columns) {
        for (int c = 0; c < 4; ++c)
            store->setNumber(QString("list_c%1_width").arg(c), stored);
        EXPECT_EQ(loaded().columnWidths, expected) << stored;
    }
    // Values of the wrong type read as missing.
    store->setText("savequality", "90");
    store->setText("AutoUpdate", "0");
    store->setNumber("directory", 5);
    store->setNumber("remember", 1);
    store->setNumber("email", 5);
    store->setText("password", "0101");
    const Settings s = loaded();
    EXPECT_EQ(std::tuple(s.saveQuality, s.autoUpdate, s.directory, s.remember, s.email, s.password),
              std::tuple(80, true, QString(), true, QString(), QString()));
}

TEST_F(SettingsRecord, EverythingComesBackAfterASaveAndSwitchedOffPartsStayStored) {
    Settings s = withPasswords();
    std::tie(s.directory, s.panelWidth, s.panelKind, s.connectionSpeed, s.saveQuality, s.proxyUsername,
             s.proxyServer, s.proxyPort) =
        std::tuple(QString::fromUtf8("/home/ania/Zdjęcia"), 300, Settings::DetailsView, 2, 95, "proxyuser",
                   "proxy.local", 3128);
    s.columnWidths = {33, 120, 70, 100};
    s.proxyBasicAuthentication = s.viewQuality = true;
    s.autoUpdate = false;
    s.takeWindowPlacement(Qt::WindowNoState, QRect(10, 20, 800, 600));
    save(s);
    EXPECT_EQ(store->text("password"), encoded(s.password));
    const auto fields = [](const Settings& x) {
        return std::tuple(x.directory, x.left, x.top, x.width, x.height, x.state, x.panelWidth, x.panelKind,
                          x.connectionSpeed, x.saveQuality, x.columnWidths, x.remember, x.email, x.password,
                          x.proxyUse, x.proxyUsername, x.proxyPassword, x.proxyServer, x.proxyPort,
                          x.proxyBasicAuthentication, x.viewQuality, x.autoUpdate);
    };
    EXPECT_TRUE(fields(loaded()) == fields(s));
    // Switched off, the login and the proxy stay in the store but are not loaded.
    s.remember = s.proxyUse = false;
    s.email = "changed@example.com";
    save(s);
    EXPECT_EQ(store->text("email"), "jan@pixvale.example");
    EXPECT_EQ(store->text("password"), encoded(QString::fromUtf8("ha$ło")));
    EXPECT_EQ(store->number("ProxyPort"), 3128);
    const Settings r = loaded();
    EXPECT_EQ(std::tuple(r.remember, r.email, r.password, r.proxyUse, r.proxyServer, r.proxyPort,
                         r.proxyBasicAuthentication),
              std::tuple(false, QString(), QString(), false, QString(), 0, false));
}

TEST_F(SettingsRecord, PasswordsGoToTheKeychainWhenThereIsOneAndAnOlderValueMovesThere) {
    for (const bool keychain : {true, false}) {
        SCOPED_TRACE(keychain);
        QFile::remove(path());
        kept.clear();
        save(withPasswords(), keychain);
        for (const auto& [name, value] : {std::pair<QString, QString>("password", QString::fromUtf8("ha$ło")),
                                          {"ProxyPassword", "proxy1"}}) {
            EXPECT_EQ(store->text(name), keychain ? QString() : encoded(value));
            EXPECT_EQ(kept.value(name), keychain ? value : QString());
        }
        const Settings back = loaded(keychain);
        EXPECT_EQ(QStringList({back.password, back.proxyPassword, back.email}),
                  QStringList({QString::fromUtf8("ha$ło"), "proxy1", "jan@pixvale.example"}));
    }
    // The obfuscated value of a system without a keychain moves into one at the next save.
    Settings record = loaded(true);
    EXPECT_EQ(record.password, QString::fromUtf8("ha$ło"));
    EXPECT_TRUE(kept.isEmpty());
    save(record, true);
    EXPECT_EQ(kept.value("password"), QString::fromUtf8("ha$ło"));
    EXPECT_TRUE(store->text("password").isEmpty());
    EXPECT_EQ(loaded(true).password, QString::fromUtf8("ha$ło"));
}

TEST_F(SettingsRecord, TheFileIsTheOwnersAlone) {
    const auto othersOrGroup = [this] {
        return QFile::permissions(path()) &
               (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther);
    };
    save(withPasswords(), false);
    EXPECT_EQ(othersOrGroup(), QFile::Permissions());
    // A file an older version left readable by everyone is closed at the next save.
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    save(withPasswords(), false);
    EXPECT_EQ(othersOrGroup(), QFile::Permissions());
    EXPECT_EQ(loaded(false).password, QString::fromUtf8("ha$ło"));
}

TEST_F(SettingsRecord, TheStoreKeepsNumbersAndTextsApart) {
    const qint32 numbers[] = {
        0, 1, -1, 80, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
    const QString texts[] = {QString(),     "42",         "@Variant(x)",
                             "a, b",        "  spaced  ", QString::fromUtf8("Zdjęcia/żółć"),
                             "C:\\Users\\x"};
    for (std::size_t i = 0; i < std::size(texts); ++i)
        store->setText(QString("t%1").arg(i), texts[i]),
            store->setNumber(QString("n%1").arg(i), numbers[i % 6]);
    store->setText("v", "7");
    store->setNumber("v", 7); // rewriting changes the type
    ASSERT_TRUE(store->sync());
    store = open();
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        const QString n = QString("n%1").arg(i), t = QString("t%1").arg(i);
        EXPECT_EQ(std::tuple(store->number(n), store->text(n), store->number(t), store->text(t)),
                  std::tuple(std::optional(numbers[i % 6]), QString(), std::optional<qint32>(), texts[i]));
    }
    EXPECT_EQ(std::pair(store->number("v"), store->text("v")), std::pair(std::optional(7), QString()));
    EXPECT_EQ(std::pair(store->number("absent"), store->text("absent")),
              std::pair(std::optional<qint32>(), QString()));
    // Hand-written values without type marks are judged by their content.
    const SettingsStore hand(
        dir.write("hand.ini", "[General]\nsavequality=90\ndirectory=/photos\nbig=4294967296\nlist=a,b\n"));
    EXPECT_EQ(std::pair(hand.number("savequality"), hand.text("savequality")),
              std::pair(std::optional(90), QString()));
    EXPECT_EQ(hand.text("directory"), "/photos");
    EXPECT_EQ(std::tuple(hand.number("big"), hand.number("list"), hand.text("list")),
              std::tuple(std::nullopt, std::nullopt, QString()));
    SettingsStore folder(dir.dir.path()); // a folder cannot be written as a file
    folder.setNumber("v", 1);
    EXPECT_FALSE(folder.sync());
}

TEST(PhotoFolder, FallsBackToDocumentsUnlessTheStoredFolderExists) {
    testsupport::TempFolder dir;
    EXPECT_EQ(core::photoFolderFor(dir.dir.path(), "/documents"), dir.dir.path());
    for (const QString& gone : {dir.path("gone"), QString(), dir.write("a.jpg", {})})
        EXPECT_EQ(core::photoFolderFor(gone, "/documents"), "/documents") << gone.toStdString();
}

TEST(Obfuscation, ThreeDigitsPerByteXoredWithTheKeyWithoutItsLastCharacter) {
    // 'a' (97) with 'k' (107), 'b' (98) with '8' (56), 'c' (99) with '$' (36).
    EXPECT_EQ(encoded("abc"), "010090071");
    EXPECT_EQ(encoded(QString()), QString());
    const QString as = encoded("aaaaaaaaaa"); // the ninth character starts the key again
    EXPECT_EQ(as.mid(24, 6), as.mid(0, 6));
    EXPECT_NE(as.mid(21, 3), as.mid(0, 3));
    EXPECT_EQ(encoded(QString::fromUtf8("日")), "113"); // outside the code page: the substitute byte 0x1A
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    for (const QString& plain : {core::fromWindows1250(all), QString::fromUtf8("zażółć gęślą jaźń ŁÓDŹ €")})
        EXPECT_EQ(core::Decode(core::kObfuscationKey, encoded(plain)), plain);
    for (const char* text : {"0100", "01", "0", "01a", " 10", "+10", "-10", "256", "999", "010256", "0x1"})
        EXPECT_EQ(core::Decode(core::kObfuscationKey, text), QString()) << text;
    EXPECT_EQ(core::Decode(core::kObfuscationKey, QString::fromUtf8("١٢٣")), QString());
}

TEST(LocalSettingsFile, HostAndClientIdOrTheBuiltInValues) {
    testsupport::TempFolder dir;
    const QString builtIn = core::builtInServiceBase();
    const QByteArray abc = encoded("abc").toLatin1();
    const std::tuple<QByteArray, QString, QString> cases[] = {
        {"host=http://127.0.0.1:8080/\r\nclient_id=" + abc + "\r\n", "http://127.0.0.1:8080/", "abc"},
        {"client_id=" + abc + "\nHOST=http://h/", "http://h/", "abc"},
        {"host=\nclient_id=0100\n", builtIn, ""},
        {"host=  \r\nclient_id=\r\n", builtIn, ""},
        {"host=http://a/\nhost=http://b/\n", "http://a/", ""},
        {"\xEF\xBB\xBFhost=http://bom/\n", "http://bom/", ""},
        {"# comment\nhost\n client_id=" + abc + "\n", builtIn, ""},
        {"host=http://x/?a=b\n", "http://x/?a=b", ""},
        {"host=http://h/\nclient_id=" + abc + "\n" + QByteArray(2 << 20, '#'), builtIn, ""}}; // too large
    for (const auto& [content, base, clientId] : cases) {
        const core::LocalSettings local = core::readLocalSettings(dir.write("settings", content));
        EXPECT_EQ(QStringList({local.serviceBase, local.clientId}), QStringList({base, clientId}))
            << content.left(80).toStdString();
    }
    for (const QString& bad : {dir.path("missing"), dir.dir.path()})
        EXPECT_EQ(core::readLocalSettings(bad).serviceBase, builtIn);
    const core::TVerInfoRes info;
    EXPECT_EQ(info.value(core::TVerInfoRes::FileVersion), info.fileVersion());
    EXPECT_EQ(info.value(-1) + info.value(10) + core::TVerInfoRes::valueName(10), QString());
}

// The real system keychain, against a Secret Service of the test's own: a private session bus with
// gnome-keyring unlocked on it.
TEST(SecretService, APasswordGoesThroughTheSystemKeychain) {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    const QString keyring = QStandardPaths::findExecutable("gnome-keyring-daemon");
    if (daemon.isEmpty() || keyring.isEmpty())
        GTEST_SKIP() << "no dbus-daemon or gnome-keyring-daemon: the keychain path is not tested";
    // The library's connection to a session bus raises SIGTERM in this process when that bus goes away, so
    // the bus must outlive the process: it ends when the process does, and is never destroyed.
    QProcess& bus = *new QProcess;
    bus.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    bus.start(daemon, {"--session", "--nofork", "--print-address"});
    if (!bus.waitForStarted(5000) || !bus.waitForReadyRead(5000))
        GTEST_SKIP() << "cannot start a session bus: the keychain path is not tested";
    static testsupport::TempFolder runtime;
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    qputenv("XDG_RUNTIME_DIR", runtime.dir.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", runtime.dir.path().toLocal8Bit());
    // The password on its input creates and unlocks a login keyring in the test's own data folder.
    QProcess keyringProcess;
    keyringProcess.start(keyring, {"--unlock", "--components=secrets"});
    if (!keyringProcess.waitForStarted(5000))
        GTEST_SKIP() << "cannot start gnome-keyring-daemon: the keychain path is not tested";
    keyringProcess.write("pixvale-test");
    keyringProcess.closeWriteChannel();
    keyringProcess.waitForFinished(10000);
    core::SystemKeychain keychain(10000);
    const QString key = QString("test-%1").arg(QCoreApplication::applicationPid());
    // The daemon takes a moment to own its name on the bus.
    if (!testsupport::waitUntil([&] { return keychain.write(key, QString::fromUtf8("żółw-1")); }, 5000))
        GTEST_SKIP() << "the Secret Service did not take a password (" << keychain.lastError().toStdString()
                     << "): the keychain path is not tested";
    EXPECT_EQ(keychain.read(key), std::optional(QString::fromUtf8("żółw-1")));
    // A missing entry is the keychain's answer, not the time-out's.
    EXPECT_EQ(keychain.read(key + "-none"), std::nullopt);
    EXPECT_NE(keychain.lastError(), "no answer in time");
    EXPECT_EQ(keychain.read(key), std::optional(QString::fromUtf8("żółw-1")));
}
