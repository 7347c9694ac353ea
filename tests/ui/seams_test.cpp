#include "ui/common/prompts.h"
#include "ui/common/shell.h"

#include <gtest/gtest.h>

namespace {

using Answer = ui::Prompts::Answer;
using Kind = ui::Prompts::Kind;

TEST(RecordingPrompts, RecordsCaptionsAndAnswersQuestionsFromTheQueue) {
    ui::RecordingPrompts p;
    p.answers = {Answer::No, Answer::Yes};
    p.error(nullptr, QStringLiteral("zły plik"));
    EXPECT_EQ(p.askYesNoCancel(nullptr, QStringLiteral("Zapisać?")), Answer::No);
    p.info(nullptr, QStringLiteral("Uwaga"), QStringLiteral("Nic"));
    EXPECT_EQ(p.askYesNo(nullptr, QStringLiteral("Przerwać?")), Answer::Yes);
    EXPECT_EQ(p.askYesNo(nullptr, QStringLiteral("Jeszcze?")), Answer::Cancel); // queue empty: fallback
    ASSERT_EQ(p.records.size(), 5);
    const struct {
        Kind kind;
        const char* caption;
        const char* text;
    } expected[] = {{Kind::Error, "Błąd", "zły plik"},
                    {Kind::YesNoCancel, "Pytanie", "Zapisać?"},
                    {Kind::Info, "Uwaga", "Nic"},
                    {Kind::YesNo, "Pytanie", "Przerwać?"},
                    {Kind::YesNo, "Pytanie", "Jeszcze?"}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(p.records[i].kind, expected[i].kind);
        EXPECT_EQ(p.records[i].caption, QString::fromUtf8(expected[i].caption));
        EXPECT_EQ(p.records[i].text, QString::fromUtf8(expected[i].text));
    }
}

TEST(RecordingPrompts, MessagesWithoutChoiceDoNotConsumeAnswers) {
    ui::RecordingPrompts p;
    p.answers = {Answer::Yes};
    p.info(nullptr, QStringLiteral("a"));
    EXPECT_EQ(p.records.last().caption, QStringLiteral("Informacja"));
    EXPECT_EQ(p.askYesNo(nullptr, QStringLiteral("b")), Answer::Yes);
}

TEST(RecordingShell, RecordsCallsAndAnswers) {
    ui::RecordingShell s;
    s.folderAnswer = QStringLiteral("/tmp/x");
    s.propertiesResult = false;
    s.openUrl(QStringLiteral("http://h/"));
    EXPECT_EQ(s.chooseFolder(nullptr, QStringLiteral("T"), QStringLiteral("/a")), QStringLiteral("/tmp/x"));
    EXPECT_FALSE(s.showProperties(nullptr, QStringLiteral("/a/b.jpg")));
    EXPECT_EQ(s.calls, (QStringList{QStringLiteral("openUrl http://h/"), QStringLiteral("chooseFolder T|/a"),
                                    QStringLiteral("showProperties /a/b.jpg")}));
}

TEST(DesktopShell, MissingFilesAreRefusedWithoutOpeningAnything) {
    ui::DesktopShell s;
    EXPECT_FALSE(s.showProperties(nullptr, QStringLiteral("/nonexistent/zdjecie.jpg")));
    EXPECT_FALSE(s.openHelp(QStringLiteral("/nonexistent/pomoc/index.html")));
}

} // namespace
