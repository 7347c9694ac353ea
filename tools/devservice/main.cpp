// pixvale-devservice: a local stand-in for the photo service, for tests and for scripts/run.
//
//   pixvale-devservice --port N --data DIR [--config FILE] [--tls-cert F --tls-key F] [fault switches]
//
// Listens on 127.0.0.1 only; "--port 0" takes any free port. The first line on stdout is "port=N". With
// a certificate and its key it speaks HTTPS.
#include "devconfig.h"
#include "devservice.h"

#include <QDir>
#include <QString>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

devservice::DevService* running = nullptr;

void stopOnSignal(int) {
    if (running != nullptr)
        running->Stop();
}

int usage(const char* problem) {
    std::fprintf(stderr,
                 "pixvale-devservice: %s\n"
                 "usage: pixvale-devservice --port N --data DIR [--config FILE]\n"
                 "  [--tls-cert PEM_FILE --tls-key PEM_FILE]\n"
                 "  [--crlf] [--no-final-lf] [--http-error STATUS] [--login-without-sessid]\n"
                 "  [--slow-reader BYTES_PER_SECOND] [--drop-after BYTES] [--max-body BYTES]\n"
                 "  [--stall-after BYTES] [--silent] [--silent-on SCRIPT]...\n"
                 "  [--record DIR]\n"
                 "  [--answer SCRIPT=FILE]...\n",
                 problem);
    return 2;
}

bool toNumber(const char* text, qint64* number) {
    bool ok = false;
    *number = QString::fromLocal8Bit(text).toLongLong(&ok);
    return ok && *number >= 0;
}

} // namespace

int main(int argc, char** argv) {
    qint64 port = -1;
    QString dataDir, configPath;
    devservice::Faults faults;
    devservice::Tls tls;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        const auto value = [&] { return argv[++i]; };
        qint64 number = 0;
        if (option == "--crlf") {
            faults.crlf = true;
        } else if (option == "--no-final-lf") {
            faults.noFinalLf = true;
        } else if (option == "--login-without-sessid") {
            faults.loginWithoutSessid = true;
        } else if (option == "--silent") {
            for (const char* script : devservice::kScripts)
                faults.silentScripts.insert(QString::fromLatin1(script));
        } else if (!hasValue) {
            return usage(("missing value or unknown option " + option).c_str());
        } else if (option == "--port") {
            if (!toNumber(value(), &port) || port > 65535)
                return usage("bad port");
        } else if (option == "--data") {
            dataDir = QString::fromLocal8Bit(value());
        } else if (option == "--config") {
            configPath = QString::fromLocal8Bit(value());
        } else if (option == "--http-error") {
            if (!toNumber(value(), &number) || number < 100 || number > 599)
                return usage("bad HTTP status");
            faults.httpError = static_cast<int>(number);
        } else if (option == "--slow-reader") {
            if (!toNumber(value(), &number) || number == 0)
                return usage("bad reading speed");
            faults.slowReaderBytesPerSecond = number;
        } else if (option == "--drop-after") {
            if (!toNumber(value(), &number))
                return usage("bad byte count");
            faults.dropAfterBytes = number;
        } else if (option == "--silent-on") {
            faults.silentScripts.insert(QString::fromLocal8Bit(value()));
        } else if (option == "--stall-after") {
            if (!toNumber(value(), &number))
                return usage("bad byte count");
            faults.stallAfterBytes = number;
        } else if (option == "--max-body") {
            if (!toNumber(value(), &number))
                return usage("bad byte count");
            faults.maxBodyBytes = number;
        } else if (option == "--tls-cert") {
            tls.certificate = QString::fromLocal8Bit(value());
        } else if (option == "--tls-key") {
            tls.key = QString::fromLocal8Bit(value());
        } else if (option == "--record") {
            faults.recordDir = QString::fromLocal8Bit(value());
        } else if (option == "--answer") {
            const QString pair = QString::fromLocal8Bit(value());
            const qsizetype eq = pair.indexOf(QLatin1Char('='));
            if (eq <= 0)
                return usage("--answer wants SCRIPT=FILE");
            faults.cannedAnswers[pair.left(eq)] = pair.mid(eq + 1);
        } else {
            return usage(("unknown option " + option).c_str());
        }
    }
    if (port < 0 || dataDir.isEmpty())
        return usage("--port and --data are required");
    if (tls.certificate.isEmpty() != tls.key.isEmpty())
        return usage("--tls-cert and --tls-key go together");
    if (!QDir().mkpath(dataDir) || (!faults.recordDir.isEmpty() && !QDir().mkpath(faults.recordDir)))
        return usage("cannot create the data or record folder");

    const QString version = QStringLiteral(PIXVALE_VERSION);
    devservice::Config config = devservice::Config::Demo(version);
    if (!configPath.isEmpty()) {
        QString error;
        std::optional<devservice::Config> loaded = devservice::Config::Load(configPath, version, &error);
        if (!loaded)
            return usage(error.toLocal8Bit().constData());
        config = std::move(*loaded);
    }

    const std::vector<devservice::Account> accounts = config.accounts;
    devservice::DevService service(std::move(config), dataDir, faults, tls);
    if (!service.valid())
        return usage("cannot use the TLS certificate or key");
    const int bound = service.Bind(static_cast<int>(port));
    if (bound < 0) {
        std::fprintf(stderr, "pixvale-devservice: cannot listen on 127.0.0.1:%lld\n", port);
        return 1;
    }
    std::printf("port=%d\n", bound);
    for (const devservice::Account& account : accounts)
        std::printf("account login=%s password=%s\n", account.login.toUtf8().constData(),
                    account.password.toUtf8().constData());
    std::fflush(stdout);

    running = &service;
    std::signal(SIGINT, stopOnSignal);
    std::signal(SIGTERM, stopOnSignal);
    service.Serve();
    running = nullptr;
    return 0;
}
