#pragma once

// Where the remembered passwords are kept when the system offers a keychain (Secret Service on Linux,
// Credential Manager on Windows). Every call is bounded in time: a keychain that does not answer counts
// as no keychain, so a hanging service never freezes the window that asked. Any thread.
#include <QString>

#include <functional>
#include <optional>

namespace QKeychain {
class Job;
}

namespace core {

class PasswordVault {
public:
    virtual ~PasswordVault() = default;
    // The value stored under `key`; nothing when there is none or the keychain cannot be reached.
    virtual std::optional<QString> read(const QString& key) = 0;
    // False when the keychain cannot keep it (then the caller keeps it elsewhere).
    virtual bool write(const QString& key, const QString& value) = 0;
};

// The system keychain through qtkeychain, under the service name "PixvaleLink". The jobs run one after
// another on a thread kept for them; the caller waits at most `timeoutMs`.
class SystemKeychain final : public PasswordVault {
public:
    explicit SystemKeychain(int timeoutMs = 3000);
    std::optional<QString> read(const QString& key) override;
    bool write(const QString& key, const QString& value) override;
    // What the keychain said about the last call that failed ("" after a success).
    QString lastError() const { return lastError_; }

private:
    std::optional<QString> run(const std::function<QKeychain::Job*()>& make);

    int timeoutMs_;
    QString lastError_;
};

} // namespace core
