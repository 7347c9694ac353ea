#include "ui/common/textfit.h"

#include <QFont>

#include <gtest/gtest.h>

namespace {

QFontMetrics metrics() {
    return QFontMetrics(QFont(QStringLiteral("Sans Serif"), 10));
}

TEST(FitText, KeepsWhatFitsAndTrimsBeforeTheEllipsis) {
    const QFontMetrics fm = metrics();
    const QString text = QStringLiteral("Hello world");
    EXPECT_EQ(ui::fitText(text, fm, fm.horizontalAdvance(text)), text);
    EXPECT_EQ(ui::fitText(text, fm, fm.horizontalAdvance(QStringLiteral("Hello w..."))),
              QStringLiteral("Hello w..."));
    // "Hello " is trimmed, so the blank never stands before the dots.
    EXPECT_EQ(ui::fitText(text, fm, fm.horizontalAdvance(QStringLiteral("Hello..."))),
              QStringLiteral("Hello..."));
    EXPECT_EQ(ui::fitText(text, fm, 0), QStringLiteral("..."));
    const QString emoji = QString::fromUtf8("ab\U0001F600\U0001F600");
    const QString fitted = ui::fitText(emoji, fm, fm.horizontalAdvance(emoji) - 1);
    EXPECT_TRUE(fitted.endsWith(QStringLiteral("...")));
    EXPECT_FALSE(fitted.at(fitted.size() - 4).isHighSurrogate()) << "a surrogate pair was split";
}

TEST(FitPath, DropsLeadingFoldersAndKeepsTheRoot) {
    const QFontMetrics fm = metrics();
    const QChar slash = u'/';
    const QString path = QStringLiteral("/home/ania/Pictures/2020/img.jpg");
    EXPECT_EQ(ui::fitPath(path, fm, fm.horizontalAdvance(path), slash), path);
    const QString twoFolders = QStringLiteral("/.../Pictures/2020/img.jpg");
    EXPECT_EQ(ui::fitPath(path, fm, fm.horizontalAdvance(twoFolders), slash), twoFolders);
    EXPECT_EQ(ui::fitPath(path, fm, 1, slash), QStringLiteral("/.../img.jpg"));
    // A folder given with its trailing separator keeps it.
    EXPECT_EQ(ui::fitPath(QStringLiteral("/home/ania/Pictures/"), fm, 1, slash), QStringLiteral("/.../"));
}

TEST(FitPath, WindowsDrivesAndShares) {
    const QFontMetrics fm = metrics();
    const QChar back = u'\\';
    const QString path = QStringLiteral("C:\\Users\\ania\\Pictures\\img.jpg");
    const QString tail = QStringLiteral("C:\\...\\Pictures\\img.jpg");
    EXPECT_EQ(ui::fitPath(path, fm, fm.horizontalAdvance(tail), back), tail);
    EXPECT_EQ(ui::fitPath(path, fm, 1, back), QStringLiteral("C:\\...\\img.jpg"));
    EXPECT_EQ(ui::fitPath(QStringLiteral("C:/Users/ania/img.jpg"), fm, 1, back),
              QStringLiteral("C:\\...\\img.jpg"));
    EXPECT_EQ(ui::fitPath(QStringLiteral("\\\\nas\\photos\\2020\\img.jpg"), fm, 1, back),
              QStringLiteral("\\\\nas\\photos\\...\\img.jpg"));
}

TEST(LastPathComponent, RootsHaveNone) {
    EXPECT_EQ(ui::lastPathComponent(QStringLiteral("/home/ania/Zdjęcia")), QStringLiteral("Zdjęcia"));
    EXPECT_EQ(ui::lastPathComponent(QStringLiteral("/")), QString());
    EXPECT_EQ(ui::lastPathComponent(QStringLiteral("C:/")), QString());
}

} // namespace
