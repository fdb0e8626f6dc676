// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/Protocol.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace tobrisk {

// What a reader takes from the socket at once: the product's receive buffer.
inline constexpr size_t READ_SIZE = 4096;

// The least a reader can do: a blocking socket that sends the request and cuts the reply into frames by
// their length fields, keeping nothing.
class PlainReader {
public:
    PlainReader() : buffer_(64 * 1024) {}
    ~PlainReader()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    PlainReader(const PlainReader&) = delete;
    PlainReader& operator=(const PlainReader&) = delete;

    int Fd() const { return fd_; }

    bool Connect(uint16_t port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return fd_ >= 0 && ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }

    bool Send(const std::vector<uint8_t>& request)
    {
        size_t sent = 0;
        while (sent < request.size()) {
            const ssize_t now = ::send(fd_, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (now < 0 && errno != EINTR)
                return false;
            if (now > 0)
                sent += size_t(now);
        }
        return true;
    }

    // Frames up to and including the first whose table or status field holds `last`; -1 when the
    // connection fails first.
    long FramesUntil(uint16_t last)
    {
        long frames = 0;
        for (;;) {
            // Whole frames at the front of the buffer.
            while (filled_ >= REPLY_HEADER_SIZE) {
                const size_t size = REPLY_HEADER_SIZE + GetBigEndian16(&buffer_[1]);
                if (filled_ < size)
                    break;
                ++frames;
                const bool end = GetBigEndian16(&buffer_[5]) == last;
                std::copy(buffer_.begin() + long(size), buffer_.begin() + long(filled_), buffer_.begin());
                filled_ -= size;
                if (end)
                    return frames;
            }
            const ssize_t got = ::recv(fd_, buffer_.data() + filled_, std::min(READ_SIZE, buffer_.size() - filled_), 0);
            if (got <= 0 && !(got < 0 && errno == EINTR))
                return -1;
            if (got > 0)
                filled_ += size_t(got);
        }
    }

private:
    int fd_ = -1;
    std::vector<uint8_t> buffer_;
    size_t filled_ = 0;
};

} // namespace tobrisk
