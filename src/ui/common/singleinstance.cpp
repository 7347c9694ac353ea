#include "ui/common/singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>

namespace ui {

namespace {

constexpr int kConnectTimeoutMs = 1000;
const QByteArray kWake = QByteArrayLiteral("wake\n");

} // namespace

QString SingleInstance::defaultName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("USERNAME");
    user.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    return QStringLiteral("Pixvale.PixvaleLink.") + user;
}

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent)
    , name_(name) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isListening() const {
    return server_ && server_->isListening();
}

bool SingleInstance::wakeOther() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kWake);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kConnectTimeoutMs);
    return true;
}

bool SingleInstance::claim() {
    if (wakeOther())
        return false;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (s->readAll().contains(kWake.trimmed()))
                    emit wakeRequested();
            });
        }
    });
    if (server_->listen(name_))
        return true;
    // Nobody answered, so a socket that is in the way was left by a copy that crashed.
    if (server_->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(name_);
        if (server_->listen(name_))
            return true;
    }
    // Two copies starting at the same moment: the other one won the race.
    if (wakeOther())
        return false;
    return true; // cannot guard: run on as the first copy
}

} // namespace ui
