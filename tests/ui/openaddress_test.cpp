// Opening an address or a help page with the system's opener, and telling the customer when it cannot.
#include "testsupport.h"
#include "ui/common/prompts.h"
#include "ui/common/shell.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Puts a stand-in for the system's opener (or none) first and alone on PATH while it lives.
class FakeOpener {
public:
    // `exitCode` < 0: no opener at all. The stand-in writes the address it got into "got".
    explicit FakeOpener(int exitCode)
        : oldPath_(qgetenv("PATH")) {
        if (exitCode >= 0) {
            const QString script = dir_.filePath("xdg-open");
            testsupport::WriteFile(script, QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit %2\n")
                                               .arg(got(), QString::number(exitCode))
                                               .toUtf8());
            QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(dir_.path()));
    }
    ~FakeOpener() { qputenv("PATH", oldPath_); }
    QString got() const { return dir_.filePath("got"); }

private:
    QTemporaryDir dir_;
    QByteArray oldPath_;
};

} // namespace

TEST(DesktopShell, WhatCannotBeOpenedIsToldWithItsAddress) {
    const QString address = "http://h/ifincoming.php?sessid=1&aid=Zima%20%26%20lato";
    QTemporaryDir pages;
    const QString help = pages.filePath("index.html");
    testsupport::WriteFile(help, "<html></html>");
    struct Case {
        const char* name;
        int exitCode;
        bool told;
    };
    const Case cases[] = {{"opened", 0, false}, {"no browser", 3, true}, {"no opener", -1, true}};
    for (const Case& c : cases) {
        for (const bool isHelp : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (isHelp ? " help" : " address"));
            ui::RecordingPrompts prompts;
            FakeOpener opener(c.exitCode);
            {
                ui::DesktopShell shell(&prompts);
                if (isHelp)
                    EXPECT_TRUE(shell.openHelp(help));
                else
                    shell.openUrl(address);
                if (c.told) {
                    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.records.isEmpty(); }, 10000));
                } else {
                    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(opener.got()); }, 10000));
                    QTest::qWait(300); // the opener's exit arrives after its file
                }
            }
            if (c.exitCode >= 0) {
                EXPECT_EQ(testsupport::ReadFile(opener.got()),
                          isHelp ? QUrl::fromLocalFile(help).toEncoded() : address.toUtf8());
            }
            ASSERT_EQ(prompts.records.size(), c.told ? 1 : 0);
            if (c.told) {
                EXPECT_EQ(prompts.records[0].kind, ui::Prompts::Kind::Error);
                EXPECT_EQ(prompts.records[0].caption, QString::fromUtf8("Błąd"));
                EXPECT_EQ(prompts.records[0].text, ui::DesktopShell::CannotOpenText(isHelp ? help : address));
                EXPECT_TRUE(prompts.records[0].text.contains(isHelp ? help : address));
            }
        }
    }
}
