#pragma once

// Typed access to the program's one settings key: 32-bit number values and text values, kept apart the
// way the registry keeps them (a text never reads as a number and a number never reads as a text). On
// Windows this is the registry key itself; elsewhere, and for tests, an INI file in which every value
// carries a type marker, because INI files keep no types of their own. The file is the owner's alone
// (0600) on systems with such permissions. Passwords go to a keychain when the store has one, else into
// the obfuscated text form. Not thread-safe: one thread.
#include <QString>

#include <memory>
#include <optional>

class QSettings;

namespace core {

class PasswordVault;

class SettingsStore {
public:
    // The current user's store of PixvaleLink, with the system keychain for passwords.
    SettingsStore();
    // An INI file at this path (created on the first write); passwords go to `vault` when given.
    explicit SettingsStore(const QString& iniFile);
    SettingsStore(const QString& iniFile, std::unique_ptr<PasswordVault> vault);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Nothing when the value is missing or is not a 32-bit number.
    std::optional<qint32> number(const QString& name) const;
    // Empty when the value is missing or is not a text.
    QString text(const QString& name) const;

    void setNumber(const QString& name, qint32 value);
    void setText(const QString& name, const QString& value);

    // A password: the keychain's value when it has one, else the obfuscated text value decoded (what
    // older versions, and this one without a keychain, wrote).
    QString secret(const QString& name) const;
    // Into the keychain when it takes it (the text value is then removed), else obfuscated as a text.
    void setSecret(const QString& name, const QString& plain);

    // Writes pending changes; false when the store could not be written.
    bool sync();

private:
    enum class Kind { Missing, Number, Text, Unknown };
    Kind kindOf(const QString& name) const;

    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<PasswordVault> vault_;
    bool typedBackend_ = false; // the registry knows number from text by itself
};

} // namespace core
