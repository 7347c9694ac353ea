// One copy of the program per user: a later copy hands its paths to the first and ends. (That the
// program itself does so is checked by the install test, which starts it twice.)
#include "ui/common/singleinstance.h"
#include "uitestsupport.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

QString uniqueName() {
    return QStringLiteral("Pixvale.PixvaleLink.test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// Notes what joins a first copy's server, so that a test can wait until every connection has been
// read to its end and let go: what it was going to deliver, it has delivered by then.
class Peers : public QObject {
public:
    Peers() { qApp->installEventFilter(this); }
    bool allHeard(const QObject& first, int count) {
        return testsupport::waitUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return std::count_if(joined_.begin(), joined_.end(), [](const auto& p) { return p.isNull(); }) >=
                       count &&
                   first.findChildren<QLocalSocket*>().isEmpty();
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ChildAdded && qobject_cast<QLocalServer*>(watched))
            joined_ << static_cast<QChildEvent*>(event)->child();
        return false;
    }

private:
    QList<QPointer<QObject>> joined_;
};

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
        EXPECT_TRUE(!second.claim(paths) && !second.isListening());
        ASSERT_TRUE(woken.wait(5000));
        EXPECT_EQ(woken.takeFirst().at(0).toStringList(), paths);
        EXPECT_TRUE(woken.isEmpty());
    }
}

// The main window is built after the guard: what arrives meanwhile waits for it.
TEST(SingleInstance, AHandOverBeforeAnyReceiverIsKept) {
    Peers peers;
    const QString name = uniqueName();
    ui::SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    ui::SingleInstance second(name);
    EXPECT_FALSE(second.claim({QStringLiteral("/tmp/zima")}));
    ASSERT_TRUE(peers.allHeard(first, 1)); // arrived with nobody listening
    QSignalSpy woken(&first, &ui::SingleInstance::wakeRequested);
    ASSERT_TRUE(woken.wait(5000));
    ASSERT_EQ(woken.count(), 1);
    EXPECT_EQ(woken.first().at(0).toStringList(), QStringList{QStringLiteral("/tmp/zima")});
}

TEST(SingleInstance, WhatIsNotAWakeMessageIsIgnored) {
    Peers peers;
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
        testsupport::waitUntil([&] {
            return socket.state() != QLocalSocket::ConnectedState ||
                   (!socket.waitForBytesWritten(5) && socket.bytesToWrite() == 0);
        });
        socket.disconnectFromServer();
    }
    ASSERT_TRUE(peers.allHeard(first, 3));
    EXPECT_EQ(woken.count(), 0);
    ui::SingleInstance second(name); // and the first copy still listens
    EXPECT_FALSE(second.claim({QStringLiteral("/tmp/a")}));
    ASSERT_TRUE(woken.wait(5000));
}

TEST(SingleInstance, AStaleSocketOfACrashedCopyDoesNotStopTheNextStart) {
    const QString name = uniqueName();
    // What a killed copy leaves: a socket file nobody listens on.
    const QByteArray file = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + name);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(file.size()), sizeof(address.sun_path));
    std::memcpy(address.sun_path, file.constData(), static_cast<size_t>(file.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ui::SingleInstance next(name);
    EXPECT_TRUE(next.claim());
    EXPECT_TRUE(next.isListening());
}

} // namespace
