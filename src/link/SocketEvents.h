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

// A frame or the expiry of a reply timeout. The event owns its frame: a handler that runs a nested
// event loop keeps it intact while later frames arrive.
class SocketEvent : public QEvent {
public:
    explicit SocketEvent(QEvent::Type type, std::vector<uint8_t> frame = {});
    ~SocketEvent() override;

    std::span<const uint8_t> Frame() const { return frame_; }

private:
    std::vector<uint8_t> frame_;
};

} // namespace tobrisk
