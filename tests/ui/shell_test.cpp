// What the customer is told when the desktop cannot do what was asked: an address or help page that
// does not open, a missing help file; a yes/no question that only an answer ends; Qt's texts in Polish.
#include "ui/common/help.h"
#include "ui/common/prompts.h"
#include "ui/common/qttranslations.h"
#include "ui/common/shell.h"
#include "uitestsupport.h"

namespace {

// A stand-in for the system's opener, alone on PATH while it lives: it writes what it got into a
// file named after its argument's last letter and fails for addresses ending in "!".
class FakeOpener {
public:
    FakeOpener()
        : oldPath_(qgetenv("PATH")) {
        const QString script = folder_.write(
            "xdg-open",
            QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1/got'\ncase \"$1\" in *!) exit 3;; esac\n")
                .arg(folder_.dir.path())
                .toUtf8());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(folder_.dir.path()));
    }
    ~FakeOpener() { qputenv("PATH", oldPath_); }
    QByteArray got() const { return testsupport::ReadFile(folder_.path("got")); }

private:
    testsupport::TempFolder folder_;
    QByteArray oldPath_;
};

TEST(DesktopShell, WhatCannotBeOpenedIsToldWithItsAddress) {
    ui::RecordingPrompts prompts;
    FakeOpener opener;
    ui::DesktopShell shell(&prompts);
    const QString opens = QStringLiteral("http://h/ifincoming.php?sessid=1&aid=Zima%20%26%20lato");
    shell.openUrl(opens);
    ASSERT_TRUE(testsupport::waitUntil([&] { return opener.got() == opens.toUtf8(); }, 10000));
    // The opener that fails comes after the one that worked: one message, about it alone.
    const QString fails = QStringLiteral("http://h/nie!");
    shell.openUrl(fails);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !prompts.records.isEmpty(); }, 10000));
    ASSERT_EQ(prompts.records.size(), 1);
    EXPECT_EQ(prompts.records[0].kind, ui::Prompts::Kind::Error);
    EXPECT_EQ(prompts.records[0].text, ui::DesktopShell::CannotOpenText(fails));
    EXPECT_TRUE(prompts.records[0].text.contains(fails));

    qputenv("PATH", ""); // no opener at all
    prompts.records.clear();
    shell.openUrl(opens);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !prompts.records.isEmpty(); }, 10000));
    EXPECT_TRUE(prompts.records[0].text.contains(opens));

    ui::DesktopShell plain;
    prompts.records.clear();
    ui::ShowHelp(nullptr, plain, prompts, QStringLiteral("/nonexistent/pomoc/index.html"));
    ASSERT_EQ(prompts.records.size(), 1);
    EXPECT_EQ(prompts.records[0].text, QStringLiteral("Nie można odnaleźć pliku pomocy."));
}

TEST(MessageBoxPrompts, AYesNoQuestionIsNotAnsweredByEscapeOrItsCloseBox) {
    ui::MessageBoxPrompts prompts;
    bool stayed = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        QTest::keyClick(box, Qt::Key_Escape);
        box->close();
        stayed = box->isVisible();
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(prompts.askYesNo(nullptr, QStringLiteral("Zapisać zmiany?")), ui::Prompts::Answer::Yes);
    EXPECT_TRUE(stayed);
}

TEST(QtTranslations, StandardButtonsSpeakPolish) {
    std::unique_ptr<QTranslator> polish(ui::LoadQtTranslations());
    ASSERT_NE(polish, nullptr) << "no Polish catalogue of Qt's own texts was found";
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pytanie"), QString(),
                    QMessageBox::Yes | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Tak"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Anuluj"));
    QCoreApplication::removeTranslator(polish.get());
}

} // namespace
