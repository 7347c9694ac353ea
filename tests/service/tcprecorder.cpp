#include "tcprecorder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

int boundPort(int socket) {
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

} // namespace

int FreeLoopbackPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int port = boundPort(s);
    ::close(s);
    return port;
}

TcpRecorder::TcpRecorder(int targetPort)
    : targetPort_(targetPort) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 8) != 0)
        return;
    port_ = boundPort(listener_);
    thread_ = std::thread([this] { serve(); });
}

TcpRecorder::~TcpRecorder() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    ::close(listener_);
}

QList<QByteArray> TcpRecorder::connections() const {
    const std::lock_guard lock(mutex_);
    return sent_;
}

void TcpRecorder::serve() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client >= 0)
            relay(client);
    }
}

void TcpRecorder::relay(int client) {
    {
        const std::lock_guard lock(mutex_);
        sent_.append(QByteArray());
    }
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(targetPort_);
    bool open = ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    pollfd ends[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    char buffer[16384];
    while (open && !stopping_) {
        if (::poll(ends, 2, 100) <= 0)
            continue;
        for (int i = 0; i < 2 && open; ++i) {
            if (!(ends[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(ends[i].fd, buffer, sizeof buffer);
            if (i == 0 && n > 0) {
                const std::lock_guard lock(mutex_);
                sent_.last().append(buffer, static_cast<qsizetype>(n));
            }
            open = n > 0 && ::send(ends[1 - i].fd, buffer, static_cast<size_t>(n), MSG_NOSIGNAL) == n;
        }
    }
    ::close(server);
    ::close(client);
}

bool CanConnect(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(port);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    return ok;
}
