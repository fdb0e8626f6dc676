// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int WAIT_MS = 1000;

int BoundSocket(uint16_t& port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(LoopbackPeer::ADDRESS);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return fd;
}

bool Readable(int fd)
{
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, WAIT_MS) > 0;
}

} // namespace

LoopbackPeer::LoopbackPeer(int receiveBuffer)
{
    listener_ = BoundSocket(port_);
    // Set before listening, so the accepted connection takes it and its window is sized by it.
    if (receiveBuffer > 0)
        ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    ::listen(listener_, 1);
}

LoopbackPeer::~LoopbackPeer()
{
    CloseConnection();
    ::close(listener_);
}

uint16_t LoopbackPeer::ClosedPort()
{
    uint16_t port = 0;
    ::close(BoundSocket(port));
    return port;
}

bool LoopbackPeer::Accept()
{
    if (!Readable(listener_))
        return false;
    connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    // Each Write() should leave as its own segment, so chunks reach the receiver as written.
    const int on = 1;
    ::setsockopt(connection_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return connection_ >= 0;
}

void LoopbackPeer::Write(const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(connection_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        done += size_t(sent);
    }
}

std::vector<uint8_t> LoopbackPeer::Read(size_t count)
{
    std::vector<uint8_t> bytes(count);
    size_t done = 0;
    while (done < count && Readable(connection_)) {
        const ssize_t got = ::recv(connection_, bytes.data() + done, count - done, 0);
        if (got <= 0)
            break;
        done += size_t(got);
    }
    bytes.resize(done);
    return bytes;
}

bool LoopbackPeer::SeesEnd()
{
    uint8_t byte;
    return Readable(connection_) && ::recv(connection_, &byte, 1, 0) == 0;
}

void LoopbackPeer::CloseConnection()
{
    if (connection_ >= 0)
        ::close(connection_);
    connection_ = -1;
}

void LoopbackPeer::ResetConnection()
{
    const linger abort{1, 0};
    ::setsockopt(connection_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    CloseConnection();
}
