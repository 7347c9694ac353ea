#include "ui/common/singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QMetaMethod>
#include <QRegularExpression>

#include <memory>
#include <optional>
#include <utility>

namespace ui {

namespace {

constexpr int kConnectTimeoutMs = 1000;
// A few paths are expected; a peer that sends more than this is not a copy of ours.
constexpr qint64 kMaxMessage = 1 << 20;

// The message of a later copy: the line "wake", then one line "open <path>" per path, each path
// percent-encoded UTF-8 so that any character (a line break too) survives.
const QByteArray kWake = QByteArrayLiteral("wake");
const QByteArray kOpen = QByteArrayLiteral("open ");

QByteArray wakeMessage(const QStringList& paths) {
    QByteArray message = kWake + '\n';
    for (const QString& path : paths)
        message += kOpen + path.toUtf8().toPercentEncoding() + '\n';
    return message;
}

// The paths of a complete message; nothing when it is not a wake message at all.
std::optional<QStringList> readWakeMessage(const QByteArray& message) {
    const QList<QByteArray> lines = message.split('\n');
    if (lines.isEmpty() || lines.first() != kWake)
        return std::nullopt;
    QStringList paths;
    for (const QByteArray& line : lines.mid(1)) {
        if (line.startsWith(kOpen))
            paths.append(QString::fromUtf8(QByteArray::fromPercentEncoding(line.mid(kOpen.size()))));
    }
    return paths;
}

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

bool SingleInstance::wakeOther(const QStringList& paths) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(wakeMessage(paths));
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kConnectTimeoutMs);
    return true;
}

// The message is complete when the later copy hangs up.
void SingleInstance::accept() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        auto message = std::make_shared<QByteArray>();
        connect(s, &QLocalSocket::readyRead, s, [s, message] {
            message->append(s->readAll());
            if (message->size() > kMaxMessage)
                s->abort();
        });
        connect(s, &QLocalSocket::disconnected, this, [this, s, message] {
            message->append(s->readAll());
            s->deleteLater();
            if (message->size() > kMaxMessage)
                return;
            if (const std::optional<QStringList> paths = readWakeMessage(*message))
                deliver(*paths);
        });
    }
}

void SingleInstance::deliver(const QStringList& paths) {
    if (isSignalConnected(QMetaMethod::fromSignal(&SingleInstance::wakeRequested)))
        emit wakeRequested(paths);
    else
        pending_.append(paths);
}

void SingleInstance::connectNotify(const QMetaMethod& signal) {
    if (signal == QMetaMethod::fromSignal(&SingleInstance::wakeRequested) && !pending_.isEmpty())
        QMetaObject::invokeMethod(this, &SingleInstance::deliverPending, Qt::QueuedConnection);
}

void SingleInstance::deliverPending() {
    const QList<QStringList> pending = std::exchange(pending_, {});
    for (const QStringList& paths : pending)
        emit wakeRequested(paths);
}

bool SingleInstance::claim(const QStringList& paths) {
    if (wakeOther(paths))
        return false;
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    if (server_->listen(name_))
        return true;
    // Nobody answered, so a socket that is in the way was left by a copy that crashed.
    if (server_->serverError() == QAbstractSocket::AddressInUseError) {
        QLocalServer::removeServer(name_);
        if (server_->listen(name_))
            return true;
    }
    // Two copies starting at the same moment: the other one won the race.
    if (wakeOther(paths))
        return false;
    return true; // cannot guard: run on as the first copy
}

} // namespace ui
