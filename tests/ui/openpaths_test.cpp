#include "uitestsupport.h"

#include "ui/main/openpaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace {

class OpenPaths : public uitest::WindowTest {
protected:
    void SetUp() override {
        photos(3);
        other = h.path(QStringLiteral("inne"));
        QDir().mkpath(other);
        ASSERT_TRUE(uitest::writeBytes(other + QStringLiteral("/a.jpg"), 3000));
        ASSERT_TRUE(uitest::writeBytes(other + QStringLiteral("/b.jpg"), 2000));
        ASSERT_TRUE(uitest::writeBytes(other + QStringLiteral("/c.tif"), 1000));
        ASSERT_TRUE(uitest::writeBytes(other + QStringLiteral("/notatki.txt"), 10));
        h.build();
    }
    QString in(const char* name) const {
        return QDir::toNativeSeparators(other + QLatin1Char('/') + QLatin1String(name));
    }
    QString current() {
        const int i = w().catalogue().currentIndex();
        return i < 0 ? QString() : QFileInfo(w().catalogue().at(i).Sciezka).fileName();
    }
    QString other;
};

TEST_F(OpenPaths, WhatBecomesCurrent) {
    const struct {
        QStringList paths;
        const char* photo; // the current photo afterwards, in the folder "inne"
    } cases[] = {
        {{QStringLiteral("inne")}, "a.jpg"},                                     // a folder: its first photo
        {{QStringLiteral("inne/b.jpg")}, "b.jpg"},                               // a photo: that photo
        {{QStringLiteral("inne/c.tif"), QStringLiteral("inne/a.jpg")}, "c.tif"}, // the first path decides
        {{QStringLiteral("nie-ma.jpg"), QStringLiteral("inne/b.jpg")},
         "b.jpg"},                                       // missing ones are passed over
        {{QStringLiteral("inne/notatki.txt")}, "a.jpg"}, // not a photo: its folder
    };
    for (const auto& c : cases) {
        QStringList paths;
        for (const QString& p : c.paths)
            paths.append(QDir::toNativeSeparators(h.path(p)));
        EXPECT_TRUE(ui::OpenPaths(w(), paths));
        settle();
        EXPECT_EQ(w().folder(), QDir::toNativeSeparators(other));
        EXPECT_EQ(w().catalogue().size(), 3);
        EXPECT_EQ(current(), QLatin1String(c.photo)) << c.paths.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(w().laKatalog->text(), QStringLiteral("inne"));
        settle();
    }
    // Back to the photo folder, then a path list that names nothing that exists changes nothing.
    ASSERT_TRUE(ui::OpenPaths(w(), {h.shell.documents}));
    settle();
    EXPECT_EQ(current(), QStringLiteral("p00.jpg"));
    EXPECT_FALSE(ui::OpenPaths(w(), {in("nie-ma.jpg"), h.path(QStringLiteral("brak/"))}));
    EXPECT_FALSE(ui::OpenPaths(w(), {}));
    settle();
    EXPECT_EQ(w().folder(), h.shell.documents);
    EXPECT_EQ(current(), QStringLiteral("p00.jpg"));
}

} // namespace
