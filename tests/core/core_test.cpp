// The photo catalogue of a folder, where the data files are found, and the about window's system lines.
#include "core/catalogue.h"
#include "core/datapaths.h"
#include "core/localsettings.h"
#include "core/versioninfo.h"
#include "testsupport.h"

using core::Catalogue;

namespace {

QStringList namesOf(const Catalogue& c) {
    QStringList names;
    for (const auto& e : c.entries())
        names << e.Nazwa + e.Rozszerzenie;
    return names;
}

// A folder of photos whose sizes are given in bytes (the content means nothing to the catalogue).
struct PhotoFolder {
    testsupport::TempFolder dir;
    Catalogue c;
    QString add(const QString& name, qint64 bytes = 0) {
        return QDir::toNativeSeparators(dir.write(name, QByteArray(bytes, 'x')));
    }
    void scan() { c.scan(dir.dir.path()); }
};

// Sizes 3, 1, 2 KB, dates all equal: sorting by size has exactly one answer per direction.
class SortedFolder : public ::testing::Test, protected PhotoFolder {
protected:
    void SetUp() override {
        add("a.jpg", 3000);
        add("b.jpg", 1000);
        add("c.jpg", 2000);
        scan();
    }
};

} // namespace

TEST(Catalogue, ListsEachPhotoOnceByExactExtensionWithItsFacts) {
    PhotoFolder f;
    for (const char* name : {"d.TIFF", "c.tif", "b.JPEG", "a.jpg", "x.jpgx", "y.tiff.bak", "z.png", "noext",
                             "t.Jpeg", "u.tıf", ".hidden.jpg", "v.2020.tif", "IMG.jpg", "img.tif"})
        f.add(QString::fromUtf8(name));
    ASSERT_TRUE(QDir(f.dir.dir.path()).mkdir("folder.jpg"));
    QFile file(f.dir.path("a.jpg"));
    ASSERT_TRUE(
        file.open(QIODevice::ReadWrite) &&
        file.setFileTime(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 59)), QFileDevice::FileModificationTime));
    file.close();
    for (const QString& folder : {f.dir.dir.path(), f.dir.dir.path() + '/'}) { // never a doubled separator
        f.c.setCurrentIndex(1);
        f.c.setSelection(1);
        f.c.scan(folder);
        // Names compare ignoring case and extension: the two IMG may come in either order.
        QStringList names = namesOf(f.c);
        EXPECT_EQ(QSet<QString>(names.begin() + 5, names.begin() + 7), QSet<QString>({"IMG.jpg", "img.tif"}));
        names.remove(5, 2);
        EXPECT_EQ(names,
                  QStringList({".hidden.jpg", "a.jpg", "b.JPEG", "c.tif", "d.TIFF", "t.Jpeg", "v.2020.tif"}));
        EXPECT_EQ(QStringList({f.c.at(1).Sciezka, f.c.at(1).Data, f.c.at(8).Nazwa, f.c.folder()}),
                  QStringList(
                      {QDir::toNativeSeparators(f.dir.path("a.jpg")), "2021-03-04 05:06", "v.2020", folder}));
        EXPECT_EQ(std::pair(f.c.currentIndex(), f.c.selectedCount()), std::pair(1, 0));
    }
    f.c.setCurrentIndex(20);
    f.scan();
    EXPECT_EQ(f.c.currentIndex(), -1);
    for (const QString& folder : {f.dir.path("missing"), f.dir.path("a.jpg"), QString()}) {
        f.c.setCurrentIndex(1);
        f.c.scan(folder);
        EXPECT_TRUE(f.c.isEmpty()) << folder.toStdString();
        EXPECT_EQ(f.c.currentIndex(), -1);
    }
}

TEST(Catalogue, SizeIsInThousandsWithHalvesToEven) {
    const std::pair<qint64, qint32> cases[] = {{0, 0},    {499, 0},  {500, 0},  {501, 1},  {1499, 1},
                                               {1500, 2}, {2500, 2}, {3500, 4}, {2501, 3}, {999999, 1000}};
    PhotoFolder f;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        f.add(QString("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), cases[i].first);
    f.scan();
    ASSERT_EQ(f.c.size(), static_cast<int>(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(f.c.at(static_cast<int>(i)).Rozmiar, cases[i].second) << cases[i].first << " bytes";
}

TEST_F(SortedFolder, HeaderClicksFlipTheSameColumnMenuSortKeepsTheKeyAndTheCurrentPhotoStays) {
    c.setCurrentIndex(0); // a.jpg
    const std::tuple<int, QStringList, int, bool> steps[] = {
        {2, {"b.jpg", "c.jpg", "a.jpg"}, Catalogue::BySize, true},
        {2, {"a.jpg", "c.jpg", "b.jpg"}, Catalogue::BySize, false},
        {1, {"a.jpg", "b.jpg", "c.jpg"}, Catalogue::ByName, true},
        {-1, {"a.jpg", "b.jpg", "c.jpg"}, Catalogue::ByName, true},
        {4, {"a.jpg", "b.jpg", "c.jpg"}, Catalogue::ByName, true},
        {1, {"c.jpg", "b.jpg", "a.jpg"}, Catalogue::ByName, false},
        {3, {}, Catalogue::ByDate, true}, // dates may tie: any order
        {1, {"a.jpg", "b.jpg", "c.jpg"}, Catalogue::ByName, true},
        {1, {"c.jpg", "b.jpg", "a.jpg"}, Catalogue::ByName, false}};
    for (const auto& [column, order, key, ascending] : steps) {
        c.headerSort(column);
        if (!order.isEmpty()) {
            EXPECT_EQ(namesOf(c), order) << column;
        }
        EXPECT_EQ(std::pair(c.sortKey(), c.sortAscending()), std::pair(key, ascending)) << column;
        EXPECT_EQ(c.at(c.currentIndex()).Nazwa, "a");
    }
    for (int key : {0, 5, -1})
        c.sort(key);
    EXPECT_EQ(namesOf(c), QStringList({"c.jpg", "b.jpg", "a.jpg"}));
    c.sort(Catalogue::BySize); // in the descending direction, and the key stays
    EXPECT_EQ(namesOf(c), QStringList({"a.jpg", "c.jpg", "b.jpg"}));
    EXPECT_EQ(std::pair(c.sortKey(), c.sortAscending()), std::pair(int{Catalogue::ByName}, false));
    c.toggleMark(2); // b.jpg
    c.headerSort(0);
    EXPECT_EQ(c.at(2).Nazwa, "b") << "unmarked first when ascending";
    c.headerSort(0);
    EXPECT_EQ(c.at(0).Nazwa, "b");
    c.setCurrentIndex(-1);
    c.headerSort(2);
    EXPECT_EQ(c.currentIndex(), -1);
}

TEST(Catalogue, FindByPathPrefersTheExactTwinThenIgnoresCaseThenGivesZero) {
    PhotoFolder f;
    f.add("A.jpg", 1000);
    const QString lower = f.add("a.jpg", 5000), b = f.add("b.jpg");
    f.scan();
    EXPECT_EQ(f.c.findByPath(b.left(b.size() - 5) + "B.JPG"), 2);
    EXPECT_EQ(f.c.findByPath(f.dir.path("gone.jpg")), 0);
    EXPECT_EQ(Catalogue().findByPath(b), 0);
    f.c.setCurrentIndex(f.c.findByPath(lower));
    // Sorting looks the current photo up again and must never switch to the twin differing only in case.
    for (int column : {-1, 2, 2, 3, 1, 0})
        EXPECT_EQ((f.c.headerSort(column), f.c.at(f.c.currentIndex()).Sciezka), lower) << "column " << column;
}

TEST_F(SortedFolder, SelectionModesAndTheirNotices) {
    int notified = 0;
    c.onMarksChanged = [&] { ++notified; };
    c.toggleMark(0);
    c.setSelection(2);
    EXPECT_EQ(std::pair(c.selectedCount(), c.selectedSize()), std::pair(2, qint64{3})); // b and c: 1 + 2
    c.setSelection(2);
    EXPECT_EQ(std::pair(c.selectedCount(), int{c.at(0).Zaznaczony}), std::pair(1, 1));
    for (int mode : {0, 4, -7}) {
        c.setSelection(3);
        c.setSelection(mode);
        EXPECT_EQ(c.selectedCount(), 3) << "mode " << mode;
    }
    c.setSelection(3);
    EXPECT_EQ(c.selectedCount(), 0);
    c.toggleMark(3);
    c.toggleMark(-1);
    EXPECT_EQ(notified, 10);
    // An empty catalogue ignores every command.
    Catalogue empty;
    empty.onMarksChanged = empty.onLeavePhoto = [&] { ++notified; };
    empty.onCurrentChanged = [&](int) { ++notified; };
    empty.setSelection(1);
    empty.toggleMark(0);
    empty.makeCurrent(0);
    EXPECT_FALSE(empty.next() || empty.previous());
    EXPECT_EQ(std::pair(notified, empty.currentIndex()), std::pair(10, -1));
}

TEST_F(SortedFolder, NavigationLeavesThenChangesNeverWrapsAndSurvivesAReread) {
    QStringList log;
    c.onLeavePhoto = [&] { log << QString("leave %1").arg(c.currentIndex()); };
    c.onCurrentChanged = [&](int i) { log << QString("show %1").arg(i); };
    c.makeCurrent(0);
    c.makeCurrent(0); // already current: not reopened
    EXPECT_FALSE(c.previous());
    EXPECT_TRUE(c.next() && c.next());
    EXPECT_FALSE(c.next());
    EXPECT_TRUE(c.previous());
    c.makeCurrent(3);
    EXPECT_EQ(log, QStringList({"leave -1", "show 0", "leave 0", "show 1", "leave 1", "show 2", "leave 2",
                                "show 1"}));
    EXPECT_EQ(c.currentIndex(), 1);

    c.setCurrentIndex(0);
    log.clear();
    c.onLeavePhoto = [&] { // a save under a new name, then the folder is read again
        add("0.jpg");
        scan();
        c.setCurrentIndex(0);
    };
    c.makeCurrent(2); // c.jpg, entry 3 after the save
    EXPECT_EQ(log, QStringList({"show 3"}));
    EXPECT_EQ(c.at(c.currentIndex()).Nazwa, "c");
    c.onLeavePhoto = [&] { // the chosen photo is gone after the reread
        QFile::remove(c.at(1).Sciezka);
        scan();
        c.setCurrentIndex(0);
    };
    c.makeCurrent(1);
    EXPECT_EQ(log, QStringList({"show 3"}));
    EXPECT_EQ(std::pair(c.currentIndex(), c.size()), std::pair(0, 3));
}

TEST(DataPaths, TheFirstFolderHoldingTheFileWins) {
    EXPECT_EQ(core::dataFolders("/opt/pv/bin"), QStringList({"/opt/pv/bin", "/opt/pv/share/pixvalelink"}));
    EXPECT_EQ(core::iconFolders("/opt/pv/bin/"), QStringList({"/opt/pv/bin/icons", "/opt/pv/share/icons"}));
    testsupport::TempFolder dir;
    const QStringList folders{dir.path("bin"), dir.path("share/pixvalelink")};
    // Neither: the program's folder is named, so a message can say where the file was expected.
    EXPECT_EQ(core::findDataFile("settings", folders), folders[0] + "/settings");
    ASSERT_TRUE(QDir().mkpath(folders[1]) && QDir().mkpath(folders[0]));
    ASSERT_TRUE(testsupport::WriteFile(folders[1] + "/settings", {}));
    EXPECT_EQ(core::findDataFile("settings", folders), folders[1] + "/settings");
    ASSERT_TRUE(testsupport::WriteFile(folders[0] + "/settings", {}));
    EXPECT_EQ(core::findDataFile("settings", folders), folders[0] + "/settings");
    EXPECT_EQ(core::findDataFile("pomoc/index.html", {}), "pomoc/index.html");
}

// Any record: the build (for the Windows 95 family its low half) and the service pack text (at most 128
// characters, up to a NUL) end the line; a named version says its own numbers.
TEST(SystemInfo, TheWindowsLineOfAnyRecord) {
    QRandomGenerator random(7);
    const std::uint32_t majors[] = {3, 4, 5, 6, 10}, minors[] = {0, 1, 2, 10, 51, 90};
    const QString packs[] = {"", "Service Pack 3", " B", QString(200, 'x'),
                             QString("SP2") + QChar(0) + "rubbish"};
    QSet<QString> names;
    for (int round = 0; round < 400; ++round) {
        const core::OsVersionRecord r{static_cast<int>(random.bounded(3)), majors[random.bounded(5)],
                                      minors[random.bounded(6)], random.generate(), packs[random.bounded(5)]};
        const QString line = core::describeWindowsVersion(r);
        if (r.platform == core::OsVersionRecord::Win32s) {
            EXPECT_EQ(line, "Windows 3.x + Win32s");
            continue;
        }
        const bool nt = r.platform == core::OsVersionRecord::WindowsNtFamily;
        const QString tail = QString(", kompilacja %1 ").arg(nt ? r.build : r.build & 0xFFFF) +
                             r.servicePack.left(128).section(QChar(0), 0, 0);
        ASSERT_TRUE(line.endsWith(tail)) << line.toStdString();
        const QString name = line.chopped(tail.size());
        const QString numbers = QString("(%1.%2)").arg(r.major).arg(r.minor);
        EXPECT_TRUE(name.isEmpty() ? nt : name.contains(numbers)) << line.toStdString();
        if (name.startsWith("Windows"))
            names << QString::number(r.platform) + name;
    }
    EXPECT_GE(names.size(), 7);
    EXPECT_EQ(core::describeWindowsVersion({2, 5, 1, 2600, "Service Pack 3"}),
              "Windows XP (5.1), kompilacja 2600 Service Pack 3");
    EXPECT_EQ(core::describeWindowsVersion({1, 4, 10, 0x040A0AAEu, " A"}),
              "Windows 98 (4.10), kompilacja 2734  A");
}
