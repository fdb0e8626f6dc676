// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The far end of a socket under test: listens on 127.0.0.1 and accepts one connection, then writes
// chosen bytes and reads what arrives.
class LoopbackPeer {
public:
    // A receive buffer of that many bytes (0: the system's); a small one, with the peer not reading,
    // soon leaves the sender's bytes nowhere to go.
    explicit LoopbackPeer(int receiveBuffer = 0);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    static constexpr uint32_t ADDRESS = 0x7F000001;
    uint16_t Port() const { return port_; }
    // A port on which nothing listens.
    static uint16_t ClosedPort();

    bool Accept();
    void Write(const std::vector<uint8_t>& bytes);
    // Up to count bytes; fewer when nothing more arrives within a second or the connection ends.
    std::vector<uint8_t> Read(size_t count);
    // True when the other side has closed the connection.
    bool SeesEnd();
    void CloseConnection();
    // Ends the connection with a reset instead of an orderly close.
    void ResetConnection();

private:
    int listener_ = -1;
    int connection_ = -1;
    uint16_t port_ = 0;
};
