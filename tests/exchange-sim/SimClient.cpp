// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimClient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace simtest {

namespace {

int Remaining(std::chrono::steady_clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

Bytes Hex(std::string_view text)
{
    Bytes bytes;
    std::string digits;
    for (char c : text) {
        if (c == ' ')
            continue;
        digits += c;
        if (digits.size() == 2) {
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        }
    }
    return bytes;
}

std::string ToHex(const Bytes& bytes)
{
    std::string text;
    for (std::uint8_t byte : bytes) {
        char item[4];
        std::snprintf(item, sizeof item, "%02X", byte);
        if (!text.empty())
            text += ' ';
        text += item;
    }
    return text;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes RequestFrame(std::uint16_t command, std::uint16_t index, std::uint16_t table, std::string_view payload)
{
    const auto length = static_cast<std::uint16_t>(payload.size());
    Bytes frame = {0x02,
                   static_cast<std::uint8_t>(length >> 8),
                   static_cast<std::uint8_t>(length),
                   0,
                   0,
                   static_cast<std::uint8_t>(command >> 8),
                   static_cast<std::uint8_t>(command),
                   static_cast<std::uint8_t>(index >> 8),
                   static_cast<std::uint8_t>(index),
                   static_cast<std::uint8_t>(table >> 8),
                   static_cast<std::uint8_t>(table)};
    frame.resize(frame.size() + payload.size());
    std::copy(payload.begin(), payload.end(), frame.end() - std::ptrdiff_t(payload.size()));
    return frame;
}

SimClient::SimClient(std::uint16_t port)
{
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        fd = -1;
    }
}

SimClient::~SimClient()
{
    if (fd >= 0)
        close(fd);
}

void SimClient::Send(const Bytes& bytes)
{
    std::size_t at = 0;
    while (fd >= 0 && at < bytes.size()) {
        const ssize_t sent = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        at += static_cast<std::size_t>(sent);
    }
}

std::vector<Bytes> SimClient::ReadChunks(std::size_t size, int timeoutMs)
{
    std::vector<Bytes> chunks;
    std::size_t total = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (fd >= 0 && total < size) {
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, Remaining(deadline)) <= 0)
            break;
        std::uint8_t buffer[8192];
        const ssize_t got = recv(fd, buffer, std::min(sizeof buffer, size - total), 0);
        if (got <= 0)
            break;
        chunks.emplace_back(buffer, buffer + got);
        total += static_cast<std::size_t>(got);
    }
    return chunks;
}

Bytes SimClient::Read(std::size_t size, int timeoutMs)
{
    Bytes all;
    for (const Bytes& chunk : ReadChunks(size, timeoutMs))
        all.insert(all.end(), chunk.begin(), chunk.end());
    return all;
}

Bytes SimClient::ReadFrame(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes frame = Read(7, timeoutMs);
    if (frame.size() < 7)
        return {};
    const std::size_t length = static_cast<std::size_t>((frame[1] << 8) | frame[2]);
    const Bytes data = Read(length, Remaining(deadline));
    if (data.size() < length)
        return {};
    frame.insert(frame.end(), data.begin(), data.end());
    return frame;
}

bool SimClient::QuietFor(int ms)
{
    pollfd readable{fd, POLLIN, 0};
    return poll(&readable, 1, ms) == 0;
}

bool SimClient::WaitClosed(Bytes& extra, int timeoutMs)
{
    extra.clear();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd readable{fd, POLLIN, 0};
        if (poll(&readable, 1, Remaining(deadline)) <= 0)
            return false;
        std::uint8_t buffer[8192];
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && errno == ECONNRESET))
            return true;
        if (got < 0)
            return false;
        extra.insert(extra.end(), buffer, buffer + got);
    }
}

} // namespace simtest
