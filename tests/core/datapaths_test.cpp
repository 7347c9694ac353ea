#include "core/datapaths.h"
#include "core/localsettings.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

namespace {

bool touch(const QString& path) {
    QDir().mkpath(path.section(QLatin1Char('/'), 0, -2));
    return testsupport::WriteFile(path, {});
}

TEST(DataPaths, TheProgramFolderThenTheInstalledDataFolder) {
    EXPECT_EQ(
        core::dataFolders(QStringLiteral("/opt/pixvale/bin")),
        QStringList({QStringLiteral("/opt/pixvale/bin"), QStringLiteral("/opt/pixvale/share/pixvalelink")}));
    EXPECT_EQ(
        core::iconFolders(QStringLiteral("/opt/pixvale/bin/")),
        QStringList({QStringLiteral("/opt/pixvale/bin/icons"), QStringLiteral("/opt/pixvale/share/icons")}));
    // The running program: its own folder comes first.
    EXPECT_EQ(core::dataFolders().first(), QDir::cleanPath(QCoreApplication::applicationDirPath()));
}

TEST(DataPaths, TheFirstFolderHoldingTheFileWins) {
    QTemporaryDir dir;
    const QStringList folders{dir.filePath(QStringLiteral("bin")),
                              dir.filePath(QStringLiteral("share/pixvalelink"))};
    const QString inProgram = folders[0] + QStringLiteral("/settings");
    const QString installed = folders[1] + QStringLiteral("/settings");
    // Neither: the program's folder is named, so a message can say where the file was expected.
    EXPECT_EQ(core::findDataFile(QStringLiteral("settings"), folders), inProgram);
    ASSERT_TRUE(touch(installed));
    EXPECT_EQ(core::findDataFile(QStringLiteral("settings"), folders), installed);
    ASSERT_TRUE(touch(inProgram));
    EXPECT_EQ(core::findDataFile(QStringLiteral("settings"), folders), inProgram);
    EXPECT_EQ(core::findDataFile(QStringLiteral("pomoc/index.html"), {}), QStringLiteral("pomoc/index.html"));
}

TEST(DataPaths, HelpIndexPerPlatform) {
    EXPECT_EQ(core::helpIndexName(true), QStringLiteral("pomoc/PixvaleLink.chm"));
    EXPECT_EQ(core::helpIndexName(false), QStringLiteral("pomoc/index.html"));
#ifndef Q_OS_WIN
    EXPECT_TRUE(core::helpIndexPath().endsWith(QStringLiteral("/pomoc/index.html")))
        << core::helpIndexPath().toStdString();
#endif
}

TEST(DataPaths, TheLocalSettingsFileIsLookedUpLikeTheRest) {
    EXPECT_EQ(core::localSettingsPath(), core::findDataFile(QStringLiteral("settings")));
}

} // namespace
