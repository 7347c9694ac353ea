#include "core/localsettings.h"
#include "core/obfuscation.h"
#include "core/settings.h"
#include "core/versioninfo.h"
#include "testsupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using core::readLocalSettings;

class LocalSettingsFile : public ::testing::Test {
protected:
    QString write(const QByteArray& content) {
        EXPECT_TRUE(testsupport::WriteFile(path(), content));
        return path();
    }
    QString path() const { return dir.filePath(QStringLiteral("settings")); }
    QTemporaryDir dir;
    const QString builtIn = core::builtInServiceBase();
    const QByteArray abc = core::Encode(core::kObfuscationKey, QStringLiteral("abc")).toLatin1();
};

TEST_F(LocalSettingsFile, ReadsHostAndDecodesTheClientId) {
    const struct {
        QByteArray content;
        QString base, clientId;
    } cases[] = {
        {"host=http://127.0.0.1:8080/\r\nclient_id=" + abc + "\r\n", QStringLiteral("http://127.0.0.1:8080/"),
         QStringLiteral("abc")},
        {"client_id=" + abc + "\nHOST=http://h/", QStringLiteral("http://h/"), QStringLiteral("abc")},
        {"host=\nclient_id=0100\n", builtIn, QString()},
        {"host=  \r\nclient_id=\r\n", builtIn, QString()},
        {"host=http://a/\nhost=http://b/\n", QStringLiteral("http://a/"), QString()},
        {"\xEF\xBB\xBFhost=http://bom/\n", QStringLiteral("http://bom/"), QString()},
        {"# comment\nhost\n client_id=" + abc + "\n", builtIn, QString()},
        {"host=http://x/?a=b\n", QStringLiteral("http://x/?a=b"), QString()},
    };
    for (const auto& c : cases) {
        const core::LocalSettings local = readLocalSettings(write(c.content));
        EXPECT_EQ(local.serviceBase, c.base) << c.content.toStdString();
        EXPECT_EQ(local.clientId, c.clientId) << c.content.toStdString();
    }
}

TEST_F(LocalSettingsFile, AnyFailureKeepsTheBuiltInValues) {
    for (const QString& bad : {path() + QStringLiteral(".missing"), dir.path()}) {
        const core::LocalSettings local = readLocalSettings(bad);
        EXPECT_EQ(local.serviceBase, builtIn);
        EXPECT_EQ(local.clientId, QString());
    }
    const core::LocalSettings huge =
        readLocalSettings(write("host=http://h/\nclient_id=" + abc + "\n" + QByteArray(2 << 20, '#')));
    EXPECT_EQ(huge.serviceBase, builtIn);
    EXPECT_EQ(huge.clientId, QString());
}

TEST(VersionInfo, VersionTextAndNamedValues) {
    const core::TVerInfoRes info;
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"))
                    .match(info.fileVersion())
                    .hasMatch())
        << info.fileVersion().toStdString();
    EXPECT_EQ(info.value(core::TVerInfoRes::FileVersion), info.fileVersion());
    for (int outside : {-1, 10})
        EXPECT_EQ(info.value(outside) + core::TVerInfoRes::valueName(outside), QString());
}

} // namespace
