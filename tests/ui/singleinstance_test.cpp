#include "testsupport.h"
#include "ui/common/singleinstance.h"
#include "ui/main/tfosplash.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString uniqueName() {
    return QStringLiteral("Pixvale.PixvaleLink.test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

TEST(SingleInstance, TheSecondCopyWakesTheFirstAndHandsOverItsPaths) {
    const QString name = uniqueName();
    ui::SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    EXPECT_TRUE(first.isListening());
    QSignalSpy woken(&first, &ui::SingleInstance::wakeRequested);
    const QStringList cases[] = {
        {},
        {QStringLiteral("/home/ola/zdjęcia/łąka 1.jpg")},
        {QStringLiteral("/tmp/a b/%20.tif"), QStringLiteral("/tmp/dwie\nlinie"),
         QStringLiteral("/tmp/open x")},
    };
    for (const QStringList& paths : cases) {
        ui::SingleInstance second(name);
        EXPECT_FALSE(second.claim(paths));
        EXPECT_FALSE(second.isListening());
        ASSERT_TRUE(woken.wait(5000));
        ASSERT_EQ(woken.count(), 1);
        EXPECT_EQ(woken.takeFirst().at(0).toStringList(), paths);
    }
}

// The main window is built after the guard: what arrives meanwhile waits for it.
TEST(SingleInstance, AHandOverBeforeAnyReceiverIsKept) {
    const QString name = uniqueName();
    ui::SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    ui::SingleInstance second(name);
    EXPECT_FALSE(second.claim({QStringLiteral("/tmp/zima")}));
    // Let the hand-over arrive with nobody listening.
    QTest::qWait(300);
    QSignalSpy woken(&first, &ui::SingleInstance::wakeRequested);
    ASSERT_TRUE(woken.wait(5000));
    ASSERT_EQ(woken.count(), 1);
    EXPECT_EQ(woken.first().at(0).toStringList(), QStringList{QStringLiteral("/tmp/zima")});
}

TEST(SingleInstance, WhatIsNotAWakeMessageIsIgnored) {
    const QString name = uniqueName();
    ui::SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    QSignalSpy woken(&first, &ui::SingleInstance::wakeRequested);
    for (const QByteArray& message : {QByteArray("hello\nopen %2Fetc\n"), QByteArray(),
                                      QByteArray("wake\n") + QByteArray(2 << 20, 'x')}) {
        QLocalSocket socket;
        socket.connectToServer(name);
        ASSERT_TRUE(socket.waitForConnected(5000));
        socket.write(message);
        // The first copy reads in this thread too: let it read while the message goes out whole.
        for (int i = 0;
             i < 1000 && socket.bytesToWrite() > 0 && socket.state() == QLocalSocket::ConnectedState; ++i) {
            socket.waitForBytesWritten(5);
            QCoreApplication::processEvents();
        }
        socket.disconnectFromServer();
        QTest::qWait(50);
    }
    EXPECT_FALSE(woken.wait(500));
}

TEST(SingleInstance, AStaleSocketOfACrashedCopyDoesNotStopTheNextStart) {
    const QString name = uniqueName();
    // What a killed copy leaves: a socket file nobody listens on.
    const QByteArray file = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + name);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(file.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, file.constData(), static_cast<size_t>(file.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(file)));

    ui::SingleInstance next(name);
    EXPECT_TRUE(next.claim());
    EXPECT_TRUE(next.isListening());
}

// Two real processes: this test is the first copy, the program itself is started as the second.
TEST(SingleInstance, TheProgramStartedTwiceWakesTheFirstAndWritesNothing) {
    const QString program = testsupport::binaryDir() + QStringLiteral("/bin/pixvalelink");
    if (!QFile::exists(program))
        GTEST_SKIP() << "program not built";
    ui::SingleInstance first(ui::SingleInstance::defaultName());
    if (!first.claim())
        GTEST_SKIP() << "a real copy of the program is running";
    QSignalSpy woken(&first, &ui::SingleInstance::wakeRequested);

    QTemporaryDir config;
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("HOME"), config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.start(program, {});
    ASSERT_TRUE(second.waitForStarted(10000));
    const bool ended = second.waitForFinished(30000);
    if (!ended) {
        second.kill();
        second.waitForFinished();
    }
    ASSERT_TRUE(ended) << "the second copy kept running";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(woken.count() > 0 || woken.wait(5000));
    // No settings store was created or written.
    EXPECT_TRUE(QDir(config.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty())
        << QDir(config.path())
               .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
               .join(QLatin1Char(' '))
               .toStdString();
}

TEST(Splash, FrameAndText) {
    ui::TfoSplash splash;
    EXPECT_EQ(ui::TfoSplash::text(), QStringLiteral("Uruchamianie programu. Proszę czekać..."));
    // A 3-pixel green frame, white inside.
    const QImage shot = splash.grab().toImage();
    EXPECT_EQ(shot.pixelColor(397, 100), QColor(140, 197, 58));
    EXPECT_EQ(shot.pixelColor(200, 247), QColor(140, 197, 58));
    EXPECT_EQ(shot.pixelColor(396, 148), QColor(Qt::white));
}

} // namespace
