// Remembered passwords: in the keychain when there is one, obfuscated in the store when not, an older
// store's value moved over at the next save; the store file is the owner's alone.
#include "core/obfuscation.h"
#include "core/passwordvault.h"
#include "core/settings.h"
#include "core/settingsstore.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sys/prctl.h>

#include <csignal>

namespace {

using core::SettingsStore;

// A keychain in memory; `available` false behaves like a system without one.
struct MemoryVault final : core::PasswordVault {
    explicit MemoryVault(QMap<QString, QString>* kept, bool available = true)
        : kept(kept)
        , available(available) {}
    std::optional<QString> read(const QString& key) override {
        if (!available || !kept->contains(key))
            return std::nullopt;
        return kept->value(key);
    }
    bool write(const QString& key, const QString& value) override {
        if (available)
            kept->insert(key, value);
        return available;
    }
    QMap<QString, QString>* kept;
    bool available;
};

class PasswordStore : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("store.ini")); }
    std::unique_ptr<SettingsStore> store(bool keychain) {
        return std::make_unique<SettingsStore>(path(), std::make_unique<MemoryVault>(&kept, keychain));
    }
    // Saves a record that remembers the login and uses a proxy, both with passwords.
    void saveRecord(SettingsStore& s) {
        core::Settings record;
        record.remember = true;
        record.email = QStringLiteral("jan@pixvale.example");
        record.password = QStringLiteral("ha$ło");
        record.proxyUse = true;
        record.proxyPassword = QStringLiteral("proxy1");
        ASSERT_TRUE(record.save(s));
    }
    core::Settings loaded(const SettingsStore& s) {
        core::Settings record;
        record.load(s, QRect(0, 0, 1024, 768));
        return record;
    }
    QTemporaryDir dir;
    QMap<QString, QString> kept;
};

TEST_F(PasswordStore, WhereEachPasswordGoesWithAndWithoutAKeychain) {
    for (const bool keychain : {true, false}) {
        SCOPED_TRACE(keychain ? "keychain" : "no keychain");
        QFile::remove(path());
        kept.clear();
        {
            auto s = store(keychain);
            saveRecord(*s);
        }
        const SettingsStore plain(path()); // what the file itself holds
        const QStringList names = {QStringLiteral("password"), QStringLiteral("ProxyPassword")};
        const QStringList values = {QStringLiteral("ha$ło"), QStringLiteral("proxy1")};
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(plain.text(names[i]),
                      keychain ? QString() : core::Encode(core::kObfuscationKey, values[i]));
            EXPECT_EQ(kept.value(names[i]), keychain ? values[i] : QString());
        }
        const core::Settings back = loaded(*store(keychain));
        EXPECT_EQ(back.password, values[0]);
        EXPECT_EQ(back.proxyPassword, values[1]);
        EXPECT_EQ(back.email, QStringLiteral("jan@pixvale.example"));
    }
}

TEST_F(PasswordStore, AnOlderObfuscatedValueIsReadAndMovedToTheKeychainAtTheNextSave) {
    {
        auto old = store(false);
        saveRecord(*old);
    }
    auto s = store(true);
    core::Settings record = loaded(*s);
    EXPECT_EQ(record.password, QStringLiteral("ha$ło"));
    EXPECT_TRUE(kept.isEmpty());
    ASSERT_TRUE(record.save(*s));
    EXPECT_EQ(kept.value(QStringLiteral("password")), QStringLiteral("ha$ło"));
    EXPECT_TRUE(SettingsStore(path()).text(QStringLiteral("password")).isEmpty());
    EXPECT_EQ(loaded(*store(true)).password, QStringLiteral("ha$ło"));
}

TEST_F(PasswordStore, TheFileIsTheOwnersAlone) {
    constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const auto othersOrGroup = [](QFile::Permissions p) {
        return p & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther);
    };
    {
        auto s = store(false);
        saveRecord(*s);
    }
    EXPECT_EQ(othersOrGroup(QFile::permissions(path())), QFile::Permissions());
    // A file an older version left readable by everyone is closed at the next save.
    QFile::setPermissions(path(), ownerOnly | QFile::ReadGroup | QFile::ReadOther);
    {
        auto s = store(false);
        saveRecord(*s);
    }
    EXPECT_EQ(othersOrGroup(QFile::permissions(path())), QFile::Permissions());
    EXPECT_EQ(loaded(*store(false)).password, QStringLiteral("ha$ło"));
}

// The real system keychain, against a Secret Service of the test's own: a private session bus with
// gnome-keyring unlocked on it.
class SecretService : public ::testing::Test {
protected:
    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        const QString keyring = QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon"));
        if (daemon.isEmpty() || keyring.isEmpty())
            GTEST_SKIP() << "no dbus-daemon or gnome-keyring-daemon: the keychain path is not tested";
        // The library's connection to a session bus raises SIGTERM in this process when that bus goes away,
        // so the bus must outlive the process: it ends when the process does.
        bus.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--print-address")});
        if (!bus.waitForStarted(5000) || !bus.waitForReadyRead(5000))
            GTEST_SKIP() << "cannot start a session bus: the keychain path is not tested";
        const QByteArray address = bus.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", runtime.path().toLocal8Bit());
        // The password on its input creates and unlocks a login keyring in the test's own data folder; the
        // daemon leaves with the bus.
        keyringProcess.start(keyring, {QStringLiteral("--unlock"), QStringLiteral("--components=secrets")});
        if (!keyringProcess.waitForStarted(5000))
            GTEST_SKIP() << "cannot start gnome-keyring-daemon: the keychain path is not tested";
        keyringProcess.write("pixvale-test");
        keyringProcess.closeWriteChannel();
        keyringProcess.waitForFinished(10000);
        QThread::msleep(500);
    }
    QTemporaryDir runtime;
    // Left running: see above. Destroying a running QProcess would end it, so it is never destroyed.
    QProcess& bus = *new QProcess;
    QProcess keyringProcess;
};

TEST_F(SecretService, APasswordGoesThroughTheSystemKeychain) {
    core::SystemKeychain keychain(10000);
    const QString key = QStringLiteral("test-%1").arg(QCoreApplication::applicationPid());
    if (!keychain.write(key, QStringLiteral("żółw-1")))
        GTEST_SKIP() << "the Secret Service did not take a password (" << keychain.lastError().toStdString()
                     << "): the keychain path is not tested";
    EXPECT_EQ(keychain.read(key), std::optional<QString>(QStringLiteral("żółw-1")));
    // A missing entry is the keychain's answer, not the time-out's; it is the third job, and qtkeychain
    // loses track of jobs that run on threads which come and go.
    EXPECT_EQ(keychain.read(key + QStringLiteral("-none")), std::nullopt);
    EXPECT_NE(keychain.lastError(), QStringLiteral("no answer in time"));
    EXPECT_EQ(keychain.read(key), std::optional<QString>(QStringLiteral("żółw-1")));
}

} // namespace
