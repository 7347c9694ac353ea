#pragma once

// Accounts, albums and the version answer of the development service, read from a small text file:
//
//   # comment
//   account <login> <password> [capacity in bytes]
//   album <login> <id> <name, the rest of the line>
//   version <version text>
//   download_url <address>
//
// Without a file the service knows one demo account with two albums.
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace devservice {

// Album names and identifiers go into the answers between double quotes on lines of their own: a line
// break or a quote in one would let it forge further albums. CR and LF become spaces, quotes apostrophes.
QString AnswerSafe(QString text);

struct Album {
    QString id;
    QString name;
};

struct Account {
    QString login;
    QString password;
    qint64 capacity = 50LL * 1024 * 1024;
    std::vector<Album> albums;
};

struct Config {
    std::vector<Account> accounts;
    QString version;
    QString downloadUrl;

    Account* find(const QString& login);

    static Config Demo(const QString& version);
    // Nothing, with `error` set, when the file cannot be read or a line makes no sense.
    static std::optional<Config> Load(const QString& path, const QString& version, QString* error);
};

} // namespace devservice
