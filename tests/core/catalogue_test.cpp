#include "core/catalogue.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using core::Catalogue;

// A temporary photo folder with files of given sizes (content is irrelevant to the catalogue).
class PhotoFolder {
public:
    QString path() const { return dir_.path(); }
    QString add(const QString& name, qint64 bytes = 0) {
        EXPECT_TRUE(testsupport::WriteFile(dir_.filePath(name), QByteArray(bytes, 'x')));
        return QDir::toNativeSeparators(dir_.filePath(name));
    }
    void addFolder(const QString& name) { ASSERT_TRUE(QDir(dir_.path()).mkdir(name)); }

private:
    QTemporaryDir dir_;
};

QStringList namesOf(const Catalogue& c) {
    QStringList names;
    for (const auto& e : c.entries())
        names << e.Nazwa + e.Rozszerzenie;
    return names;
}

TEST(Catalogue, ListsEachPhotoOnceAndOnlyExactExtensions) {
    PhotoFolder f;
    for (const char* name : {"d.TIFF", "c.tif", "b.JPEG", "a.jpg", "x.jpgx", "y.tiff.bak", "z.png", "noext",
                             "t.Jpeg", "u.tıf", ".hidden.jpg", "v.2020.tif"})
        f.add(QString::fromUtf8(name));
    f.addFolder(QStringLiteral("folder.jpg"));
    Catalogue c;
    c.scan(f.path());
    EXPECT_EQ(namesOf(c),
              QStringList({".hidden.jpg", "a.jpg", "b.JPEG", "c.tif", "d.TIFF", "t.Jpeg", "v.2020.tif"}));
    EXPECT_EQ(c.at(2).Rozszerzenie, QStringLiteral(".JPEG"));
    EXPECT_EQ(c.at(6).Nazwa, QStringLiteral("v.2020"));
}

TEST(Catalogue, SizeRoundsHalvesToEven) {
    const std::pair<qint64, qint32> cases[] = {{0, 0},    {499, 0},  {500, 0},  {501, 1},  {1499, 1},
                                               {1500, 2}, {2500, 2}, {3500, 4}, {2501, 3}, {999999, 1000}};
    PhotoFolder f;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        f.add(QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), cases[i].first);
    Catalogue c;
    c.scan(f.path());
    ASSERT_EQ(c.size(), static_cast<int>(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(c.at(static_cast<int>(i)).Rozmiar, cases[i].second) << cases[i].first << " bytes";
}

TEST(Catalogue, ScanGivesNativePathsLocalMinutesAndAValidIndex) {
    PhotoFolder f;
    const QString a = f.add(QStringLiteral("a.jpg"));
    f.add(QStringLiteral("b.jpg"));
    QFile file(a);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 59)), QFileDevice::FileModificationTime));
    file.close();
    Catalogue c;
    for (const QString& folder : {f.path(), f.path() + QLatin1Char('/')}) { // never a doubled separator
        c.setCurrentIndex(1);
        c.setSelection(1);
        c.scan(folder);
        ASSERT_EQ(c.size(), 2);
        EXPECT_EQ(c.at(0).Sciezka, a);
        EXPECT_EQ(c.at(0).Data, QStringLiteral("2021-03-04 05:06"));
        EXPECT_EQ(c.folder(), folder);
        EXPECT_EQ(c.currentIndex(), 1);
        EXPECT_EQ(c.selectedCount(), 0);
    }
    c.setCurrentIndex(5);
    c.scan(f.path());
    EXPECT_EQ(c.currentIndex(), -1);
    for (const QString& folder : {f.path() + QStringLiteral("/missing"), a, QString()}) {
        c.setCurrentIndex(1);
        c.scan(folder);
        EXPECT_TRUE(c.isEmpty()) << folder.toStdString();
        EXPECT_EQ(c.currentIndex(), -1);
    }
}

TEST(Catalogue, NamesCompareIgnoringCaseAndExtension) {
    PhotoFolder f;
    for (const char* name : {"b.jpg", "IMG.jpg", "A.jpg", "img.tif", "c.jpg"})
        f.add(QString::fromLatin1(name));
    Catalogue c;
    c.scan(f.path());
    const QStringList names = namesOf(c);
    ASSERT_EQ(names.size(), 5);
    EXPECT_EQ(names.mid(0, 3), QStringList({"A.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(QSet<QString>(names.begin() + 3, names.end()), QSet<QString>({"IMG.jpg", "img.tif"}));
}

// Sizes 3, 1, 2 KB, dates all equal: sorting by size has exactly one answer per direction.
class SortedFolder : public ::testing::Test {
protected:
    void SetUp() override {
        f.add(QStringLiteral("a.jpg"), 3000);
        f.add(QStringLiteral("b.jpg"), 1000);
        f.add(QStringLiteral("c.jpg"), 2000);
        c.scan(f.path());
    }
    PhotoFolder f;
    Catalogue c;
};

TEST_F(SortedFolder, HeaderClicksFlipTheSameColumnAndStartOthersAscending) {
    struct Step {
        int column;
        QStringList order;
        int key;
        bool ascending;
    };
    const Step steps[] = {
        {2, {"b.jpg", "c.jpg", "a.jpg"}, Catalogue::BySize, true},
        {2, {"a.jpg", "c.jpg", "b.jpg"}, Catalogue::BySize, false},
        {1, {"a.jpg", "b.jpg", "c.jpg"}, Catalogue::ByName, true},
        {-1, {"a.jpg", "b.jpg", "c.jpg"}, Catalogue::ByName, true}, // not a column: nothing changes
        {4, {"a.jpg", "b.jpg", "c.jpg"}, Catalogue::ByName, true},
        {1, {"c.jpg", "b.jpg", "a.jpg"}, Catalogue::ByName, false},
        {3, {}, Catalogue::ByDate, true}, // dates may tie: any order
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.column);
        c.headerSort(step.column);
        if (!step.order.isEmpty()) {
            EXPECT_EQ(namesOf(c), step.order);
        }
        EXPECT_EQ(std::pair(c.sortKey(), c.sortAscending()), std::pair(step.key, step.ascending));
    }
}

TEST_F(SortedFolder, MenuSortUsesTheDirectionButKeepsTheKey) {
    c.headerSort(1); // name, now descending
    for (int key : {0, 5, -1})
        c.sort(key);
    EXPECT_EQ(namesOf(c), QStringList({"c.jpg", "b.jpg", "a.jpg"}));
    c.sort(Catalogue::BySize);
    EXPECT_EQ(namesOf(c), QStringList({"a.jpg", "c.jpg", "b.jpg"}));
    EXPECT_EQ(c.sortKey(), Catalogue::ByName);
    EXPECT_FALSE(c.sortAscending());
    c.toggleMark(2); // b.jpg
    c.headerSort(0);
    EXPECT_EQ(c.at(2).Nazwa, QStringLiteral("b")) << "unmarked first when ascending";
    c.headerSort(0);
    EXPECT_EQ(c.at(0).Nazwa, QStringLiteral("b"));
}

TEST_F(SortedFolder, SortKeepsTheCurrentPhoto) {
    c.setCurrentIndex(0); // a.jpg, the largest
    c.headerSort(2);
    EXPECT_EQ(c.currentIndex(), 2);
    EXPECT_EQ(c.at(c.currentIndex()).Nazwa, QStringLiteral("a"));
    c.setCurrentIndex(-1);
    c.headerSort(2);
    EXPECT_EQ(c.currentIndex(), -1);
}

TEST(Catalogue, FindByPathPrefersTheExactTwinThenIgnoresCaseThenGivesZero) {
    PhotoFolder f;
    f.add(QStringLiteral("A.jpg"), 1000);
    const QString lower = f.add(QStringLiteral("a.jpg"), 5000);
    const QString b = f.add(QStringLiteral("b.jpg"));
    Catalogue c;
    c.scan(f.path());
    EXPECT_EQ(c.findByPath(b.left(b.size() - 5) + QStringLiteral("B.JPG")), 2);
    EXPECT_EQ(c.findByPath(f.path() + QStringLiteral("/gone.jpg")), 0);
    EXPECT_EQ(Catalogue().findByPath(b), 0);
    const int twin = c.findByPath(lower);
    ASSERT_EQ(c.at(twin).Sciezka, lower);
    c.setCurrentIndex(twin);
    // Sorting looks the current photo up again and must never switch to the twin differing only in case.
    for (int column : {2, 2, 3, 1, 0}) {
        c.headerSort(column);
        EXPECT_EQ(c.at(c.currentIndex()).Sciezka, lower) << "column " << column;
    }
}

TEST_F(SortedFolder, SelectionModes) {
    int notified = 0;
    c.onMarksChanged = [&] { ++notified; };
    c.toggleMark(0);
    c.setSelection(2);
    EXPECT_EQ(c.selectedCount(), 2);
    EXPECT_EQ(c.selectedSize(), 3); // b and c: 1 + 2
    c.setSelection(2);
    EXPECT_EQ(c.selectedCount(), 1);
    EXPECT_EQ(c.at(0).Zaznaczony, 1);
    for (int mode : {0, 4, -7}) {
        c.setSelection(3);
        c.setSelection(mode);
        EXPECT_EQ(c.selectedCount(), 3) << "mode " << mode;
    }
    c.setSelection(3);
    EXPECT_EQ(c.selectedCount(), 0);
    EXPECT_EQ(notified, 10);
    c.toggleMark(3);
    c.toggleMark(-1);
    EXPECT_EQ(notified, 10);
}

TEST(Catalogue, EmptyCatalogueIgnoresEveryCommand) {
    Catalogue c;
    int hooks = 0;
    c.onMarksChanged = [&] { ++hooks; };
    c.onLeavePhoto = [&] { ++hooks; };
    c.onCurrentChanged = [&](int) { ++hooks; };
    c.setSelection(1);
    c.toggleMark(0);
    c.headerSort(2);
    c.makeCurrent(0);
    EXPECT_FALSE(c.next());
    EXPECT_FALSE(c.previous());
    EXPECT_EQ(hooks, 0);
    EXPECT_EQ(c.sortKey(), Catalogue::ByName);
    EXPECT_EQ(c.currentIndex(), -1);
}

TEST_F(SortedFolder, NavigationLeavesThenChangesAndNeverWraps) {
    QStringList log;
    c.onLeavePhoto = [&] { log << QStringLiteral("leave %1").arg(c.currentIndex()); };
    c.onCurrentChanged = [&](int i) { log << QStringLiteral("show %1").arg(i); };
    c.makeCurrent(0);
    c.makeCurrent(0); // already current: not reopened
    EXPECT_FALSE(c.previous());
    EXPECT_TRUE(c.next());
    EXPECT_TRUE(c.next());
    EXPECT_FALSE(c.next());
    EXPECT_TRUE(c.previous());
    c.makeCurrent(3);
    EXPECT_EQ(log, QStringList({"leave -1", "show 0", "leave 0", "show 1", "leave 1", "show 2", "leave 2",
                                "show 1"}));
    EXPECT_EQ(c.currentIndex(), 1);
}

TEST_F(SortedFolder, LeavingThatRereadsTheFolderStillOpensTheChosenPhoto) {
    c.setCurrentIndex(0);
    QList<int> shown;
    c.onCurrentChanged = [&](int i) { shown << i; };
    c.onLeavePhoto = [&] { // a save under a new name, then the folder is read again
        f.add(QStringLiteral("0.jpg"));
        c.scan(f.path());
        c.setCurrentIndex(0);
    };
    c.makeCurrent(2); // c.jpg, entry 3 after the save
    EXPECT_EQ(shown, QList<int>({3}));
    EXPECT_EQ(c.at(c.currentIndex()).Nazwa, QStringLiteral("c"));

    c.onLeavePhoto = [&] { // the chosen photo is gone after the reread
        QFile::remove(c.at(1).Sciezka);
        c.scan(f.path());
        c.setCurrentIndex(0);
    };
    c.makeCurrent(1);
    EXPECT_EQ(shown, QList<int>({3}));
    EXPECT_EQ(c.currentIndex(), 0);
    EXPECT_EQ(c.size(), 3);
}

} // namespace
