#include "uitestsupport.h"

#include "testsupport.h"
#include "ui/browser/fileoperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <unistd.h>

namespace {

using ui::Prompts;

const QString kExists = QStringLiteral("Plik o tej nazwie już istnieje w folderze docelowym.");
const QString kMissing = QStringLiteral("Plik lub folder nie istnieje.");
const QString kFolder = QStringLiteral("W tym miejscu jest folder, a nie plik.");

// The file-system calls on real folders.
class FileCalls : public ::testing::Test {
protected:
    QString make(const QString& name, const QByteArray& content = "photo") {
        const QString p = dir.filePath(name);
        QDir().mkpath(QFileInfo(p).absolutePath());
        EXPECT_TRUE(testsupport::WriteFile(p, content));
        return p;
    }
    QTemporaryDir dir;
};

TEST_F(FileCalls, CopyRefusesToOverwriteAndKeepsTheDate) {
    const QString a = make(QStringLiteral("a/p.jpg"), "one");
    const QString other = make(QStringLiteral("b/p.jpg"), "two");
    const struct {
        QString to;
        QString reason;
    } cases[] = {{a, kExists}, {other, kExists}, {dir.filePath(QStringLiteral("c/p.jpg")), kMissing}};
    for (const auto& c : cases) {
        EXPECT_EQ(ui::copyFileNoOverwrite(a, c.to).reason, c.reason) << c.to.toStdString();
        EXPECT_EQ(testsupport::ReadFile(a), QByteArray("one"));
    }
    EXPECT_EQ(testsupport::ReadFile(other), QByteArray("two"));
    QDir().mkpath(dir.filePath(QStringLiteral("d")));
    const QString copy = dir.filePath(QStringLiteral("d/p.jpg"));
    ASSERT_TRUE(ui::copyFileNoOverwrite(a, copy).ok());
    EXPECT_EQ(testsupport::ReadFile(copy), QByteArray("one"));
    EXPECT_EQ(QFileInfo(copy).lastModified(), QFileInfo(a).lastModified());
    EXPECT_EQ(ui::copyFileNoOverwrite(dir.filePath(QStringLiteral("none.jpg")),
                                      dir.filePath(QStringLiteral("x.jpg")))
                  .reason,
              kMissing);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("x.jpg"))));
}

TEST_F(FileCalls, MoveRefusesToOverwrite) {
    const QString a = make(QStringLiteral("a/p.jpg"), "one");
    const QString taken = make(QStringLiteral("b/p.jpg"), "two");
    EXPECT_EQ(ui::moveFileNoOverwrite(a, a).reason, kExists);
    EXPECT_EQ(ui::moveFileNoOverwrite(a, taken).reason, kExists);
    EXPECT_EQ(testsupport::ReadFile(a), QByteArray("one"));
    EXPECT_EQ(testsupport::ReadFile(taken), QByteArray("two"));
    const QString moved = dir.filePath(QStringLiteral("b/q.jpg"));
    ASSERT_TRUE(ui::moveFileNoOverwrite(a, moved).ok());
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(testsupport::ReadFile(moved), QByteArray("one"));
    EXPECT_EQ(ui::moveFileNoOverwrite(a, dir.filePath(QStringLiteral("b/r.jpg"))).reason, kMissing);
}

// The rename itself refuses an existing name (a file that appeared after any check), and a file that
// keeps appearing while photos move is never lost.
TEST_F(FileCalls, TheRenameItselfNeverReplaces) {
    const QString a = make(QStringLiteral("a/p.jpg"), "one");
    const QString taken = make(QStringLiteral("b/p.jpg"), "two");
    EXPECT_EQ(ui::renameNoReplace(a, taken).reason, kExists);
    EXPECT_EQ(testsupport::ReadFile(a), QByteArray("one"));
    EXPECT_EQ(testsupport::ReadFile(taken), QByteArray("two"));

    const QString target = dir.filePath(QStringLiteral("b/race.jpg"));
    for (int round = 0; round < 200; ++round) {
        const QString source = make(QStringLiteral("a/r%1.jpg").arg(round), "moved");
        QFile::remove(target);
        std::atomic<bool> created{false};
        std::thread racer([&] {
            QFile file(target);
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write("racer") == 5)
                created = true;
        });
        const bool moved = ui::moveFileNoOverwrite(source, target).ok();
        racer.join();
        // Both files survive, whoever came first.
        ASSERT_NE(moved, created.load()) << round;
        EXPECT_EQ(testsupport::ReadFile(target), moved ? QByteArray("moved") : QByteArray("racer"));
        EXPECT_EQ(QFileInfo::exists(source), !moved);
    }
}

TEST_F(FileCalls, DeleteSaysWhyItFailed) {
    const QString a = make(QStringLiteral("p.jpg"));
    ASSERT_TRUE(ui::deleteFile(a).ok());
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(ui::deleteFile(a).reason, kMissing);
    // A folder (empty or not) that took the file's name is never deleted in its place.
    QDir().mkpath(dir.filePath(QStringLiteral("q.jpg")));
    EXPECT_EQ(ui::deleteFile(dir.filePath(QStringLiteral("q.jpg"))).reason, kFolder);
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("q.jpg"))).isDir());
}

TEST(JoinPath, UsesThePlatformsSeparatorOnce) {
    const QChar s = QDir::separator();
    EXPECT_EQ(ui::joinPath(QStringLiteral("a"), QStringLiteral("p.jpg")),
              QStringLiteral("a") + s + QStringLiteral("p.jpg"));
    EXPECT_EQ(ui::joinPath(QString(s), QStringLiteral("p.jpg")), QString(s) + QStringLiteral("p.jpg"));
    EXPECT_EQ(ui::joinPath(QStringLiteral("a/b"), QStringLiteral("p.jpg")),
              QDir::toNativeSeparators(QStringLiteral("a/b/")) + QStringLiteral("p.jpg"));
}

// The commands of the main window over a folder of four real photos.
class FileCommands : public uitest::WindowTest {
protected:
    void SetUp() override {
        folder = h.photoFolder(QStringLiteral("zdjecia"));
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(uitest::writePhoto(photo(i), QSize(8, 6), QColor(i * 60, 0, 0)));
        QDir(h.dir.path()).mkpath(QStringLiteral("inne"));
        other = QDir::toNativeSeparators(h.path(QStringLiteral("inne")));
        h.build();
        settle();
        // A photo other than the first is current, so that a refresh shows (it makes the first current).
        w().GoToPhoto(2);
        settle();
        h.prompts.records.clear();
    }
    QString photo(int i) const { return folder + QDir::separator() + QStringLiteral("p%1.jpg").arg(i); }
    QString in(const QString& f, int i) const {
        return f + QDir::separator() + QStringLiteral("p%1.jpg").arg(i);
    }
    int current() { return w().catalogue().currentIndex(); }
    void expectOnlyMessage(const QString& text) {
        ASSERT_EQ(h.prompts.records.size(), 1);
        EXPECT_EQ(h.prompts.records[0].kind, Prompts::Kind::Plain);
        EXPECT_EQ(h.prompts.records[0].caption, QStringLiteral("PixvaleLink"));
        EXPECT_EQ(h.prompts.records[0].text, text);
    }
    QString folder;
    QString other;
};

TEST_F(FileCommands, CopyOrMoveIntoItsOwnFolderFails) {
    const struct {
        const char* action;
        const char* verb;
        const char* failure;
        int current; // a failed copy reads nothing again, a failed move refreshes all the same
    } cases[] = {{"aPlikKopiujDo", "skopiować", "Kopiowanie nieudane\n", 2},
                 {"aPlikPrzeniesDo", "przenieść", "Przenoszenie nieudane\n", 0}};
    h.shell.folderAnswer = folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        h.prompts.records.clear();
        act(c.action)->trigger();
        settle();
        EXPECT_EQ(h.shell.calls.last(), QStringLiteral("chooseFolder Wybierz folder, do którego chcesz ") +
                                            QString::fromUtf8(c.verb) + QStringLiteral(" plik|") + folder);
        expectOnlyMessage(QString::fromUtf8(c.failure) + kExists);
        EXPECT_TRUE(QFileInfo::exists(photo(2)));
        EXPECT_EQ(current(), c.current);
        EXPECT_EQ(w().catalogue().size(), 4);
    }
}

TEST_F(FileCommands, CopyElsewhereWritesTheCopyQuietly) {
    h.shell.folderAnswer = other;
    act("aPlikKopiujDo")->trigger();
    settle();
    EXPECT_TRUE(h.prompts.records.isEmpty());
    EXPECT_EQ(testsupport::ReadFile(in(other, 2)), testsupport::ReadFile(photo(2)));
    EXPECT_EQ(current(), 2);
    EXPECT_EQ(w().catalogue().size(), 4);
}

TEST_F(FileCommands, CancellingTheFolderBrowserDoesNothing) {
    h.shell.folderAnswer.clear();
    act("aPlikKopiujDo")->trigger();
    settle();
    act("aPlikPrzeniesDo")->trigger();
    settle();
    EXPECT_EQ(h.shell.calls.filter(QStringLiteral("chooseFolder")).size(), 2);
    EXPECT_TRUE(h.prompts.records.isEmpty());
    EXPECT_EQ(current(), 2);
    EXPECT_TRUE(QFileInfo::exists(photo(2)));
}

TEST_F(FileCommands, MoveElsewhereTakesThePhotoOutOfTheList) {
    h.shell.folderAnswer = other;
    act("aPlikPrzeniesDo")->trigger();
    settle();
    settle();
    EXPECT_TRUE(h.prompts.records.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(photo(2)));
    EXPECT_TRUE(QFileInfo::exists(in(other, 2)));
    EXPECT_EQ(w().catalogue().size(), 3);
    EXPECT_EQ(current(), 0);
}

TEST_F(FileCommands, NoToTheDeleteQuestionChangesNothing) {
    h.prompts.answers = {Prompts::Answer::No};
    act("aPlikUsun")->trigger();
    settle();
    ASSERT_EQ(h.prompts.records.size(), 1);
    EXPECT_EQ(h.prompts.records[0].kind, Prompts::Kind::YesNo);
    EXPECT_EQ(h.prompts.records[0].caption, QStringLiteral("Pytanie"));
    EXPECT_EQ(h.prompts.records[0].text, QStringLiteral("Czy na pewno chcesz usunąć plik: \n\r") + photo(2));
    EXPECT_TRUE(QFileInfo::exists(photo(2)));
    EXPECT_EQ(current(), 2);
}

TEST_F(FileCommands, YesDeletesForGoodAndRefreshes) {
    h.prompts.answers = {Prompts::Answer::Yes};
    act("aPlikUsun")->trigger();
    settle();
    settle();
    EXPECT_EQ(h.prompts.records.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(photo(2)));
    EXPECT_EQ(w().catalogue().size(), 3);
    EXPECT_EQ(current(), 0);
}

TEST_F(FileCommands, AFailedDeleteIsReported) {
    // The photo is replaced by a folder with something in it before the user says Yes.
    ASSERT_TRUE(QFile::remove(photo(2)));
    ASSERT_TRUE(QDir().mkpath(photo(2) + QStringLiteral("/inside")));
    h.prompts.answers = {Prompts::Answer::Yes};
    act("aPlikUsun")->trigger();
    settle();
    ASSERT_EQ(h.prompts.records.size(), 2);
    EXPECT_EQ(h.prompts.records[1].kind, Prompts::Kind::Plain);
    EXPECT_EQ(h.prompts.records[1].text, QStringLiteral("Usuwanie nieudane\n") + kFolder);
    EXPECT_TRUE(QFileInfo(photo(2) + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(current(), 0);
}

TEST_F(FileCommands, AReadOnlyFolderRefusesTheDeleteWithTheSystemsReason) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions; the folder case above covers a failing delete";
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    h.prompts.answers = {Prompts::Answer::Yes};
    act("aPlikUsun")->trigger();
    settle();
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    ASSERT_EQ(h.prompts.records.size(), 2);
    EXPECT_EQ(h.prompts.records[1].text,
              QStringLiteral("Usuwanie nieudane\nBrak uprawnień do pliku lub folderu."));
    EXPECT_TRUE(QFileInfo::exists(photo(2)));
}

TEST_F(FileCommands, WithoutACurrentPhotoNothingHappens) {
    w().catalogue().setCurrentIndex(-1);
    h.shell.folderAnswer = other;
    h.prompts.answers = {Prompts::Answer::Yes};
    for (const char* name : {"aPlikKopiujDo", "aPlikPrzeniesDo", "aPlikUsun", "aPlikInfo"})
        act(name)->trigger();
    settle();
    EXPECT_TRUE(h.shell.calls.filter(QStringLiteral("chooseFolder")).isEmpty());
    EXPECT_TRUE(h.prompts.records.isEmpty());
    EXPECT_EQ(w().catalogue().size(), 4);
}

} // namespace
