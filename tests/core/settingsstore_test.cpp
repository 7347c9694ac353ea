#include "core/settingsstore.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

namespace {

using core::SettingsStore;

class SettingsStoreFile : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("store.ini")); }
    QTemporaryDir dir;
};

TEST_F(SettingsStoreFile, NumbersAndTextsKeepTheirTypesAcrossAReload) {
    const qint32 numbers[] = {
        0, 1, -1, 80, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()};
    const QString texts[] = {QString(),
                             QStringLiteral("42"),
                             QStringLiteral("@Variant(x)"),
                             QStringLiteral("a, b"),
                             QStringLiteral("  spaced  "),
                             QString::fromUtf8("Zdjęcia/żółć"),
                             QStringLiteral("C:\\Users\\x")};
    {
        SettingsStore store(path());
        for (std::size_t i = 0; i < std::size(numbers); ++i)
            store.setNumber(QStringLiteral("n%1").arg(i), numbers[i]);
        for (std::size_t i = 0; i < std::size(texts); ++i)
            store.setText(QStringLiteral("t%1").arg(i), texts[i]);
        ASSERT_TRUE(store.sync());
    }
    const SettingsStore reloaded(path());
    for (std::size_t i = 0; i < std::size(numbers); ++i) {
        const QString name = QStringLiteral("n%1").arg(i);
        EXPECT_EQ(reloaded.number(name), numbers[i]) << i;
        EXPECT_EQ(reloaded.text(name), QString()) << "a number must not read as a text: " << i;
    }
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        const QString name = QStringLiteral("t%1").arg(i);
        EXPECT_EQ(reloaded.text(name), texts[i]) << i;
        EXPECT_EQ(reloaded.number(name), std::nullopt) << "a text must not read as a number: " << i;
    }
}

TEST_F(SettingsStoreFile, MissingValuesReadAsNothingAndRewritingChangesTheType) {
    SettingsStore store(path());
    EXPECT_EQ(store.number(QStringLiteral("v")), std::nullopt);
    EXPECT_EQ(store.text(QStringLiteral("v")), QString());
    store.setText(QStringLiteral("v"), QStringLiteral("7"));
    store.setNumber(QStringLiteral("v"), 7);
    ASSERT_TRUE(store.sync());
    const SettingsStore reloaded(path());
    EXPECT_EQ(reloaded.number(QStringLiteral("v")), 7);
    EXPECT_EQ(reloaded.text(QStringLiteral("v")), QString());
}

TEST_F(SettingsStoreFile, HandWrittenValuesWithoutMarksAreJudgedByContent) {
    ASSERT_TRUE(testsupport::WriteFile(
        path(), "[General]\nsavequality=90\ndirectory=/photos\nbig=4294967296\nlist=a,b\n"));
    const SettingsStore store(path());
    EXPECT_EQ(store.number(QStringLiteral("savequality")), 90);
    EXPECT_EQ(store.text(QStringLiteral("savequality")), QString());
    EXPECT_EQ(store.text(QStringLiteral("directory")), QStringLiteral("/photos"));
    EXPECT_EQ(store.number(QStringLiteral("big")), std::nullopt);
    EXPECT_EQ(store.number(QStringLiteral("list")), std::nullopt);
    EXPECT_EQ(store.text(QStringLiteral("list")), QString());
}

TEST_F(SettingsStoreFile, UnwritableFileReportsFailure) {
    SettingsStore store(dir.path()); // a folder cannot be written as a file
    store.setNumber(QStringLiteral("v"), 1);
    EXPECT_FALSE(store.sync());
}

} // namespace
