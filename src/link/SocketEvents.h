// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QEvent>
#include <cstdint>
#include <span>
#include <vector>

namespace tobrisk {

// Sent by a socket to its owner, on the owner's thread, as its event loop reads the socket.
inline constexpr QEvent::Type kFrameEvent = QEvent::Type(0x7E8);
inline constexpr QEvent::Type kTimeoutEvent = QEvent::Type(0x7E9);

// A frame or the expiry of a reply timeout. A handler that runs a nested event loop finds its frame
// intact while later frames arrive.
class SocketEvent : public QEvent {
public:
    // Owns its frame, as an event posted to be handled later must.
    explicit SocketEvent(QEvent::Type type, std::vector<uint8_t> frame = {});
    // Shows a frame that the sender keeps unchanged until sendEvent() has returned: the socket's own
    // delivery, which would otherwise allocate a copy for every frame.
    struct Borrowed {};
    SocketEvent(QEvent::Type type, std::span<const uint8_t> frame, Borrowed);
    ~SocketEvent() override;
    SocketEvent(const SocketEvent&) = delete;
    SocketEvent& operator=(const SocketEvent&) = delete;

    std::span<const uint8_t> Frame() const { return frame_; }

private:
    std::vector<uint8_t> owned_;
    std::span<const uint8_t> frame_;
};

} // namespace tobrisk
