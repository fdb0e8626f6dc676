// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <cstdint>
#include <memory>
#include <string_view>

class QObject;

namespace tobrisk {

constexpr int ERR_SOCKET_OPEN = 0x1001;
constexpr int ERR_SOCKET_CONNECT = 0x1002;
// Open starts no thread and needs no event objects, so it returns neither of these two any more; the codes
// keep their messages for whatever reports them.
constexpr int ERR_THREAD = 0x1003;
constexpr int ERR_EVENT_SELECT = 0x1004;

constexpr int STREAM_PAUSE_MS = 2;
constexpr int STREAM_SLICE_MS = 10;

// About what the original platform allows a TCP connect before it gives up.
constexpr int CONNECT_TIMEOUT_MS = 20000;

// One TCP connection to an exchange or a PPPoE device, owned by the link state and used on the thread of
// its owner object, whichever thread that is, as long as it runs an event loop. The socket is read there,
// when that thread's event loop (an outer one or any nested wait) finds it readable: the bytes are cut
// into frames and each one, or the expiry of an armed reply timeout, is sent to the owner as an event of
// its own, in arrival order, with nothing posted and no other thread involved. Sending happens directly
// on the same thread.
class ExchangeSocket {
public:
    explicit ExchangeSocket(int framing = 2, int connectTimeoutMs = CONNECT_TIMEOUT_MS);
    ~ExchangeSocket();
    ExchangeSocket(const ExchangeSocket&) = delete;
    ExchangeSocket& operator=(const ExchangeSocket&) = delete;

    // 0, or an ERR_SOCKET_* code with LastError() holding the errno.
    // The connect gives up after the connect timeout (ETIMEDOUT); on the user-interface thread the
    // windows keep painting while it runs. Called on the owner's thread.
    // Already open: 0, and nothing changes.
    int Open(QObject* owner, uint32_t peerAddress, uint16_t port, QEvent::Type dataMessage,
             QEvent::Type timeoutMessage);
    void Close();
    bool IsOpen() const { return link_ != nullptr; }

    // A peer that has not taken the bytes within the read timeout, READ_TIMEOUT_MS, ends the link:
    // LastError() is set and the receive side ends, as on a drop.
    void Send(const uint8_t* bytes, int length);
    // A non-zero timeout arms the one-shot reply timeout before sending; the next complete frame received
    // disarms it. Bytes that complete no frame (noise, a reply cut short) leave it running. The send itself
    // gives up as Send() does, after the same timeout.
    void SendWithTimeout(const uint8_t* bytes, int length, uint32_t timeoutMs);
    // false, and nothing sent, when the socket is not open or the number is over 31 characters.
    bool SendDial(std::string_view number);
    void SendRelease();

    // A table read's reply is a stream of frames, and waking the event loop for each costs more than
    // handling it. While a stream is expected, a read that took bytes waits on the socket itself for the
    // next ones, for as long as they keep coming within STREAM_PAUSE_MS and at most STREAM_SLICE_MS, and
    // only then lets the event loop run again: the windows still repaint many times a second.
    void ExpectStream(bool expected);

    uint32_t PeerAddress() const { return peerAddress_; }
    int32_t LastError() const { return lastError_; }
    int Framing() const { return framing_; }

private:
    class Reader;
    void SendWithin(const uint8_t* bytes, int length, uint32_t boundMs);

    int framing_;
    int connectTimeoutMs_;
    uint32_t peerAddress_ = 0;
    int32_t lastError_ = 0;
    // Shared with a delivery under way, which a handler closing the socket must not pull from under it.
    std::shared_ptr<Reader> link_;
};

} // namespace tobrisk
