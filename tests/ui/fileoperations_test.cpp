// Copying, moving and deleting photos: the file calls never replace a file, and the main window's
// commands around them; opening the paths the program is started with.
#include "ui/browser/fileoperations.h"
#include "ui/main/openpaths.h"
#include "uitestsupport.h"

#include <thread>

namespace {

using testsupport::ReadFile;
using ui::Prompts;

const QString kExists = QStringLiteral("Plik o tej nazwie już istnieje w folderze docelowym.");
const QString kMissing = QStringLiteral("Plik lub folder nie istnieje.");
const QString kFolder = QStringLiteral("W tym miejscu jest folder, a nie plik.");

struct FileCalls : ::testing::Test {
    testsupport::TempFolder dir;
    QString make(const QString& name, const QByteArray& content = "photo") {
        QDir().mkpath(QFileInfo(dir.path(name)).absolutePath());
        return dir.write(name, content);
    }
};

TEST_F(FileCalls, CopyAndMoveNeverReplaceAFile) {
    const QString a = make(QStringLiteral("a/p.jpg"), "one");
    const QString taken = make(QStringLiteral("b/p.jpg"), "two");
    EXPECT_EQ(ui::copyFileNoOverwrite(a, a).reason, kExists);
    EXPECT_EQ(ui::copyFileNoOverwrite(a, taken).reason, kExists);
    EXPECT_EQ(ui::copyFileNoOverwrite(a, dir.path(QStringLiteral("c/p.jpg"))).reason, kMissing);
    EXPECT_EQ(ui::moveFileNoOverwrite(a, a).reason, kExists);
    EXPECT_EQ(ui::moveFileNoOverwrite(a, taken).reason, kExists);
    EXPECT_EQ(ui::renameNoReplace(a, taken).reason, kExists);
    EXPECT_EQ(ReadFile(a), QByteArray("one"));
    EXPECT_EQ(ReadFile(taken), QByteArray("two"));
    // Where the name is free: a copy keeps the date (the list sorts by it), a move takes the file away.
    const QString copy = dir.path(QStringLiteral("b/copy.jpg"));
    ASSERT_TRUE(ui::copyFileNoOverwrite(a, copy).ok());
    EXPECT_EQ(ReadFile(copy), QByteArray("one"));
    EXPECT_EQ(QFileInfo(copy).lastModified(), QFileInfo(a).lastModified());
    const QString moved = dir.path(QStringLiteral("b/q.jpg"));
    ASSERT_TRUE(ui::moveFileNoOverwrite(a, moved).ok());
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(ReadFile(moved), QByteArray("one"));
    EXPECT_EQ(ui::moveFileNoOverwrite(a, dir.path(QStringLiteral("b/r.jpg"))).reason, kMissing);
}

// A file that appears under the name after any check made before the move is never lost.
TEST_F(FileCalls, AMoveRefusesATargetThatAppearsAtTheSameMoment) {
    const QString target = dir.path(QStringLiteral("race.jpg"));
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
        ASSERT_NE(moved, created.load()) << round; // whoever came first, both files survive
        EXPECT_EQ(ReadFile(target), moved ? QByteArray("moved") : QByteArray("racer"));
        EXPECT_EQ(QFileInfo::exists(source), !moved);
    }
}

TEST_F(FileCalls, ADeleteSaysWhyItFailedAndNeverTakesAFolder) {
    const QString a = make(QStringLiteral("p.jpg"));
    ASSERT_TRUE(ui::deleteFile(a).ok());
    EXPECT_FALSE(QFileInfo::exists(a));
    EXPECT_EQ(ui::deleteFile(a).reason, kMissing);
    ASSERT_TRUE(QDir().mkpath(dir.path(QStringLiteral("q.jpg"))));
    EXPECT_EQ(ui::deleteFile(dir.path(QStringLiteral("q.jpg"))).reason, kFolder);
    EXPECT_TRUE(QFileInfo(dir.path(QStringLiteral("q.jpg"))).isDir());
}

// The commands of the main window over a folder of four real photos, the third one current.
class FileCommands : public uitest::WindowTest {
protected:
    void SetUp() override {
        folder = h.photoFolder(QStringLiteral("zdjecia"));
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(uitest::writePhoto(photo(i), QSize(8, 6), QColor(i * 60, 0, 0)));
        h.build();
        settle();
        w().GoToPhoto(2); // a refresh makes the first one current, so that it shows
        settle();
    }
    QString photo(int i) const { return folder + QDir::separator() + QStringLiteral("p%1.jpg").arg(i); }
    // Runs the command; the prompts it showed, as "kind|text".
    QStringList run(const char* action, Prompts::Answer answer = Prompts::Answer::Yes) {
        h.prompts.records.clear();
        h.prompts.answers = {answer};
        act(action)->trigger();
        settle();
        QStringList shown;
        for (const auto& r : h.prompts.records)
            shown << QString::number(int(r.kind)) + QLatin1Char('|') + r.text;
        return shown;
    }
    int current() { return w().catalogue().currentIndex(); }
    QString folder;
};

TEST_F(FileCommands, CopyMoveAndDeleteReportWhyTheyFailedAndRefreshTheList) {
    const QString plain = QString::number(int(Prompts::Kind::Plain)) + QLatin1Char('|');
    h.shell.folderAnswer = folder; // its own folder: the name is taken
    EXPECT_EQ(run("aPlikKopiujDo"), QStringList{plain + "Kopiowanie nieudane\n" + kExists});
    EXPECT_EQ(h.shell.calls.last(),
              "chooseFolder Wybierz folder, do którego chcesz skopiować plik|" + folder);
    EXPECT_EQ(current(), 2); // a failed copy reads nothing again
    EXPECT_EQ(run("aPlikPrzeniesDo"), QStringList{plain + "Przenoszenie nieudane\n" + kExists});
    EXPECT_EQ(current(), 0); // a move refreshes all the same
    EXPECT_EQ(w().catalogue().size(), 4);
    w().GoToPhoto(2);
    settle();
    const QString question =
        QString::number(int(Prompts::Kind::YesNo)) + "|Czy na pewno chcesz usunąć plik: \n\r" + photo(2);
    EXPECT_EQ(run("aPlikUsun", Prompts::Answer::No), QStringList{question});
    EXPECT_EQ(current(), 2);
    EXPECT_EQ(run("aPlikUsun"), QStringList{question});
    EXPECT_FALSE(QFileInfo::exists(photo(2)));
    EXPECT_EQ(w().catalogue().size(), 3);
    // The next photo is replaced by a folder with something in it before the user says Yes.
    w().GoToPhoto(1);
    settle();
    ASSERT_TRUE(QFile::remove(photo(1)) && QDir().mkpath(photo(1) + QStringLiteral("/inside")));
    EXPECT_EQ(run("aPlikUsun").value(1), plain + "Usuwanie nieudane\n" + kFolder);
    EXPECT_TRUE(QFileInfo(photo(1) + QStringLiteral("/inside")).isDir());
    // Without a current photo none of them does anything.
    w().catalogue().setCurrentIndex(-1);
    for (const char* name : {"aPlikKopiujDo", "aPlikPrzeniesDo", "aPlikUsun", "aPlikInfo"})
        EXPECT_TRUE(run(name).isEmpty()) << name;
    EXPECT_EQ(h.shell.calls.filter(QStringLiteral("chooseFolder")).size(), 2);
}

TEST_F(FileCommands, OpeningPathsShowsTheirFolderAndMakesTheFirstPhotoCurrent) {
    const QString other = QDir::toNativeSeparators(h.path(QStringLiteral("inne")));
    QDir().mkpath(other);
    const std::pair<const char*, int> files[] = {{"a.jpg", 3000}, {"b.jpg", 2000}, {"notatki.txt", 10}};
    for (const auto& [name, bytes] : files)
        ASSERT_TRUE(uitest::writeBytes(other + QLatin1Char('/') + QLatin1String(name), bytes));
    const struct {
        QStringList paths;
        const char* current;
    } cases[] = {
        {{QStringLiteral("inne")}, "a.jpg"},                                     // a folder: its first photo
        {{QStringLiteral("nie-ma.jpg"), QStringLiteral("inne/b.jpg")}, "b.jpg"}, // missing ones passed over
        {{QStringLiteral("inne/notatki.txt")}, "a.jpg"},                         // not a photo: its folder
    };
    for (const auto& c : cases) {
        QStringList paths;
        for (const QString& p : c.paths)
            paths.append(QDir::toNativeSeparators(h.path(p)));
        EXPECT_TRUE(ui::OpenPaths(w(), paths));
        settle();
        EXPECT_EQ(w().folder(), other);
        EXPECT_EQ(QFileInfo(w().catalogue().at(current()).Sciezka).fileName(), QLatin1String(c.current));
    }
    EXPECT_FALSE(ui::OpenPaths(w(), {photo(9), h.path(QStringLiteral("brak/"))})); // nothing that exists
    EXPECT_FALSE(ui::OpenPaths(w(), {}));
    EXPECT_EQ(w().folder(), other);
}

} // namespace
