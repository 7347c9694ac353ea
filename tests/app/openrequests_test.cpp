#include "app/openrequests.h"
#include "core/datapaths.h"
#include "core/settingsstore.h"
#include "imaging/imagefile.h"
#include "testsupport.h"
#include "ui/common/appresources.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"
#include "ui/main/tfoglowny.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QStringList reportLines(ui::TfoGlowny& window) {
    return app::installationReport(window, QStringLiteral("/x/icon.svg")).split(QLatin1Char('\n'));
}

TEST(OpenRequests, OpensThePhotoAndReportsWhatWasFound) {
    ui::InitResources();
    QTemporaryDir dir;
    const QString folder = QDir::toNativeSeparators(dir.filePath(QStringLiteral("lato")));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString photo = folder + QStringLiteral("/b.jpg");
    ASSERT_TRUE(QFile::copy(testsupport::corpusFile(QStringLiteral("canon_40d_II_thumb_jfif.jpg")), photo));
    ASSERT_TRUE(QFile::copy(photo, folder + QStringLiteral("/a.jpg")));

    ui::RecordingPrompts prompts;
    ui::RecordingShell shell;
    shell.documents = dir.path();
    core::SettingsStore store(dir.filePath(QStringLiteral("store.ini")));
    ui::TfoGlowny window({&prompts, &shell, &store, dir.filePath(QStringLiteral("settings"))});
    window.show();
    const QString before = window.folder();
    app::OpenRequests requests(window, true);
    requests.open({});
    EXPECT_EQ(window.folder(), before);
    EXPECT_TRUE(window.isVisible());

    // The first request with paths is opened, waited for, reported, and the window closes.
    requests.open({folder + QStringLiteral("/brak.jpg"), photo});
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.folder(), folder);
    const QStringList report = reportLines(window);
    EXPECT_EQ(report.value(0), QStringLiteral("help=") + core::helpIndexPath());
    EXPECT_EQ(report.value(1), QStringLiteral("icon=/x/icon.svg"));
    EXPECT_TRUE(report.value(2).startsWith(QStringLiteral("translations=")));
    EXPECT_EQ(report.value(3), QStringLiteral("folder=") + folder);
    EXPECT_EQ(report.value(4), QStringLiteral("photo=") + photo);
    EXPECT_EQ(report.value(5), QStringLiteral("bitmap=100x68"));
}

} // namespace
