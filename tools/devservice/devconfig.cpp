#include "devconfig.h"

#include <QFile>
#include <QRegularExpression>

namespace devservice {

QString AnswerSafe(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.replace(QLatin1Char('"'), QLatin1Char('\''));
}

Account* Config::find(const QString& login) {
    for (Account& account : accounts)
        if (account.login == login)
            return &account;
    return nullptr;
}

Config Config::Demo(const QString& version) {
    Config config;
    config.version = version;
    Account demo;
    demo.login = QStringLiteral("demo@pixvale.example");
    demo.password = QStringLiteral("demo");
    demo.albums = {{QStringLiteral("1"), QStringLiteral("Wakacje nad morzem")},
                   {QStringLiteral("2"), QStringLiteral("Rodzina")}};
    config.accounts.push_back(demo);
    return config;
}

std::optional<Config> Config::Load(const QString& path, const QString& version, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    }
    Config config;
    config.version = version;
    int number = 0;
    const QRegularExpression spaces(QStringLiteral("\\s+"));
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList words = line.split(spaces);
        const QString& kind = words.at(0);
        bool ok = true;
        if (kind == QLatin1String("account") && (words.size() == 3 || words.size() == 4)) {
            Account account{words.at(1), words.at(2), 50LL * 1024 * 1024, {}};
            if (words.size() == 4)
                account.capacity = words.at(3).toLongLong(&ok);
            config.accounts.push_back(account);
        } else if (kind == QLatin1String("album") && words.size() >= 4 && config.find(words.at(1))) {
            const QString name = line.section(spaces, 3);
            config.find(words.at(1))->albums.push_back({AnswerSafe(words.at(2)), AnswerSafe(name)});
        } else if (kind == QLatin1String("version") && words.size() == 2) {
            config.version = words.at(1);
        } else if (kind == QLatin1String("download_url") && words.size() == 2) {
            config.downloadUrl = words.at(1);
        } else {
            ok = false;
        }
        if (!ok) {
            *error = QStringLiteral("%1:%2: cannot use this line").arg(path).arg(number);
            return std::nullopt;
        }
    }
    return config;
}

} // namespace devservice
