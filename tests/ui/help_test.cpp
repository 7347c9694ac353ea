#include "uitestsupport.h"

#include "core/datapaths.h"
#include "ui/common/help.h"

#include <gtest/gtest.h>

#include <QFileInfo>

namespace {

const QString kCaption = QStringLiteral("Pomoc");
const QString kMissing = QStringLiteral("Nie można odnaleźć pliku pomocy.");

TEST(Help, OpenedThroughTheShellOrReportedMissing) {
    for (const bool found : {true, false}) {
        ui::RecordingShell shell;
        ui::RecordingPrompts prompts;
        shell.helpResult = found;
        ui::ShowHelp(nullptr, shell, prompts, QStringLiteral("/x/pomoc/index.html"));
        EXPECT_EQ(shell.calls, QStringList{QStringLiteral("openHelp /x/pomoc/index.html")});
        ASSERT_EQ(prompts.records.size(), found ? 0 : 1);
        if (!found) {
            EXPECT_EQ(prompts.records[0].kind, ui::Prompts::Kind::Error);
            EXPECT_EQ(prompts.records[0].caption, kCaption);
            EXPECT_EQ(prompts.records[0].text, kMissing);
        }
    }
}

TEST(Help, TheDesktopShellReportsAMissingFileOnly) {
    ui::DesktopShell shell;
    ui::RecordingPrompts prompts;
    ui::ShowHelp(nullptr, shell, prompts, QStringLiteral("/nonexistent/pomoc/index.html"));
    ASSERT_EQ(prompts.records.size(), 1);
    EXPECT_EQ(prompts.records[0].text, kMissing);
}

class HelpCommand : public uitest::WindowTest {};

// F1 opens the pages the build put beside the program.
TEST_F(HelpCommand, OpensTheHelpIndexBesideTheProgram) {
    h.build();
    act("aPomocPomoc")->trigger();
    ASSERT_EQ(h.shell.calls.size(), 1);
    const QString path = h.shell.calls[0].mid(QStringLiteral("openHelp ").size());
    EXPECT_EQ(path, core::helpIndexPath());
    EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    EXPECT_TRUE(h.prompts.records.isEmpty());

    h.shell.helpResult = false;
    act("aPomocPomoc")->trigger();
    ASSERT_EQ(h.prompts.records.size(), 1);
    EXPECT_EQ(h.prompts.records[0].caption, kCaption);
    EXPECT_EQ(h.prompts.records[0].text, kMissing);
}

} // namespace
