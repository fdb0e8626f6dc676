// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "exchange-sim/ExchangeSim.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A bare TCP client for talking to the simulator byte by byte, independent of the product's sockets.
namespace simtest {

using exsim::Bytes;

// "02 00 0B" -> bytes; blanks are ignored.
Bytes Hex(std::string_view text);
// Bytes as "02 00 0B", for readable failure messages.
std::string ToHex(const Bytes& bytes);
Bytes Concat(std::initializer_list<Bytes> parts);

// A request frame written from the protocol's byte layout: big-endian fields, payload length in bytes 1-2.
Bytes RequestFrame(std::uint16_t command, std::uint16_t index, std::uint16_t table, std::string_view payload = {});

class SimClient {
public:
    explicit SimClient(std::uint16_t port);
    ~SimClient();
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    bool Connected() const { return fd >= 0; }
    void Send(const Bytes& bytes);

    // Up to `size` bytes; fewer when the time runs out or the peer closes.
    Bytes Read(std::size_t size, int timeoutMs = 3000);
    // One reply frame (7-byte header and its data), which must start at the next byte; empty on timeout.
    Bytes ReadFrame(int timeoutMs = 3000);
    // The bytes of each receive call, until `size` bytes came or the time ran out.
    std::vector<Bytes> ReadChunks(std::size_t size, int timeoutMs = 3000);
    // True when nothing arrives for `ms` milliseconds.
    bool QuietFor(int ms);
    // Waits for the peer to close; `extra` gets whatever arrived first. False on timeout.
    bool WaitClosed(Bytes& extra, int timeoutMs = 3000);

private:
    int fd = -1;
};

} // namespace simtest
