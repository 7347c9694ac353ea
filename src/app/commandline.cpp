#include "app/commandline.h"

#include "core/versioninfo.h"

#include <QCommandLineParser>
#include <QDir>
#include <QUrl>

#include <cstdio>

namespace app {

namespace {

const QString kReportOption = QStringLiteral("report-and-quit");

// The help screen, written out here because Qt's own headings would be English before the
// application object (and with it the Polish catalogue) exists.
QString helpText(const QList<QCommandLineOption>& options) {
    QString text = QStringLiteral("Użycie: pixvalelink [opcje] [zdjęcie lub folder...]\n"
                                  "PixvaleLink: przygotowanie zdjęć i wysyłanie ich do serwisu Pixvale.\n\n"
                                  "Opcje:\n");
    for (const QCommandLineOption& o : options) {
        if (o.flags() & QCommandLineOption::HiddenFromHelp)
            continue;
        QStringList names;
        for (const QString& n : o.names())
            names.append((n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n);
        text += QStringLiteral("  %1  %2\n").arg(names.join(QStringLiteral(", ")), -18).arg(o.description());
    }
    text += QStringLiteral("\nArgumenty:\n"
                           "  zdjęcie lub folder  folder staje się bieżącym folderem; zdjęcie (JPEG, TIFF)\n"
                           "                      otwiera swój folder i pokazuje się w podglądzie.\n"
                           "                      Gdy program już działa, otwiera je działająca kopia.\n");
    return text;
}

QString absolutePath(const QString& argument, const QString& workingFolder) {
    QString path = argument;
    if (argument.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive))
        path = QUrl(argument).toLocalFile();
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path)));
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments, const QString& workingFolder) {
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Wyświetla tę pomoc i kończy."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Wyświetla wersję programu i kończy."));
    QCommandLineOption report(kReportOption, QStringLiteral("Sprawdzenie instalacji."));
    report.setFlags(QCommandLineOption::HiddenFromHelp);
    const QList<QCommandLineOption> options{help, version, report};

    QCommandLineParser parser;
    parser.addOptions(options);

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = CommandLine::Action::Error;
        result.text = parser.unknownOptionNames().isEmpty()
                          ? parser.errorText()
                          : QStringLiteral("Nieznana opcja: ") + parser.unknownOptionNames().first();
        result.text += QStringLiteral("\nPolecenie „pixvalelink --help” wyświetla dostępne opcje.\n");
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::Help;
        result.text = helpText(options);
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::Version;
        result.text = QStringLiteral("PixvaleLink ") + core::TVerInfoRes().fileVersion() + QLatin1Char('\n');
        return result;
    }
    result.reportAndQuit = parser.isSet(report);
    for (const QString& argument : parser.positionalArguments())
        result.paths.append(absolutePath(argument, workingFolder));
    return result;
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

int printOutcome(const CommandLine& command) {
    const bool error = command.action == CommandLine::Action::Error;
    std::fputs(command.text.toLocal8Bit().constData(), error ? stderr : stdout);
    std::fflush(error ? stderr : stdout);
    return error ? 1 : 0;
}

} // namespace app
