#include "core/datapaths.h"
#include "ui/common/prompts.h"
#include "ui/common/qttranslations.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <QTest>

#include <QTimer>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>

namespace {

// Qt's texts in Polish for the length of one test.
struct PolishQt {
    explicit PolishQt(const QStringList& folders)
        : translator(ui::LoadQtTranslations(folders)) {}
    ~PolishQt() {
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    QTranslator* translator;
};

QString plainText(QAbstractButton* b) {
    return b ? b->text().remove(QLatin1Char('&')) : QStringLiteral("<none>");
}

TEST(QtTranslations, QuestionsAndTheFolderBrowserSpeakPolish) {
    const QStringList folders = ui::qtTranslationFolders();
    ASSERT_EQ(folders.size(), 3);
    EXPECT_EQ(folders[0], QCoreApplication::applicationDirPath() + QStringLiteral("/translations"));
    EXPECT_EQ(folders[1], core::dataFolders()[1] + QStringLiteral("/translations"));
    EXPECT_EQ(folders[2], QLibraryInfo::path(QLibraryInfo::TranslationsPath));

    PolishQt polish(folders);
    ASSERT_NE(polish.translator, nullptr);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pytanie"), QStringLiteral("Zapisać zmiany?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(plainText(box.button(QMessageBox::Yes)), QStringLiteral("Tak"));
    EXPECT_EQ(plainText(box.button(QMessageBox::No)), QStringLiteral("Nie"));
    EXPECT_EQ(plainText(box.button(QMessageBox::Cancel)), QStringLiteral("Anuluj"));

    // The folder browser as the shell opens it, with Qt's own dialog.
    QFileDialog dialog(nullptr, QStringLiteral("Wskaż folder"));
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    const auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    const auto* name = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_TRUE(lookIn && name && buttons);
    EXPECT_EQ(lookIn->text(), QStringLiteral("Szukaj w:"));
    EXPECT_EQ(name->text(), QStringLiteral("Katalog:"));
    EXPECT_EQ(plainText(buttons->button(QDialogButtonBox::Open)), QStringLiteral("Wybierz"));
    EXPECT_EQ(plainText(buttons->button(QDialogButtonBox::Cancel)), QStringLiteral("Anuluj"));
}

TEST(QtTranslations, AnUnreadableCopyBesideTheProgramGivesWayAndNoneAtAllLeavesEnglish) {
    QTemporaryDir beside;
    QFile bogus(beside.filePath(QStringLiteral("qtbase_pl.qm")));
    ASSERT_TRUE(bogus.open(QIODevice::WriteOnly));
    bogus.write("not a catalogue");
    bogus.close();
    {
        PolishQt polish({beside.path(), QLibraryInfo::path(QLibraryInfo::TranslationsPath)});
        ASSERT_NE(polish.translator, nullptr);
        EXPECT_EQ(polish.translator->filePath(), QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath))
                                                     .filePath(QStringLiteral("qtbase_pl.qm")));
    }
    PolishQt none({beside.path(), QString(), beside.filePath(QStringLiteral("missing"))});
    EXPECT_EQ(none.translator, nullptr);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Pytanie"), QString(), QMessageBox::Yes);
    EXPECT_EQ(plainText(box.button(QMessageBox::Yes)), QStringLiteral("Yes"));
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
    EXPECT_EQ(prompts.askYesNo(nullptr, QStringLiteral("Obraz został zmieniony. Zapisać zmiany?")),
              ui::Prompts::Answer::Yes);
    EXPECT_TRUE(stayed);
}

} // namespace
