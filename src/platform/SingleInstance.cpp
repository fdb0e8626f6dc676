// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tobrisk {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 1000;
const QByteArray RAISE_REQUEST = QByteArrayLiteral("raise\n");
// A client that sends more than this without the request is not a later start.
constexpr qsizetype MAX_REQUEST_SIZE = 64;

// False when the path does not fit a socket address.
bool AddressOf(const QByteArray& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return true;
}

bool SendAll(int fd, const QByteArray& bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t now = ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (now < 0 && errno == EINTR)
            continue;
        if (now < 0 && errno == EAGAIN) {
            pollfd writable{fd, POLLOUT, 0};
            if (::poll(&writable, 1, CONNECT_TIMEOUT_MS) <= 0)
                return false;
            continue;
        }
        if (now <= 0)
            return false;
        sent += now;
    }
    return true;
}

} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), path_(QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + name))
{
}

SingleInstance::~SingleInstance()
{
    for (const auto& [fd, client] : clients_)
        ::close(fd);
    incoming_.reset();
    if (listener_ >= 0) {
        ::close(listener_);
        ::unlink(path_.constData());
    }
}

QString SingleInstance::DefaultName()
{
    return QStringLiteral("Tobrisk%1").arg(getuid());
}

bool SingleInstance::NotifyRunningInstance()
{
    sockaddr_un address;
    if (!AddressOf(path_, address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    // A listener whose queue is full has not refused: it is there, only slow to take the call.
    if (!connected && (errno == EAGAIN || errno == EINPROGRESS)) {
        pollfd writable{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        connected = ::poll(&writable, 1, CONNECT_TIMEOUT_MS) > 0 &&
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    const bool told = connected && SendAll(fd, RAISE_REQUEST);
    ::close(fd);
    return told;
}

bool SingleInstance::Listen()
{
    sockaddr_un address;
    if (listener_ >= 0 || !AddressOf(path_, address))
        return listener_ >= 0;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const auto bind = [&] { return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0; };
    // A socket file left behind by a program that crashed: nobody answered on it.
    bool bound = bind() || (errno == EADDRINUSE && ::unlink(path_.constData()) == 0 && bind());
    // Only the user's own later starts may call.
    bound = bound && ::chmod(path_.constData(), S_IRUSR | S_IWUSR) == 0 && ::listen(fd, SOMAXCONN) == 0;
    if (!bound) {
        ::close(fd);
        return false;
    }
    listener_ = fd;
    incoming_ = std::make_unique<QSocketNotifier>(qintptr(fd), QSocketNotifier::Read);
    connect(incoming_.get(), &QSocketNotifier::activated, this, &SingleInstance::Accept);
    return true;
}

void SingleInstance::Accept()
{
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        Client& client = clients_[fd];
        client.readable = std::make_unique<QSocketNotifier>(qintptr(fd), QSocketNotifier::Read);
        connect(client.readable.get(), &QSocketNotifier::activated, this, [this, fd] { ReadFrom(fd); });
    }
}

void SingleInstance::ReadFrom(int fd)
{
    const auto found = clients_.find(fd);
    if (found == clients_.end())
        return;
    char buffer[MAX_REQUEST_SIZE];
    const ssize_t received = ::recv(fd, buffer, sizeof buffer, 0);
    if (received < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (received > 0)
        found->second.received.append(buffer, received);
    const bool asked = found->second.received.contains(RAISE_REQUEST);
    if (received <= 0 || asked || found->second.received.size() > MAX_REQUEST_SIZE)
        Drop(fd);
    if (asked)
        emit raiseRequested();
}

void SingleInstance::Drop(int fd)
{
    const auto found = clients_.find(fd);
    // Its notifier may be the one whose signal runs now.
    found->second.readable->setEnabled(false);
    found->second.readable.release()->deleteLater();
    clients_.erase(found);
    ::close(fd);
}

} // namespace tobrisk
