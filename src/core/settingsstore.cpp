#include "core/settingsstore.h"

#include "core/obfuscation.h"
#include "core/passwordvault.h"

#include <QFile>
#include <QSettings>

namespace core {

namespace {

const QString kTypeGroup = QStringLiteral("types/");
const QString kNumberMark = QStringLiteral("number");
const QString kTextMark = QStringLiteral("text");

std::optional<qint32> parseNumber(const QVariant& value) {
    bool ok = false;
    const qint32 number = value.toString().toInt(&ok, 10);
    return ok ? std::optional<qint32>(number) : std::nullopt;
}

} // namespace

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Pixvale"), QStringLiteral("PixvaleLink")))
    , vault_(std::make_unique<SystemKeychain>()) {
#ifdef Q_OS_WIN
    typedBackend_ = true;
#endif
}

SettingsStore::SettingsStore(const QString& iniFile)
    : SettingsStore(iniFile, nullptr) {}

SettingsStore::SettingsStore(const QString& iniFile, std::unique_ptr<PasswordVault> vault)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
    , vault_(std::move(vault)) {}

SettingsStore::~SettingsStore() = default;

SettingsStore::Kind SettingsStore::kindOf(const QString& name) const {
    const QVariant value = settings_->value(name);
    if (!value.isValid())
        return Kind::Missing;
    if (typedBackend_) {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return Kind::Number;
        case QMetaType::QString:
            return Kind::Text;
        default:
            return Kind::Unknown;
        }
    }
    const QString mark = settings_->value(kTypeGroup + name).toString();
    if (mark == kNumberMark)
        return Kind::Number;
    if (mark == kTextMark)
        return Kind::Text;
    // A value written by hand carries no mark: a plain decimal counts as a number.
    if (value.typeId() != QMetaType::QString)
        return Kind::Unknown;
    return parseNumber(value) ? Kind::Number : Kind::Text;
}

std::optional<qint32> SettingsStore::number(const QString& name) const {
    if (kindOf(name) != Kind::Number)
        return std::nullopt;
    return parseNumber(settings_->value(name));
}

QString SettingsStore::text(const QString& name) const {
    if (kindOf(name) != Kind::Text)
        return {};
    return settings_->value(name).toString();
}

void SettingsStore::setNumber(const QString& name, qint32 value) {
    settings_->setValue(name, QVariant(int(value)));
    if (!typedBackend_)
        settings_->setValue(kTypeGroup + name, kNumberMark);
}

void SettingsStore::setText(const QString& name, const QString& value) {
    settings_->setValue(name, QVariant(value));
    if (!typedBackend_)
        settings_->setValue(kTypeGroup + name, kTextMark);
}

QString SettingsStore::secret(const QString& name) const {
    if (vault_)
        if (std::optional<QString> kept = vault_->read(name))
            return *kept;
    return Decode(kObfuscationKey, text(name));
}

void SettingsStore::setSecret(const QString& name, const QString& plain) {
    if (vault_ && vault_->write(name, plain)) {
        settings_->remove(name);
        settings_->remove(kTypeGroup + name);
        return;
    }
    setText(name, Encode(kObfuscationKey, plain));
}

bool SettingsStore::sync() {
    const QString file = settings_->fileName();
    const bool ownFile = settings_->format() == QSettings::IniFormat || !typedBackend_;
    constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
    // Created owner-only before the first write, so it is never readable by others, not even briefly;
    // the rewrite keeps the permissions of the file it replaces.
    if (ownFile && !QFile::exists(file)) {
        QFile created(file);
        if (created.open(QIODevice::WriteOnly))
            created.setPermissions(kOwnerOnly);
    }
    settings_->sync();
    if (ownFile && QFile::exists(file))
        QFile::setPermissions(file, kOwnerOnly); // an older file may have been readable by all
    return settings_->status() == QSettings::NoError;
}

} // namespace core
