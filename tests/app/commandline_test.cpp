#include "app/commandline.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

using Action = app::CommandLine::Action;

app::CommandLine parse(QStringList arguments) {
    arguments.prepend(QStringLiteral("pixvalelink"));
    return app::parseCommandLine(arguments, QStringLiteral("/home/ola/zdjecia"));
}

TEST(CommandLine, Actions) {
    const struct {
        QStringList arguments;
        Action action;
    } cases[] = {
        {{}, Action::Run},
        {{QStringLiteral("a.jpg")}, Action::Run},
        {{QStringLiteral("--help")}, Action::Help},
        {{QStringLiteral("-h")}, Action::Help},
        {{QStringLiteral("a.jpg"), QStringLiteral("--help")}, Action::Help},
        {{QStringLiteral("--version")}, Action::Version},
        {{QStringLiteral("-v")}, Action::Version},
        {{QStringLiteral("--report-and-quit")}, Action::Run},
        {{QStringLiteral("--nieznana")}, Action::Error},
        {{QStringLiteral("-x")}, Action::Error},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.arguments).action, c.action) << c.arguments.join(QLatin1Char(' ')).toStdString();
}

TEST(CommandLine, ANormalStartHasNoPathsAndNoReport) {
    const app::CommandLine c = parse({});
    EXPECT_TRUE(c.paths.isEmpty());
    EXPECT_FALSE(c.reportAndQuit);
    EXPECT_TRUE(parse({QStringLiteral("--report-and-quit")}).reportAndQuit);
}

TEST(CommandLine, PathsBecomeAbsoluteInTheirOrder) {
    const app::CommandLine c =
        parse({QStringLiteral("lato/a.jpg"), QStringLiteral("/tmp/b.tif"),
               QStringLiteral("file:///tmp/z%20spacja.jpg"), QStringLiteral("../inne/"), QStringLiteral("--"),
               QStringLiteral("-minus.jpg")});
    EXPECT_EQ(c.paths,
              QStringList({QDir::toNativeSeparators(QStringLiteral("/home/ola/zdjecia/lato/a.jpg")),
                           QDir::toNativeSeparators(QStringLiteral("/tmp/b.tif")),
                           QDir::toNativeSeparators(QStringLiteral("/tmp/z spacja.jpg")),
                           QDir::toNativeSeparators(QStringLiteral("/home/ola/inne")),
                           QDir::toNativeSeparators(QStringLiteral("/home/ola/zdjecia/-minus.jpg"))}));
}

TEST(CommandLine, PolishTexts) {
    const QString help = parse({QStringLiteral("--help")}).text;
    EXPECT_TRUE(help.startsWith(QStringLiteral("Użycie: pixvalelink [opcje] [zdjęcie lub folder...]\n")));
    EXPECT_TRUE(help.contains(QStringLiteral("  -h, --help          Wyświetla tę pomoc i kończy.\n")));
    EXPECT_TRUE(help.contains(QStringLiteral("  -v, --version       Wyświetla wersję programu i kończy.\n")));
    // The installation test's option stays out of sight.
    EXPECT_FALSE(help.contains(QStringLiteral("report")));
    EXPECT_EQ(parse({QStringLiteral("--version")}).text, QStringLiteral("PixvaleLink 1.0.0.0\n"));
    EXPECT_TRUE(
        parse({QStringLiteral("--nieznana")}).text.startsWith(QStringLiteral("Nieznana opcja: nieznana\n")));
}

TEST(CommandLine, ArgumentsOfMain) {
    char program[] = "pixvalelink";
    char photo[] = "\xc5\x82\xc4\x85ka.jpg"; // "łąka.jpg" in UTF-8
    char* argv[] = {program, photo};
    EXPECT_EQ(app::argumentsOf(2, argv),
              QStringList({QStringLiteral("pixvalelink"), QStringLiteral("łąka.jpg")}));
}

} // namespace
